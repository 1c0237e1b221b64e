// The reset of the programmer and the negotiation of the link speed.
#include "core/context/AppContext.h"
#include "core/devices/SupportFiles.h"
#include "core/image/InformationReport.h"
#include "core/link/BoxProtocol.h"
#include "core/link/ProgrammerLink.h"
#include "core/model/OptionIndex.h"

#include <exception>

using Bit = LinkErrorWord::Bit;

namespace {
const QString NormalBaudText = QStringLiteral("57600");
const QString HighBaudText = QStringLiteral("115200");

// An exception's message as the port error text: it names the port rather than a file or path,
// and its final character (a full stop or line end) goes.
QString PortErrorTextOf(QString message)
{
    const int file = message.indexOf(QStringLiteral("file"));
    if (file >= 0)
        message.replace(file, 4, QStringLiteral("Port"));
    const int path = message.indexOf(QStringLiteral("path"));
    if (path >= 0)
        message.replace(path, 4, QStringLiteral("Port"));
    message.chop(1);
    return message;
}
} // namespace

int ProgrammerLink::PortNumber() const
{
    return m_ctx.Window().PortIndex() + 1;
}

QString ProgrammerLink::PortName() const
{
    return QStringLiteral("COM%1").arg(PortNumber());
}

void ProgrammerLink::ShowStatus(bool show, int index)
{
    m_status.Show(show, index, m_ctx.Flags().MinimizeOnStartup);
    if (!show)
        m_port.Pause();
}

void ProgrammerLink::ResetProgrammer()
{
    ProgramFlags& flags = m_ctx.Flags();
    ResetRunState();
    // A ready programmer already configured for this device needs nothing.
    if (m_port.ProgrammerReady() && QChar::fromLatin1(m_link.ConfigVersion()) == ExpectedConfigLetter())
        return;

    // The reset after a download runs inside the reset that made it; the next outermost reset
    // may download again.
    ++m_resetDepth;
    struct DepthGuard {
        int& depth;
        bool& downloaded;
        ~DepthGuard()
        {
            if (--depth == 0)
                downloaded = false;
        }
    } depthGuard{m_resetDepth, m_imageDownloaded};

    ShowStatus(true, LinkStatus::CheckingStatus);
    MarkHardwareNotAvailable();
    m_port.SetProgrammerReady(false);
    m_link.ClearFirstTimeout();
    const int port = PortNumber();
    const bool cycleRunning = m_hooks.cycleRunning && m_hooks.cycleRunning();
    if (flags.AutoRunArmed && !cycleRunning)
        m_ctx.Window().SetStatusText(QStringLiteral("READY"));

    m_ctx.History().AddLine(QStringLiteral(" "), HistoryStyle::Normal);
    m_ctx.History().AddLine(QStringLiteral("Resetting Praxon.."), HistoryStyle::Normal);

    try {
        const bool failed = m_port.OpenPort(port, NormalBaudText);
        if (failed || flags.StopRequested) {
            ShowStatus(false, LinkStatus::PortCommunicationError);
            m_port.SetProgrammerReady(false);
        } else {
            ShowStatus(true, LinkStatus::CommunicationOk);
            m_port.SetProgrammerReady(true);
            if (!m_ctx.Profile().serial) {
                const quint8 enabled = m_hooks.enabledSockets ? m_hooks.enabledSockets() : BoxProtocol::SocketA;
                if (enabled & ~BoxProtocol::SocketA) {
                    m_ctx.Operator().ShowError(QStringLiteral("Gang Support Error"),
                                               QStringLiteral("Gang Support is not available for Parallel MCU "
                                                              "devices.\rPlease connect a single socket programming "
                                                              "adapter."));
                }
                if (!m_configurationNeeded && !m_firmwareSyncRequested)
                    HardwareModificationNotice();
                m_link.Command(BoxProtocol::CmdParallelMode, true);
            }
            if (flags.StopRequested) {
                ShowStatus(false, LinkStatus::ConfigurationError);
                m_port.SetProgrammerReady(false);
            } else {
                NegotiateSpeed();
            }
        }
    } catch (const std::exception& fault) {
        ShowStatus(false, LinkStatus::PortConfigurationError);
        m_errors.RecordError(Bit::PortError);
        m_portErrorText = PortErrorTextOf(QString::fromLocal8Bit(fault.what()));
        m_port.SetProgrammerReady(false);
    }

    m_progress.SetPosition(0);
    BuildInformationReport(m_ctx);
    if (m_hooks.afterReset)
        m_hooks.afterReset();
}

void ProgrammerLink::NegotiateSpeed()
{
    ProgramFlags& flags = m_ctx.Flags();
    const int port = PortNumber();
    if (m_configurationNeeded) {
        // The reopen resets the box; once start-up is over the handshake loads the configuration.
        if (m_port.OpenPort(port, NormalBaudText)) {
            ShowStatus(false, LinkStatus::PortCommunicationError);
            m_port.SetProgrammerReady(false);
            return;
        }
    }
    if (m_ctx.Options().Raw(OptionIndex::HighSpeed) == 0) {
        ShowStatus(false, LinkStatus::CommunicationOk);
        return;
    }
    if (m_link.HighSpeedFailed()) {
        ShowStatus(false, LinkStatus::KeepingNormalSpeed);
        m_port.SetProgrammerReady(true);
        return;
    }

    ShowStatus(true, LinkStatus::TestingHighSpeed);
    m_link.SetHighSpeedTrial(true);
    m_link.Command(BoxProtocol::CmdHighSpeed, true);
    m_port.Pause();

    const bool failed = m_port.OpenPort(port, HighBaudText);
    if (failed || flags.StopRequested) {
        ShowStatus(false, LinkStatus::HighSpeedFailed);
        m_port.SetProgrammerReady(false);
        m_link.SetHighSpeedFailed(true);
        m_errors.RecordError(Bit::HighSpeedFailed);
    } else {
        // Prove the faster line: bring the box to a known state and read its identity again.
        m_link.SendAbortEscape();
        m_port.Pause();
        const bool differs = flags.StopRequested || CompareIdentification();
        if (flags.StopRequested || differs) {
            m_errors.RecordError(Bit::HighSpeedFailed);
            m_port.SetProgrammerReady(false);
            m_link.SetHighSpeedFailed(true);
            ShowStatus(false, LinkStatus::HighSpeedFailed);
        } else {
            ShowStatus(false, LinkStatus::CommunicationOk);
            m_port.SetProgrammerReady(true);
            m_link.SetHighSpeedFailed(false);
        }
    }
    m_link.SetHighSpeedTrial(false);
}

void ProgrammerLink::ResetAfterLinkError()
{
    if (!m_errors.Has(Bit::BadData | Bit::NotResponding) || !m_port.IsOpen())
        return;
    m_link.ResetLinkStateFull();
    MarkHardwareNotAvailable();
    if (m_port.PulseDtr())
        m_ctx.History().AddLine(QStringLiteral(" Link Error: Praxon Reset, Target Power Off "), HistoryStyle::Error);
}

void ProgrammerLink::ResetCommand()
{
    m_status.SetIntervalMs(LinkStatus::InitialIntervalMs);
    if (m_hooks.busyMode)
        m_hooks.busyMode(true);
    const QString text = QStringLiteral("Resetting Port:") + PortName();
    m_ctx.Window().SetStatusText(text);
    m_port.SetProgrammerReady(false);
    ResetProgrammer();
    ReportReset(text, !m_ctx.Flags().StopRequested);
    if (m_hooks.busyMode)
        m_hooks.busyMode(false);
}

void ProgrammerLink::ReportReset(const QString& text, bool ok)
{
    if (ok) {
        m_ctx.Window().SetStatusText(text + QStringLiteral(" Success"));
        m_ctx.History().AddLine(text + QStringLiteral(" Success"), HistoryStyle::Normal);
        return;
    }
    m_ctx.Window().SetStatusText(text + QStringLiteral(" Failed"));
    ReportErrors();
}

void ProgrammerLink::SynchronizeFirmwareCommand()
{
    if (m_ctx.Flags().StopRequested)
        ResetRunState();
    m_firmwareSyncRequested = true;
    if (CheckSupportFiles(m_ctx)) {
        m_port.SetProgrammerReady(false);
        ResetCommand();
    }
}

void ProgrammerLink::PortChangedCommand()
{
    if (m_hooks.busyMode)
        m_hooks.busyMode(true);
    const QString text = QStringLiteral("Opening Port:") + PortName();
    m_ctx.Window().SetStatusText(text);
    ResetProgrammer();
    ReportReset(text, !m_ctx.Flags().StopRequested);
    if (m_hooks.busyMode)
        m_hooks.busyMode(false);
}

void ProgrammerLink::ClearLedsCommand()
{
    if ((m_hooks.cycleRunning && m_hooks.cycleRunning()) || m_ctx.Flags().StartupInProgress)
        return;
    if (m_hooks.busyMode)
        m_hooks.busyMode(true);
    const QString text = QStringLiteral("Clearing Errors");
    m_ctx.Window().SetStatusText(text);
    ResetProgrammer();
    ReportReset(text, !m_ctx.Flags().StopRequested);
    if (!m_ctx.Flags().StopRequested)
        m_link.Command(BoxProtocol::CmdClearErrors, true);
    if (m_hooks.busyMode)
        m_hooks.busyMode(false);
}
