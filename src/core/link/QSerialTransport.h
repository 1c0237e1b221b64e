#pragma once

#include "core/link/SerialTransport.h"

#include <QSerialPort>

// A serial device (a COM port, /dev/ttyUSB0, a pseudo-terminal) through QSerialPort. The device is
// opened exclusively; on Linux the driver is asked for low-latency receive where it allows it.
//
// Opening and configuring never touch the modem lines, so a device without them (a
// pseudo-terminal, a bridge without DTR wiring) opens at either rate. Raising or dropping DTR on
// such a device fails with the driver's reason ("Inappropriate ioctl for device"): a reset pulse
// that could not be made is never reported as made.
//
// A device that goes away while open (unplugged, or the far end of a pseudo-terminal closed)
// ends the transport: it reports itself closed at once, keeps an I/O error as the line error of
// the failed transfer, and closes the device on the next pass of the event loop (QSerialPort
// itself would keep signalling the dead descriptor). Failures of the control calls (Configure,
// Purge, SetDtr) are reported by their own result and are not kept as line errors.
class QSerialTransport : public SerialTransport
{
    Q_OBJECT
public:
    explicit QSerialTransport(const QString& devicePath, QObject* parent = nullptr);

    // The path as given (QSerialPort's port name drops the directory of a device under /dev).
    QString Target() const override { return m_target; }
    bool Open(QString* systemText) override;
    bool Configure(qint32 baud, QString* systemText) override;
    void Close() override;
    bool IsOpen() const override { return m_port.isOpen() && !m_lost; }
    bool Write(const QByteArray& bytes, QString* systemText) override;
    qint64 BytesAvailable() const override { return IsOpen() ? m_port.bytesAvailable() : 0; }
    QByteArray Take(qint64 maxCount) override;
    bool Purge(bool receive, bool transmit, QString* systemText) override;
    bool SetDtr(bool raised, QString* systemText) override;
    LineErrors TakeLineErrors(bool* queryOk) override;

private:
    // Marks a control call in progress: its errors are its own result, not line errors.
    class ControlCall;

    void OnError(QSerialPort::SerialPortError error);
    // True when the open device has hung up or vanished (the error is what QSerialPort reported).
    bool DeviceGone(QSerialPort::SerialPortError error) const;
    void Lose(LineErrors lineErrors, const QString& reason);

    QString m_target;
    QSerialPort m_port;
    LineErrors m_lineErrors;
    int m_controlCalls = 0;
    bool m_lost = false;
    QString m_lostReason;
};
