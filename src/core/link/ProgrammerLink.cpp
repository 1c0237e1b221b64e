#include "core/link/ProgrammerLink.h"

#include "core/context/AppContext.h"
#include "core/image/InformationReport.h"
#include "core/link/ErrorReport.h"

ProgrammerLink::ProgrammerLink(AppContext& ctx, QObject* parent)
    : QObject(parent), m_ctx(ctx), m_errors(ctx.Flags(), [&ctx](int code) { ctx.Exit().SetWord(code); }),
      m_port(ctx.History(), ctx.Operator(), ctx.Flags(), m_factory),
      m_link(m_port, m_errors, ctx.Flags(), ctx.Options(), m_progress)
{
    // A port, response, bad-data or speed failure means the programmer can no longer be used.
    // A port name opens the device the workstation's port map gives it.
    m_port.SetPortResolver([&ctx](int portNumber) { return ctx.Workstation().PortTarget(portNumber); });
    m_errors.SetHardFaultHandler([this] { m_port.SetProgrammerReady(false); });
    m_link.SetHandshake([this] { FirmwareHandshake(); });
    m_link.SetMarkNotAvailable([this] { MarkHardwareNotAvailable(); });
    connect(&m_identity, &ProgrammerIdentity::Changed, this, [this] {
        HardwareInformation& h = m_ctx.Hardware();
        h.identified = m_identity.Identified();
        h.revision = m_identity.Revision();
        h.modification = m_identity.Modification();
        h.modificationFlags = m_identity.ModificationFlags();
        h.hardwareVersion = m_identity.HardwareVersion();
        h.bootVersion = m_identity.BootLoaderId();
        h.firmwareVersion = m_identity.FirmwareVersion();
        h.serialNumber = m_identity.SerialNumber();
    });
}

ProgrammerLink::~ProgrammerLink() = default;

bool ProgrammerLink::ReportErrors()
{
    ErrorReportContext report{m_errors,
                              m_ctx.History(),
                              m_ctx.Operator(),
                              m_ctx.Flags(),
                              m_ctx.Window(),
                              PortName(),
                              m_portErrorText,
                              m_hooks.poweredForOperation ? m_hooks.poweredForOperation() : false,
                              [this] { MarkHardwareNotAvailable(); }};
    return ::ReportErrors(report);
}

void ProgrammerLink::ResetRunState()
{
    if (m_hooks.resetRunState) {
        m_hooks.resetRunState();
        return;
    }
    m_errors.ClearError(0);
    m_ctx.Flags().StopRequested = false;
}

bool ProgrammerLink::ShowNotice(const NoticeRequest& request)
{
    return m_ctx.Operator().ShowNotice(request);
}

void ProgrammerLink::MarkHardwareNotAvailable()
{
    m_identity.MarkHardwareNotAvailable();
}
