#include "core/engine/DualVppTest.h"

#include "core/context/AppContext.h"
#include "core/devices/SupportFiles.h"
#include "core/engine/EngineState.h"
#include "core/engine/PowerSequencer.h"
#include "core/engine/TargetMonitor.h"
#include "core/link/BoxProtocol.h"
#include "core/link/LinkClock.h"
#include "core/link/ProgrammerLink.h"
#include "core/model/DeviceProfile.h"

using Bit = LinkErrorWord::Bit;

namespace {
constexpr int Vpp = PowerSequencer::VppSupply;
constexpr int ResultColumn = 34;
const QString Title = QStringLiteral("Performing Dual VPP Voltage Test...");
} // namespace

DualVppTest::DualVppTest(AppContext& ctx, ProgrammerLink& link, EngineState& state, TargetMonitor& monitor,
                         PowerSequencer& power)
    : m_ctx(ctx), m_link(link), m_state(state), m_monitor(monitor), m_power(power)
{
}

bool DualVppTest::Stopped() const
{
    return m_ctx.Flags().StopRequested;
}

bool DualVppTest::Ready() const
{
    return m_link.Port().ProgrammerReady();
}

void DualVppTest::SendVoltageMode(quint8 mode)
{
    if (Stopped())
        return;
    BoxLink& box = m_link.Box();
    box.Command(BoxProtocol::CmdVoltageMode, false);
    if (!Stopped()) {
        box.SendData(mode, true, BoxLink::ClassDone);
        box.WaitAllReplies();
    }
}

bool DualVppTest::WatchRange(int& v)
{
    BoxLink& box = m_link.Box();
    box.Command(BoxProtocol::CmdVppOn, false);
    m_power.CheckSupplyStep(Vpp);
    v = m_state.VppReading;
    box.SendEscape(BoxProtocol::EscConfirm, BoxLink::ClassDone, 1, true);
    // The watch runs on the link's clock, as the box's own timing does.
    const LinkClock& clock = m_link.Port().Clock();
    const qint64 started = clock.NowMs();
    while (clock.NowMs() - started < WatchMs && !Stopped()) {
        m_power.ReadSupply(Vpp);
        if (Stopped())
            break;
        v = m_state.VppReading;
        m_power.ShowReading(Vpp, v, true, false);
        if (v < m_state.VppLow || v > m_state.VppHigh) {
            const bool low = v < m_state.VppLow;
            m_power.SupplyOff(Vpp);
            v = qMax(v, int(m_state.VppReading));
            m_power.ShowVoltageError(3, v, Vpp);
            m_monitorShowing = false;
            m_link.Errors().RecordError(low ? Bit::MclrTooLow : Bit::MclrTooHigh);
            return false;
        }
    }
    return true;
}

bool DualVppTest::Run()
{
    bool passed = false;
    m_monitorShowing = false;
    m_link.Errors().ClearError(0);
    m_link.ResetProgrammer();
    if (!Ready() || Stopped())
        return false;

    HistoryLog& history = m_ctx.History();
    m_state.VoltageSeen = true;
    m_monitor.Reset();
    m_link.Box().Command(BoxProtocol::CmdPrepareVoltageTest, true);
    if (!Ready() || Stopped()) {
        m_link.Errors().ClearError(0);
        m_link.ResetProgrammer();
        if (!Stopped())
            m_link.Box().Command(BoxProtocol::CmdPrepareVoltageTest, true);
    }
    if (!m_ctx.Profile().serial && !Stopped())
        m_link.Box().Command(BoxProtocol::CmdParallelMode, true);

    // The standard range.
    m_state.VppLow = 196;
    m_state.VppHigh = 220;
    SendVoltageMode(3);
    history.AddLine(QStringLiteral(" "));
    int v = 0;
    bool rangePassed = false;
    if (!Stopped()) {
        m_monitor.ShowWait(Title, QStringLiteral(" "), QStringLiteral("0.0"));
        m_monitorShowing = true;
        history.AddLine(Title, HistoryStyle::FileInformation);
        history.AddLine(QString(47, u'_'), HistoryStyle::FileInformation);
        m_monitor.SetTexts(QString(), QStringLiteral("Testing High Range..."), HistoryColour::WindowText(), QString());
        history.AddLine(QStringLiteral("Testing High Range..."));
        rangePassed = WatchRange(v);
        if (!Stopped())
            m_power.SupplyOff(Vpp);
        m_power.ShowReading(Vpp, v, true, true);
    }

    // The reduced range, only after the standard one held.
    if (rangePassed && !Stopped()) {
        m_state.VppLow = 160;
        m_state.VppHigh = 192;
        SendVoltageMode(0);
        if (!Stopped()) {
            m_monitor.SetTexts(QString(), QStringLiteral("Testing Low Range..."), HistoryColour::WindowText(),
                               QString());
            history.AddLine(QStringLiteral(" "));
            history.AddLine(QStringLiteral("Testing Low Range..."));
            rangePassed = WatchRange(v);
            if (!Stopped()) {
                m_power.SupplyOff(Vpp);
                passed = rangePassed;
            }
            m_power.ShowReading(Vpp, v, true, true);
        }
    }

    if (m_monitorShowing)
        m_monitor.CloseSoon();
    history.AddLine(QString(47, QChar(0xAF)));
    history.AddLine(QStringLiteral("Dual VPP Test:"));
    const bool ok = passed && !Stopped();
    if (ok)
        history.AppendColumn(QStringLiteral("OK"), ResultColumn, HistoryStyle::Normal);
    else
        history.AppendColumn(QStringLiteral("Failed"), ResultColumn, HistoryStyle::Error);
    m_ctx.Window().SetStatusText(QStringLiteral("Dual VPP Test:") +
                                 (ok ? QStringLiteral(" Passed") : QStringLiteral(" Failed")));
    return ok;
}

void DualVppTest::WriteRecordWord(quint16 word)
{
    BoxLink& box = m_link.Box();
    box.Command(BoxProtocol::CmdPayload, false);
    if (!Stopped())
        box.SendWords(0xFFFF, &word, 1);
}

bool DualVppTest::TestDualVppCommand()
{
    m_ctx.Operator().ShowWarning(QStringLiteral("Warning"),
                                 QStringLiteral("Remove ICP Cable or Programming Adapter,\rthen select OK to proceed "
                                                "with test."));
    DeviceProfile& profile = m_ctx.Profile();
    const QChar remembered = profile.pmod;
    profile.pmod = u'D';
    // The test runs on the dual-VPP firmware variant: the reset it starts with installs it.
    if (remembered.toUpper() != u'D')
        m_link.SetConfigurationNeeded(true);

    bool written = false;
    const bool passed = Run();
    const ProgrammerIdentity& identity = m_link.Identity();
    const bool recordMissing = identity.Revision() < 3 || identity.Modification() != identity.ModificationFlags();
    if (passed && recordMissing && InstallPendingUpdate(m_ctx) && !Stopped() && Ready()) {
        WriteRecordWord(quint16(BoxProtocol::RecordModification << 8 | quint8(identity.Modification())));
        if (!Stopped())
            WriteRecordWord(quint16(BoxProtocol::RecordDualVpp << 8 | 0x02));
        written = !Stopped();
    }

    profile.pmod = remembered;
    if (!Stopped() && Ready() && written) {
        if (m_showIdentity)
            m_showIdentity();
        else
            m_link.ResetProgrammer();
    }
    return written;
}
