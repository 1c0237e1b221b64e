#include "core/link/PortFactory.h"

#include "core/link/LoopbackTransport.h"
#include "core/link/QSerialTransport.h"
#include "core/link/Rfc2217Transport.h"

namespace {

// A loop:// target without a registered box: opening it fails like a missing device.
class MissingTransport : public SerialTransport
{
public:
    explicit MissingTransport(const QString& target) : m_target(target) {}
    QString Target() const override { return m_target; }
    bool Open(QString* systemText) override
    {
        if (systemText)
            *systemText = QStringLiteral("The system cannot find the path specified: %1").arg(m_target);
        return false;
    }
    bool Configure(qint32, QString*) override { return false; }
    void Close() override {}
    bool IsOpen() const override { return false; }
    bool Write(const QByteArray&, QString*) override { return false; }
    qint64 BytesAvailable() const override { return 0; }
    QByteArray Take(qint64) override { return {}; }
    bool Purge(bool, bool, QString*) override { return false; }
    bool SetDtr(bool, QString*) override { return false; }
    LineErrors TakeLineErrors(bool* queryOk) override
    {
        if (queryOk)
            *queryOk = false;
        return {};
    }

private:
    QString m_target;
};

} // namespace

void PortFactory::RegisterLoopback(const QString& name, BoxEndpoint* endpoint)
{
    m_loopbacks.insert(name, endpoint);
}

void PortFactory::UnregisterLoopback(const QString& name)
{
    m_loopbacks.remove(name);
}

std::unique_ptr<SerialTransport> PortFactory::CreateTransport(const QString& target) const
{
    if (target.startsWith(QStringLiteral("rfc2217://"), Qt::CaseInsensitive))
        return std::make_unique<Rfc2217Transport>(target);
    if (target.startsWith(QStringLiteral("loop://"), Qt::CaseInsensitive)) {
        const QString name = target.mid(7);
        BoxEndpoint* endpoint = m_loopbacks.value(name, nullptr);
        if (!endpoint)
            return std::make_unique<MissingTransport>(target);
        return std::make_unique<LoopbackTransport>(*endpoint, target);
    }
    return std::make_unique<QSerialTransport>(target);
}
