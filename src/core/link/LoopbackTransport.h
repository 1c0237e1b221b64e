#pragma once

#include "core/link/SerialTransport.h"

class BoxEndpoint;

// A transport wired straight to a box endpoint in the same process (normally the simulator), for
// fast tests and demonstrations. Writes reach the endpoint at once; its bytes are queued here
// until taken. The endpoint must outlive the transport while it is open.
class LoopbackTransport : public SerialTransport
{
    Q_OBJECT
public:
    LoopbackTransport(BoxEndpoint& endpoint, const QString& target, QObject* parent = nullptr);
    ~LoopbackTransport() override;

    QString Target() const override { return m_target; }
    bool Open(QString* systemText) override;
    bool Configure(qint32 baud, QString* systemText) override;
    void Close() override;
    bool IsOpen() const override { return m_open; }
    bool Write(const QByteArray& bytes, QString* systemText) override;
    qint64 BytesAvailable() const override { return m_received.size(); }
    QByteArray Take(qint64 maxCount) override;
    bool Purge(bool receive, bool transmit, QString* systemText) override;
    bool SetDtr(bool raised, QString* systemText) override;
    LineErrors TakeLineErrors(bool* queryOk) override;

    bool DtrRaised() const { return m_dtr; }

private:
    BoxEndpoint& m_endpoint;
    QString m_target;
    QByteArray m_received;
    bool m_open = false;
    bool m_dtr = false;
};
