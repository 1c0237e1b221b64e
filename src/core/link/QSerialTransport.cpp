#include "core/link/QSerialTransport.h"

#ifdef Q_OS_UNIX
#include <poll.h>
#endif
#ifdef Q_OS_LINUX
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

namespace {
// Every exchange with the box is a few bytes answered by a few bytes, so the driver's receive
// latency (a USB serial adapter holds bytes up to 16 ms by default) bounds the throughput. Ask
// the driver to pass bytes on at once; a driver that cannot (a pseudo-terminal, a built-in
// port without the setting) is left as it is and the open goes on.
void RequestLowLatency(QSerialPort& port)
{
#ifdef Q_OS_LINUX
    const int fd = int(port.handle());
    if (fd < 0)
        return;
    serial_struct serial{};
    if (ioctl(fd, TIOCGSERIAL, &serial) == 0 && !(serial.flags & ASYNC_LOW_LATENCY)) {
        serial.flags |= ASYNC_LOW_LATENCY;
        ioctl(fd, TIOCSSERIAL, &serial);
    }
#else
    Q_UNUSED(port);
#endif
}

const char* const DeviceGoneText = "The device hung up or was removed.";
} // namespace

class QSerialTransport::ControlCall
{
public:
    explicit ControlCall(QSerialTransport& transport) : m_transport(transport) { ++m_transport.m_controlCalls; }
    ~ControlCall() { --m_transport.m_controlCalls; }
    ControlCall(const ControlCall&) = delete;
    ControlCall& operator=(const ControlCall&) = delete;

private:
    QSerialTransport& m_transport;
};

QSerialTransport::QSerialTransport(const QString& devicePath, QObject* parent)
    : SerialTransport(parent), m_target(devicePath)
{
    m_port.setPortName(devicePath);
    connect(&m_port, &QSerialPort::readyRead, this, &SerialTransport::DataArrived);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QSerialTransport::OnError);
}

bool QSerialTransport::Open(QString* systemText)
{
    Close();
    m_lineErrors = {};
    m_lost = false;
    m_lostReason.clear();
    ControlCall control(*this);
    if (!m_port.open(QIODevice::ReadWrite)) {
        if (systemText)
            *systemText = m_port.errorString();
        return false;
    }
    // Queues of the link are small by design: the protocol, not the driver, does flow control.
    m_port.setReadBufferSize(0);
    RequestLowLatency(m_port);
    return true;
}

bool QSerialTransport::Configure(qint32 baud, QString* systemText)
{
    ControlCall control(*this);
    const bool ok = IsOpen() && m_port.setBaudRate(baud) && m_port.setDataBits(QSerialPort::Data8) &&
                    m_port.setParity(QSerialPort::NoParity) && m_port.setStopBits(QSerialPort::OneStop) &&
                    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!ok && systemText)
        *systemText = m_lost ? m_lostReason : m_port.errorString();
    return ok;
}

void QSerialTransport::Close()
{
    // Closing restores the device's previous settings, which fails on a device that has gone.
    ControlCall control(*this);
    if (m_port.isOpen())
        m_port.close();
}

bool QSerialTransport::Write(const QByteArray& bytes, QString* systemText)
{
    if (!IsOpen()) {
        if (systemText)
            *systemText = m_lost ? m_lostReason : QStringLiteral("The port is not open.");
        return false;
    }
    if (m_port.write(bytes) != bytes.size()) {
        if (systemText)
            *systemText = m_port.errorString();
        return false;
    }
    // Hand the bytes to the driver now; what it cannot take yet goes out from the event loop. A
    // device that has gone fails here (its error arrives through OnError during the flush).
    m_port.flush();
    if (m_lost) {
        if (systemText)
            *systemText = m_lostReason;
        return false;
    }
    return true;
}

QByteArray QSerialTransport::Take(qint64 maxCount)
{
    if (!m_port.isOpen() || maxCount <= 0)
        return {};
    return m_port.read(maxCount);
}

bool QSerialTransport::Purge(bool receive, bool transmit, QString* systemText)
{
    ControlCall control(*this);
    QSerialPort::Directions directions;
    if (receive)
        directions |= QSerialPort::Input;
    if (transmit)
        directions |= QSerialPort::Output;
    if (!directions)
        return true;
    if (!IsOpen() || !m_port.clear(directions)) {
        if (systemText)
            *systemText = m_lost ? m_lostReason : m_port.errorString();
        return false;
    }
    return true;
}

bool QSerialTransport::SetDtr(bool raised, QString* systemText)
{
    ControlCall control(*this);
    if (!IsOpen() || !m_port.setDataTerminalReady(raised)) {
        if (systemText)
            *systemText = m_lost ? m_lostReason : m_port.errorString();
        return false;
    }
    return true;
}

LineErrors QSerialTransport::TakeLineErrors(bool* queryOk)
{
    // A device that went away has left its record here even though it is closed by now.
    if (queryOk)
        *queryOk = m_port.isOpen() || m_lost;
    const LineErrors errors = m_lineErrors;
    m_lineErrors = {};
    return errors;
}

bool QSerialTransport::DeviceGone(QSerialPort::SerialPortError error) const
{
#ifdef Q_OS_UNIX
    // A hung-up terminal (unplugged adapter, closed pseudo-terminal master) polls as HUP; a
    // transmit queue that is merely full (EAGAIN, also reported as a resource error) does not.
    Q_UNUSED(error);
    pollfd device{};
    device.fd = int(m_port.handle());
    if (device.fd < 0)
        return true;
    return ::poll(&device, 1, 0) > 0 && (device.revents & (POLLHUP | POLLERR | POLLNVAL));
#else
    // QSerialPort reports a removed device as a resource error.
    return error == QSerialPort::ResourceError;
#endif
}

void QSerialTransport::Lose(LineErrors lineErrors, const QString& reason)
{
    m_lost = true;
    m_lostReason = reason;
    m_lineErrors |= lineErrors;
    // QSerialPort keeps signalling a dead descriptor until it is closed; it is not closed from
    // inside its own notification.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_lost)
                Close();
        },
        Qt::QueuedConnection);
}

void QSerialTransport::OnError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError || m_controlCalls > 0 || m_lost || !m_port.isOpen())
        return;
    switch (error) {
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError:
        if (DeviceGone(error)) {
            Lose(LineError::IoError, QString::fromLatin1(DeviceGoneText));
        } else if (error != QSerialPort::ResourceError) {
            // A read or write the driver refused on a device that is still there.
            Lose(LineErrors(), m_port.errorString());
        }
        // Otherwise the driver's transmit queue was full for a moment: QSerialPort keeps the
        // bytes and sends them when the driver takes them.
        break;
    case QSerialPort::UnsupportedOperationError: m_lineErrors |= LineError::ModeNotSupported; break;
    default: break;
    }
}
