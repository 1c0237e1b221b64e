#pragma once

#include "link/SerialTransport.h"

#include <QSerialPort>

// A serial device (a COM port, /dev/ttyUSB0, a pseudo-terminal) through QSerialPort. The device is
// opened exclusively; driver errors are kept as line errors for the category of a failed
// read or write (resource errors count as I/O errors, unsupported operations as the mode error).
class QSerialTransport : public SerialTransport
{
    Q_OBJECT
public:
    explicit QSerialTransport(const QString& devicePath, QObject* parent = nullptr);

    QString Target() const override { return m_port.portName(); }
    bool Open(QString* systemText) override;
    bool Configure(qint32 baud, QString* systemText) override;
    void Close() override;
    bool IsOpen() const override { return m_port.isOpen(); }
    bool Write(const QByteArray& bytes, QString* systemText) override;
    qint64 BytesAvailable() const override { return m_port.bytesAvailable(); }
    QByteArray Take(qint64 maxCount) override;
    bool Purge(bool receive, bool transmit, QString* systemText) override;
    bool SetDtr(bool raised, QString* systemText) override;
    LineErrors TakeLineErrors(bool* queryOk) override;

    // The line error a QSerialPort error stands for (None when it names no line condition).
    static LineErrors LineErrorsOf(QSerialPort::SerialPortError error);

private:
    void OnError(QSerialPort::SerialPortError error);

    QSerialPort m_port;
    LineErrors m_lineErrors;
};
