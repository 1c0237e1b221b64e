#pragma once

#include "core/link/PortError.h"

#include <QByteArray>
#include <QObject>
#include <QString>

// One way of reaching the programmer box: a serial device, a network serial port (RFC 2217) or an
// in-process simulator. The link's port layer (LinkPort) drives it; every call returns at once
// (nothing here blocks), and received bytes are collected until taken, with DataArrived emitted
// whenever some arrive. Failing calls return false and put the system's reason into *systemText.
class SerialTransport : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // The device path or URL this transport was made for.
    virtual QString Target() const = 0;

    virtual bool Open(QString* systemText) = 0;
    // 8 data bits, no parity, 1 stop bit, no flow control, at baud.
    virtual bool Configure(qint32 baud, QString* systemText) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;

    virtual bool Write(const QByteArray& bytes, QString* systemText) = 0;
    virtual qint64 BytesAvailable() const = 0;
    // Takes up to maxCount received bytes (fewer, or none, when fewer have arrived).
    virtual QByteArray Take(qint64 maxCount) = 0;

    // Discards received bytes not yet taken (receive) and bytes not yet sent (transmit).
    virtual bool Purge(bool receive, bool transmit, QString* systemText) = 0;
    virtual bool SetDtr(bool raised, QString* systemText) = 0;

    // The line errors reported since the last call, which clears them. *queryOk is false when
    // the transport could not tell.
    virtual LineErrors TakeLineErrors(bool* queryOk) = 0;

signals:
    void DataArrived();
};
