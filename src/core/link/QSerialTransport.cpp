#include "link/QSerialTransport.h"

#ifdef Q_OS_LINUX
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

namespace {
// Every exchange with the box is a few bytes answered by a few bytes, so the driver's receive
// latency (a USB serial adapter holds bytes up to 16 ms by default) bounds the throughput. Ask
// the driver to pass bytes on at once; a driver that cannot is left as it is.
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
} // namespace

QSerialTransport::QSerialTransport(const QString& devicePath, QObject* parent) : SerialTransport(parent)
{
    m_port.setPortName(devicePath);
    connect(&m_port, &QSerialPort::readyRead, this, &SerialTransport::DataArrived);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QSerialTransport::OnError);
}

bool QSerialTransport::Open(QString* systemText)
{
    m_lineErrors = {};
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
    const bool ok = m_port.setBaudRate(baud) && m_port.setDataBits(QSerialPort::Data8) &&
                    m_port.setParity(QSerialPort::NoParity) && m_port.setStopBits(QSerialPort::OneStop) &&
                    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!ok && systemText)
        *systemText = m_port.errorString();
    return ok;
}

void QSerialTransport::Close()
{
    if (m_port.isOpen())
        m_port.close();
}

bool QSerialTransport::Write(const QByteArray& bytes, QString* systemText)
{
    if (!m_port.isOpen() || m_port.write(bytes) != bytes.size()) {
        if (systemText)
            *systemText = m_port.errorString();
        return false;
    }
    m_port.flush();
    return true;
}

QByteArray QSerialTransport::Take(qint64 maxCount)
{
    return m_port.read(maxCount);
}

bool QSerialTransport::Purge(bool receive, bool transmit, QString* systemText)
{
    QSerialPort::Directions directions;
    if (receive)
        directions |= QSerialPort::Input;
    if (transmit)
        directions |= QSerialPort::Output;
    if (!directions)
        return true;
    if (!m_port.clear(directions)) {
        if (systemText)
            *systemText = m_port.errorString();
        return false;
    }
    return true;
}

bool QSerialTransport::SetDtr(bool raised, QString* systemText)
{
    if (!m_port.setDataTerminalReady(raised)) {
        if (systemText)
            *systemText = m_port.errorString();
        return false;
    }
    return true;
}

LineErrors QSerialTransport::TakeLineErrors(bool* queryOk)
{
    if (queryOk)
        *queryOk = m_port.isOpen();
    const LineErrors errors = m_lineErrors;
    m_lineErrors = {};
    return errors;
}

LineErrors QSerialTransport::LineErrorsOf(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::ResourceError: return LineError::IoError;
    case QSerialPort::UnsupportedOperationError: return LineError::ModeNotSupported;
    default: return LineError::None;
    }
}

void QSerialTransport::OnError(QSerialPort::SerialPortError error)
{
    m_lineErrors |= LineErrorsOf(error);
}
