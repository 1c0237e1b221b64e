#include "core/link/LoopbackTransport.h"

#include "core/link/BoxEndpoint.h"

#include <QPointer>

LoopbackTransport::LoopbackTransport(BoxEndpoint& endpoint, const QString& target, QObject* parent)
    : SerialTransport(parent), m_endpoint(endpoint), m_target(target)
{
}

LoopbackTransport::~LoopbackTransport()
{
    Close();
}

bool LoopbackTransport::Open(QString* systemText)
{
    if (m_open) {
        if (systemText)
            *systemText = QStringLiteral("The port is already open.");
        return false;
    }
    m_open = true;
    m_received.clear();
    QPointer<LoopbackTransport> self(this);
    m_endpoint.AttachHost([self](const QByteArray& bytes) {
        if (!self || !self->m_open)
            return;
        self->m_received += bytes;
        emit self->DataArrived();
    });
    return true;
}

bool LoopbackTransport::Configure(qint32 baud, QString* systemText)
{
    if (!m_open) {
        if (systemText)
            *systemText = QStringLiteral("The port is not open.");
        return false;
    }
    m_endpoint.HostLineRate(baud);
    return true;
}

void LoopbackTransport::Close()
{
    if (!m_open)
        return;
    m_open = false;
    m_received.clear();
    m_endpoint.AttachHost({});
}

bool LoopbackTransport::Write(const QByteArray& bytes, QString* systemText)
{
    if (!m_open) {
        if (systemText)
            *systemText = QStringLiteral("The port is not open.");
        return false;
    }
    m_endpoint.HostBytes(bytes);
    return true;
}

QByteArray LoopbackTransport::Take(qint64 maxCount)
{
    const QByteArray out = m_received.left(maxCount);
    m_received.remove(0, out.size());
    return out;
}

bool LoopbackTransport::Purge(bool receive, bool, QString* systemText)
{
    if (!m_open) {
        if (systemText)
            *systemText = QStringLiteral("The port is not open.");
        return false;
    }
    if (receive)
        m_received.clear();
    return true;
}

bool LoopbackTransport::SetDtr(bool raised, QString* systemText)
{
    if (!m_open) {
        if (systemText)
            *systemText = QStringLiteral("The port is not open.");
        return false;
    }
    m_dtr = raised;
    m_endpoint.HostDtr(raised);
    return true;
}

LineErrors LoopbackTransport::TakeLineErrors(bool* queryOk)
{
    if (queryOk)
        *queryOk = true;
    return LineError::None;
}
