#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <functional>

// The far end of a serial line as a box sees it: what the host does to the line arrives here, and
// what the box sends goes to the attached sink. The box simulator implements it; the loopback
// transport and the network serial server drive it.
class BoxEndpoint
{
public:
    using Sink = std::function<void(const QByteArray&)>;

    virtual ~BoxEndpoint() = default;

    // Where the box's bytes go from now on; an empty sink detaches the host (bytes are dropped).
    virtual void AttachHost(Sink sink) = 0;
    // The host's side of the line now runs at baud (8N1).
    virtual void HostLineRate(qint32 baud) = 0;
    // The host raised or dropped DTR.
    virtual void HostDtr(bool raised) = 0;
    // Bytes the host wrote, in order.
    virtual void HostBytes(const QByteArray& bytes) = 0;
};
