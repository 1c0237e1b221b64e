#pragma once

#include "core/link/SerialTransport.h"

#include <QHash>
#include <QString>
#include <memory>

class BoxEndpoint;

// Makes the transport for a port target:
//   "rfc2217://host:port"  a network serial port (RFC 2217);
//   "loop://name"          an in-process box registered here under name (tests, demonstrations);
//   anything else          a serial device path for QSerialPort ("/dev/ttyUSB0", "COM3").
// The transport is returned closed. A loop:// name that is not registered gives a transport
// whose Open fails with a reason the operator can read.
class PortFactory
{
public:
    void RegisterLoopback(const QString& name, BoxEndpoint* endpoint);
    void UnregisterLoopback(const QString& name);

    std::unique_ptr<SerialTransport> CreateTransport(const QString& target) const;

private:
    QHash<QString, BoxEndpoint*> m_loopbacks;
};
