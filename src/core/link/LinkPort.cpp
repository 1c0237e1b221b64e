#include "core/link/LinkPort.h"

#include "core/context/HistoryLog.h"
#include "core/context/OperatorInterface.h"
#include "core/context/ProgramFlags.h"
#include "core/link/BoxProtocol.h"
#include "core/link/LinkPortHooks.h"
#include "core/link/PortFactory.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace {
LinkPortHooks& NoHooks()
{
    static LinkPortHooks none;
    return none;
}
} // namespace

LinkPort::LinkPort(HistoryLog& history, OperatorInterface& op, const ProgramFlags& flags, const PortFactory& factory,
                   QObject* parent)
    : QObject(parent), m_history(history), m_operator(op), m_flags(flags), m_factory(factory), m_hooks(&NoHooks()),
      m_resolver(&LinkPort::DefaultPortTarget)
{
}

LinkPort::~LinkPort()
{
    if (m_transport)
        m_transport->Close();
}

void LinkPort::SetHooks(LinkPortHooks* hooks)
{
    m_hooks = hooks ? hooks : &NoHooks();
}

QString LinkPort::DefaultPortTarget(int portNumber)
{
    const QByteArray variable = "PRAXON_COM" + QByteArray::number(portNumber);
    const QString fromEnvironment = qEnvironmentVariable(variable.constData());
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(portNumber);
#else
    return QStringLiteral("/dev/ttyUSB%1").arg(portNumber - 1);
#endif
}

bool LinkPort::OpenPort(int portNumber, const QString& baudText)
{
    return OpenTarget(m_resolver(portNumber), baudText);
}

bool LinkPort::OpenTarget(const QString& target, const QString& baudText)
{
    ClosePort();
    m_transport = m_factory.CreateTransport(target);
    connect(m_transport.get(), &SerialTransport::DataArrived, this, &LinkPort::DataArrived);

    QString systemText;
    if (!m_transport->Open(&systemText)) {
        ReportPortError(PortErrorCategory::Opening, systemText);
        m_transport.reset();
        return true;
    }
    bool baudOk = false;
    const qint32 baud = baudText.toInt(&baudOk);
    if (!baudOk || baud <= 0) {
        ReportPortError(PortErrorCategory::BuildingDcb, QStringLiteral("The line rate %1 is not valid.").arg(baudText));
        ClosePort();
        return true;
    }
    m_baud = baud;
    if (!m_transport->Configure(baud, &systemText)) {
        ReportPortError(PortErrorCategory::SettingState, systemText);
        ClosePort();
        return true;
    }
    m_hooks->PortOpened();
    m_programmerReady = true;
    // A 57600 open always resets the box; the 115200 reopen after the speed change must not.
    if (baud != BoxProtocol::HighBaud)
        HardwareReset();
    // A reset pulse that failed has already closed the port: that open failed too.
    const bool failed = m_hooks->StopRequested() || !m_transport || !m_transport->IsOpen();
    if (failed)
        ClosePort();
    return failed;
}

void LinkPort::ClosePort()
{
    m_hooks->PortClosed();
    m_programmerReady = false;
    if (m_transport) {
        m_transport->Close();
        m_transport.reset();
    }
}

bool LinkPort::WritePort(const QByteArray& bytes)
{
    m_hooks->WriteStarted();
    QString systemText;
    if (m_transport && m_transport->Write(bytes, &systemText)) {
        m_clock->BytesSent(int(bytes.size()), m_baud);
        return true;
    }
    m_hooks->WriteFailed();
    if (!m_transport)
        systemText = QStringLiteral("The port is not open.");
    ReportTransferError(PortErrorCategory::WriteFailed, systemText);
    return false;
}

QByteArray LinkPort::ReadPort(int count)
{
    if (!m_transport || !m_transport->IsOpen()) {
        ReportTransferError(PortErrorCategory::ReadFailed, QStringLiteral("The port is not open."));
        return {};
    }
    const qint64 started = m_clock->NowMs();
    const int totalMs = ReadTotalMs + ReadPerByteMs * count;
    QByteArray out = m_transport->Take(count);
    qint64 lastByte = started;
    while (out.size() < count) {
        const qint64 before = out.size();
        const qint64 now = m_clock->NowMs();
        const int remaining = int(totalMs - (now - started));
        if (remaining <= 0)
            break;
        // Before the first byte only the total time-out applies; after it, a quiet gap ends the read.
        const int wait = out.isEmpty() ? remaining : qMin(remaining, int(ReadIntervalMs - (now - lastByte)));
        if (wait <= 0)
            break;
        m_clock->WaitFor([this] { return !m_transport || !m_transport->IsOpen() || m_transport->BytesAvailable() > 0; },
                         wait);
        if (!m_transport || !m_transport->IsOpen()) {
            ReportTransferError(PortErrorCategory::ReadFailed, QStringLiteral("The connection to the port was lost."));
            return {};
        }
        out += m_transport->Take(count - out.size());
        if (out.size() > before)
            lastByte = m_clock->NowMs();
    }
    return out;
}

void LinkPort::PurgePort(bool receive, bool transmit)
{
    QString systemText;
    if (m_transport && m_transport->Purge(receive, transmit, &systemText))
        return;
    if (!m_transport)
        systemText = QStringLiteral("The port is not open.");
    ReportPortError(PortErrorCategory::Flushing, systemText);
    ClosePort();
}

void LinkPort::Pause()
{
    // StopPause (from an event handled meanwhile) ends the pause early.
    m_pausing = true;
    m_clock->WaitFor([this] { return !m_pausing; }, m_pauseMs);
    m_pausing = false;
}

void LinkPort::HardwareReset()
{
    m_hooks->MarkHardwareNotAvailable();
    if (m_programmerReady)
        m_hooks->ClearErrorWord();
    m_hooks->ResetLinkState();
    PurgePort(true, true);
    if (!m_transport)
        return;
    QString systemText;
    if (!m_transport->SetDtr(true, &systemText) || !m_transport->SetDtr(false, &systemText)) {
        ReportPortError(PortErrorCategory::Handshake, systemText);
        ClosePort();
        return;
    }
    Pause();
    m_hooks->FirmwareHandshake();
}

bool LinkPort::PulseDtr()
{
    if (!m_transport || !m_transport->IsOpen())
        return false;
    m_programmerReady = false;
    PurgePort(true, true);
    QString systemText;
    if (!m_transport->SetDtr(true, &systemText) || !m_transport->SetDtr(false, &systemText)) {
        ReportPortError(PortErrorCategory::Handshake, systemText);
        ClosePort();
        return false;
    }
    return true;
}

void LinkPort::ReportPortError(PortErrorCategory category, const QString& systemText)
{
    const QString text = PortSystemText(systemText);
    const QString caption = PortErrorText(category);
    m_history.AddLine(caption + QStringLiteral(": "), HistoryStyle::Error);
    m_history.AddLine(QStringLiteral("  ") + text, HistoryStyle::Error);
    if (m_flags.ExitOnErrors)
        return;
    MessageRequest box;
    box.caption = caption;
    box.text = caption + QStringLiteral(": ") + QStringLiteral("\r") + text;
    box.icon = BoxIcon::Error;
    box.sound = SoundKind::Error;
    box.buttons = OkButton;
    box.defaultButton = OkButton;
    m_operator.ShowMessage(box);
}

void LinkPort::ReportTransferError(PortErrorCategory fallback, const QString& systemText)
{
    bool queryOk = false;
    const LineErrors errors = m_transport ? m_transport->TakeLineErrors(&queryOk) : LineErrors();
    ReportPortError(ChooseLineErrorCategory(errors, queryOk, fallback), systemText);
    ClosePort();
}
