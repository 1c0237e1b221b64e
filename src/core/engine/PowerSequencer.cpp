#include "core/engine/PowerSequencer.h"

#include "core/context/AppContext.h"
#include "core/engine/EngineState.h"
#include "core/engine/TargetMonitor.h"
#include "core/link/BoxProtocol.h"
#include "core/link/LinkPort.h"
#include "core/link/ProgrammerLink.h"
#include "core/model/OptionIndex.h"

#include <QCoreApplication>
#include <QThread>

using Bit = LinkErrorWord::Bit;

namespace {

const QString VddRangeWait = QStringLiteral("Required Voltage: 4.5 - 5.5, Detected:");
const QString VddRangeError = QStringLiteral("Required Voltage: 4.5 - 5.5,  Detected:");
const QString OffRangeWait = QStringLiteral("Acceptable OFF Level: < 0.8,  Detected:");
const QString OffRangeError = QStringLiteral("Required Voltage: <= 0.81,  Detected:");
constexpr HistoryColour Black = HistoryColour::FromRgb(0, 0, 0);
constexpr HistoryColour Teal = HistoryColour::FromRgb(0, 128, 128);

// The error bits a supply wait records when an unattended run gives up on it.
quint64 NotReachedBit(int supply, bool rising)
{
    if (!rising)
        return supply == PowerSequencer::VddSupply ? Bit::VoltageOnVdd : Bit::CannotPullMclrLow;
    return supply == PowerSequencer::VddSupply ? Bit::VddNotRising : Bit::MclrNotRising;
}

} // namespace

PowerSequencer::PowerSequencer(AppContext& ctx, ProgrammerLink& link, EngineState& state, TargetMonitor& monitor)
    : m_ctx(ctx), m_link(link), m_state(state), m_monitor(monitor)
{
}

bool PowerSequencer::Stopped() const
{
    return m_ctx.Flags().StopRequested;
}

void PowerSequencer::RaiseError(quint64 bits)
{
    m_link.Errors().RecordError(bits);
}

bool PowerSequencer::IssueAndWait(quint8 cmd)
{
    return m_link.Box().Command(cmd, true);
}

// --- pure rules -------------------------------------------------------------------------------

QString PowerSequencer::FormatReading(int supply, int reading)
{
    if (supply == VppSupply && reading > VppShownMax)
        reading = VppShownMax;
    if (reading == 0)
        return QStringLiteral("0.00");
    if (reading < 0)
        return QStringLiteral("-E");
    return QString::number(double(reading) / BoxProtocol::ReadingPerVolt, 'f', 2);
}

HistoryColour PowerSequencer::ReadingColour(int supply, int reading, int vppLow, int vppHigh)
{
    if (supply == VddSupply)
        return reading < VddMin ? Black : reading <= VddMax ? Teal : HistoryColours::Red;
    return reading < vppLow ? Black : reading > vppHigh ? HistoryColours::Red : Teal;
}

QString PowerSequencer::VppRangeText(int vppHigh)
{
    return vppHigh == 220 ? QStringLiteral("Required Voltage: 12.25 - 13.25,  Detected:")
                          : QStringLiteral("Required Voltage: 10.0 - 12.0,  Detected:");
}

// --- building blocks ----------------------------------------------------------------------------

bool PowerSequencer::MonitorCancelled(bool stopOnCancel)
{
    const bool cancelled = m_monitor.TakeCancel();
    if (cancelled && stopOnCancel) {
        if (m_stop)
            m_stop();
        else
            RaiseError(Bit::UserAbort);
    }
    return cancelled;
}

bool PowerSequencer::ShowReading(int supply, int reading, bool toMonitor, bool toLog)
{
    const HistoryColour colour = ReadingColour(supply, reading, m_state.VppLow, m_state.VppHigh);
    const QString text = FormatReading(supply, reading);
    if (toMonitor)
        m_monitor.SetTexts(QString(), QString(), colour, text);
    if (toLog) {
        m_ctx.History().AddLine(supply == VddSupply ? QStringLiteral(" VDD Value: ") : QStringLiteral(" VPP Value: "),
                                colour, HistoryColour::Window());
        m_ctx.History().AppendColumn(text, 34, colour, HistoryColour::Window());
    }
    return MonitorCancelled(true) || Stopped();
}

bool PowerSequencer::ReadSupply(int supply)
{
    if (Stopped())
        return false;
    BoxLink& box = m_link.Box();
    if (supply == VddSupply) {
        box.CommandWithReplies(BoxProtocol::CmdReadVdd, BoxLink::ClassVdd, 1, true);
        m_state.VddReading = box.VddReading();
        if (m_state.VddReading > VddMax)
            ShowReading(supply, m_state.VddReading, true, false);
    } else {
        box.CommandWithReplies(BoxProtocol::CmdReadVpp, BoxLink::ClassVpp, 1, true);
        // The raw reading is kept: the window is checked on it, only its text is clamped.
        m_state.VppReading = box.VppReading();
        if (m_state.VppReading > m_state.VppHigh)
            ShowReading(supply, m_state.VppReading, true, false);
    }
    return !Stopped();
}

bool PowerSequencer::PollStatus()
{
    if (Stopped())
        return false;
    BoxLink& box = m_link.Box();
    box.SendEscape(BoxProtocol::EscPoll, BoxLink::ClassSupplyStatus, 2, true);
    m_state.SupplyStatus = box.SupplyStatus();
    if (m_link.Errors().LinkHealthy() && (m_state.SupplyStatus & 0x3F) != 0)
        RaiseError((quint64(m_state.SupplyStatus) << 8) & 0x3FFF);
    if (m_state.SupplyStatus & BoxProtocol::SupplyReadingIsVdd)
        m_state.VddReading = box.VddReading();
    else if (m_state.SupplyStatus & BoxProtocol::SupplyReadingIsVpp)
        m_state.VppReading = box.VppReading();
    else
        m_state.VddReading = m_state.VppReading = 0;
    return !Stopped();
}

bool PowerSequencer::SupplyWaitExpired(qint64 waitedMs, int supply, bool rising)
{
    // Nobody is there to press Cancel on an unattended run: a supply that does not reach its level
    // within the bound ends the run with the matching bit.
    if (!m_ctx.Flags().ExitOnErrors || waitedMs < UnattendedWaitMs)
        return false;
    RaiseError(NotReachedBit(supply, rising));
    return true;
}

bool PowerSequencer::WaitSupplyOn(int supply)
{
    bool done = false;
    bool reached = false;
    bool noReading = false;
    bool last = false;
    const bool selfPowered = m_ctx.Options().IsEffective(OptionIndex::NoVdd);
    const LinkClock& clock = m_link.Port().Clock();
    const qint64 started = clock.NowMs();
    do {
        PollStatus();
        const quint8 status = m_state.SupplyStatus;
        if (status & BoxProtocol::SupplyReadingIsVdd) {
            m_state.VddShown = m_state.VddReading;
            if (supply != VddSupply)
                m_monitor.SetTexts(VddRangeWait,
                                   selfPowered ? QStringLiteral("Waiting For Target Power...")
                                               : QStringLiteral("Turning On VDD..."),
                                   Black, QString());
            ShowReading(VddSupply, m_state.VddShown, true, false);
            if (m_state.VddShown >= VddMin) {
                reached = true;
                if (m_state.VddShown > VddMax)
                    last = true;
            }
        } else if (status & BoxProtocol::SupplyReadingIsVpp) {
            m_state.VppShown = m_state.VppReading;
            if (supply != VppSupply)
                m_monitor.SetTexts(VppRangeText(m_state.VppHigh), QStringLiteral("Turning On VPP..."), Black,
                                   QString());
            ShowReading(VppSupply, m_state.VppShown, true, false);
            if (m_state.VppShown >= m_state.VppLow) {
                reached = true;
                if (m_state.VppShown > m_state.VppHigh)
                    last = true;
            }
        } else {
            done = true;
            noReading = true;
        }
        if (reached) {
            done = true;
            m_state.VoltageSeen = true;
        }
        if (done && !last) {
            done = false;
            last = true; // one more poll follows
        }
        if (Stopped())
            done = true;
        if (MonitorCancelled(true)) {
            done = true;
            last = true;
        }
        if (!done && !reached && SupplyWaitExpired(clock.NowMs() - started, supply, true))
            done = last = true;
    } while (!(done && last) && !Stopped());
    m_monitor.CloseSoon();
    return noReading ? false : !Stopped();
}

void PowerSequencer::SupplyOff(int supply)
{
    const bool vdd = supply == VddSupply;
    IssueAndWait(vdd ? BoxProtocol::CmdVddOff : BoxProtocol::CmdVppOff);
    ReadSupply(supply);
    auto reading = [&] { return vdd ? m_state.VddReading : m_state.VppReading; };
    const int supplyBit = vdd ? 1 : 2;
    if (reading() > OffMax && !(m_notFalling & supplyBit)) {
        QString action;
        if (vdd && m_ctx.Options().IsEffective(OptionIndex::NoVdd))
            action = QStringLiteral("Turn OFF Target Power...");
        else
            action = vdd ? QStringLiteral("Waiting for VDD to turn OFF...")
                         : QStringLiteral("Waiting for VPP to turn OFF...");
        m_ctx.Operator().PlaySound(SoundKind::Warning);
        m_monitor.ShowWait(OffRangeWait, action, FormatReading(supply, reading()));
        const LinkClock& clock = m_link.Port().Clock();
        const qint64 started = clock.NowMs();
        for (;;) {
            if (ShowReading(supply, reading(), true, false)) {
                m_notFalling |= supplyBit;
                break;
            }
            ReadSupply(supply);
            if (reading() <= OffMax) {
                ShowReading(supply, reading(), true, false);
                break;
            }
            if (vdd && reading() > VddMax)
                RaiseError(Bit::VddTooHigh);
            if (!vdd && reading() > m_state.VppHigh)
                RaiseError(Bit::MclrTooHigh);
            if (!m_link.Errors().LinkHealthy() || Stopped())
                break;
            if (SupplyWaitExpired(clock.NowMs() - started, supply, false)) {
                m_notFalling |= supplyBit;
                break;
            }
        }
    }
    m_monitor.CloseSoon();
}

void PowerSequencer::ShowVoltageError(int kind, int reading, int supply)
{
    PowerOff();
    if (m_ctx.Flags().ExitOnErrors)
        return;
    static const char* const messages[] = {
        "Inactive MCLR Voltage ERROR ...", "Inactive MCLR ERROR w/ VDD ON ...", "VPP ERROR w/ VDD OFF ...",
        "VPP ERROR w/ VDD ON ...",         "Inactive VDD Voltage ERROR ...",    "Inactive VDD ERROR w/ VPP ON ...",
        "VDD ERROR w/ VPP OFF ...",        "VDD ERROR w/ VPP ON ...",
    };
    if (kind < 1 || kind > 8)
        return;
    QString range;
    if (kind <= 2 || kind == 5 || kind == 6)
        range = OffRangeError;
    else if (kind <= 4)
        range = VppRangeText(m_state.VppHigh);
    else
        range = VddRangeError;
    m_monitor.ShowWait(range, QString::fromLatin1(messages[kind - 1]), QString());
    m_monitor.ErrorMode();
    m_ctx.Operator().PlaySound(SoundKind::Error);
    m_monitor.SetTexts(QString(), QString(), ReadingColour(supply, reading, m_state.VppLow, m_state.VppHigh),
                       FormatReading(supply, reading));
    m_monitor.ErrorMode();
    while (!m_monitor.TakeCancel()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        if (!m_monitor.Visible())
            break; // the view went away without the button
        QThread::msleep(5);
    }
    m_monitor.Reset();
    m_monitor.Close();
}

// --- power-up -----------------------------------------------------------------------------------

bool PowerSequencer::CheckSupplyStep(int supply)
{
    Q_UNUSED(supply);
    PollStatus();
    if (Stopped())
        return true;
    const bool selfPowered = m_ctx.Options().IsEffective(OptionIndex::NoVdd);
    if ((m_state.SupplyStatus & BoxProtocol::SupplyReadingIsVdd) && m_state.VddReading < VddMin) {
        m_ctx.Operator().PlaySound(SoundKind::Warning);
        m_monitor.ShowWait(VddRangeWait,
                           selfPowered ? QStringLiteral("Waiting For Target Power...")
                                       : QStringLiteral("Turning On VDD..."),
                           QString());
        ShowReading(VddSupply, m_state.VddReading, true, false);
        return WaitSupplyOn(VddSupply);
    }
    if ((m_state.SupplyStatus & BoxProtocol::SupplyReadingIsVpp) && m_state.VppReading < m_state.VppLow) {
        m_ctx.Operator().PlaySound(SoundKind::Warning);
        m_monitor.ShowWait(VppRangeText(m_state.VppHigh), QStringLiteral("Turning On VPP..."), QString());
        ShowReading(VppSupply, m_state.VppReading, true, false);
        return WaitSupplyOn(VppSupply);
    }
    return true;
}

void PowerSequencer::PowerUpSequence(int first)
{
    m_state.VddReading = m_state.VppReading = m_state.VddShown = m_state.VppShown = 0;
    m_state.SupplyStatus = 0;
    if (m_ctx.Options().IsEffective(OptionIndex::NoVdd) && !Stopped())
        IssueAndWait(BoxProtocol::CmdTargetPowered);
    const int second = first == VddSupply ? VppSupply : VddSupply;
    const quint8 bitOf[] = {BoxProtocol::SupplyReadingIsVdd, BoxProtocol::SupplyReadingIsVpp};
    const quint8 firstBit = bitOf[first == VddSupply ? 0 : 1];
    const quint8 secondBit = bitOf[first == VddSupply ? 1 : 0];
    m_link.Box().Command(first == VddSupply ? BoxProtocol::CmdPowerUpVddFirst : BoxProtocol::CmdPowerUpVppFirst, false);
    while (!Stopped()) {
        if (CheckSupplyStep(first) && !(m_state.SupplyStatus & firstBit))
            break;
    }
    while (!Stopped()) {
        if (CheckSupplyStep(second) && (m_state.SupplyStatus & secondBit))
            break;
    }
    m_monitor.CloseSoon();
}

void PowerSequencer::PowerUpVerified()
{
    m_state.VddShown = m_state.VppShown = 0;
    if (!Stopped()) {
        const int pwr = m_ctx.Profile().pwr;
        if (pwr == VddSupply) {
            PowerUpSequence(VddSupply);
            m_link.Box().SendEscape(BoxProtocol::EscConfirm, BoxLink::ClassDone, 1, true);
            if (!Stopped()) {
                ReadSupply(VddSupply);
                m_state.VddShown = m_state.VddReading;
            }
            if (!Stopped()) {
                ReadSupply(VppSupply);
                m_state.VppShown = m_state.VppReading;
            }
            if (!Stopped() && m_state.VddShown < VddMin) {
                ShowVoltageError(8, m_state.VddShown, VddSupply);
                RaiseError(Bit::VddTooLow);
            } else if (!Stopped() && m_state.VddShown > VddMax) {
                ShowVoltageError(8, m_state.VddShown, VddSupply);
                RaiseError(Bit::VddTooHigh);
            }
            // The window is checked on the raw reading, so an over-voltage is never taken for the
            // clamped value it is displayed as.
            if (!Stopped() && m_state.VppShown < m_state.VppLow) {
                ShowVoltageError(4, m_state.VppShown, VppSupply);
                RaiseError(Bit::MclrTooLow);
            } else if (!Stopped() && m_state.VppShown > m_state.VppHigh) {
                ShowVoltageError(4, m_state.VppShown, VppSupply);
                RaiseError(Bit::MclrTooHigh);
            }
        } else if (pwr == VppSupply) {
            PowerUpSequence(VppSupply);
            m_link.Box().SendEscape(BoxProtocol::EscConfirm, BoxLink::ClassDone, 1, true);
        } else {
            RaiseError(Bit::UnknownError);
        }
    }
    if (Stopped()) {
        m_state.PreTestPassed = false;
    } else {
        m_state.PreTestPassed = true;
        m_state.PowerOn = true;
    }
}

bool PowerSequencer::DualVppNoticeAccepted()
{
    if (!m_state.DualVppNoticePending)
        return true;
    NoticeRequest request;
    request.title = QStringLiteral("Notice - Modification Required");
    request.text = QStringLiteral(
        "Due to changes in its programming requirements, the selected device requires a reduced programming "
        "voltage. \rSee the "
        "'DualVPPMod.PDF' file for modification instructions.\r\r   Programming may be possible without the "
        "modification, but is not recommended.\r ");
    request.checkText = QStringLiteral("Continue without the modification, ignore for this session.");
    request.ticked = false;
    const bool accepted = m_ctx.Operator().ShowNotice(request);
    if (accepted)
        m_state.DualVppNoticePending = false;
    return accepted;
}

void PowerSequencer::VoltagePreTest()
{
    LinkPort& port = m_link.Port();
    BoxLink& box = m_link.Box();
    port.PurgePort(true, true);
    m_link.Errors().ClearError(0);
    m_state.VoltageSeen = false;
    m_notFalling = 0;
    m_monitor.Reset();
    m_ctx.History().AddLine(QStringLiteral("Voltage Pre-Test:"), HistoryStyle::Success);

    IssueAndWait(BoxProtocol::CmdPrepareVoltageTest);
    if (!port.ProgrammerReady() || Stopped()) {
        m_link.Errors().ClearError(0);
        m_link.ResetProgrammer();
        if (!Stopped())
            IssueAndWait(BoxProtocol::CmdPrepareVoltageTest);
    }
    const DeviceProfile& profile = m_ctx.Profile();
    if (!profile.serial && !Stopped())
        IssueAndWait(BoxProtocol::CmdParallelMode);
    m_state.VppLow = 196;
    m_state.VppHigh = 220;

    auto sendMode = [&](quint8 mode) {
        if (Stopped())
            return;
        box.Command(BoxProtocol::CmdVoltageMode, false);
        if (!Stopped()) {
            box.SendData(mode, true, BoxLink::ClassDone);
            box.WaitAllReplies();
        }
    };
    if (m_link.Identity().Revision() < 3) {
        if ((profile.vmode & 5) == 0 && !DualVppNoticeAccepted()) {
            RaiseError(Bit::TaskFailed);
            m_state.GoodCount = 0;
        }
        sendMode(2);
    } else {
        if ((profile.vmode & 1) == 0) {
            m_state.VppLow = 160;
            m_state.VppHigh = 192;
        }
        sendMode(quint8(profile.vmode));
    }
    const bool selfPowered = m_ctx.Options().IsEffective(OptionIndex::NoVdd);
    if (!Stopped()) {
        if (!selfPowered && profile.serial)
            IssueAndWait(BoxProtocol::CmdProgrammerPowered);
        else if (selfPowered)
            IssueAndWait(BoxProtocol::CmdTargetPowered);
    }
    if (!Stopped()) {
        m_state.PreTestPassed = false;
        m_state.PowerOn = false;
        m_state.VddShown = m_state.VppShown = 0;
        m_link.Errors().ClearError(0);
        ReadSupply(VppSupply);
        m_state.VppShown = m_state.VppReading;
        if (m_state.VppShown > OffMax) {
            ShowVoltageError(1, m_state.VppShown, VppSupply);
            RaiseError(Bit::CannotPullMclrLow);
        }
        if (!Stopped()) {
            ReadSupply(VddSupply);
            m_state.VddShown = m_state.VddReading;
            const bool keepVdd = selfPowered && m_ctx.Options().IsEffective(OptionIndex::NoForcePowerOff);
            if (!keepVdd) {
                SupplyOff(VddSupply);
                m_state.VddShown = m_state.VddReading;
                if (m_state.VddShown > OffMax) {
                    ShowVoltageError(5, m_state.VddShown, VddSupply);
                    RaiseError(Bit::VoltageOnVdd);
                }
            }
            if (m_state.VddShown > VddMax) {
                ShowVoltageError(5, m_state.VddShown, VddSupply);
                RaiseError(Bit::VddTooHigh);
            }
        }
        if (!Stopped())
            PowerUpVerified();
        if (Stopped()) {
            PowerOff();
            m_state.PowerOn = false;
            m_state.FailedCount += m_state.GoodCount;
            m_state.GoodCount = 0;
        } else {
            m_state.PreTestPassed = true;
            m_state.PowerOn = true;
        }
        ShowReading(VddSupply, m_state.VddShown, false, true);
        ShowReading(VppSupply, m_state.VppShown, false, true);
        m_ctx.History().AddLine(QStringLiteral(" Pre-Test:"));
    }
    if (Stopped()) {
        m_ctx.History().AppendColumn(QStringLiteral("Failed"), 34, HistoryStyle::Error);
    } else {
        m_ctx.History().AppendColumn(QStringLiteral("OK"), 34, HistoryStyle::Normal);
        m_state.PreTestPassed = true;
    }
    m_ctx.History().AddLine(QStringLiteral(" ---------------------------------------"));
}

// --- per operation ------------------------------------------------------------------------------

void PowerSequencer::PowerCycleOff(int powerMode)
{
    MainWindowState& window = m_ctx.Window();
    const QString kept = window.StatusText();
    const int pwrOff = m_ctx.Profile().pwrOff;
    if (pwrOff == VddSupply) {
        window.SetStatusText(QStringLiteral("Turning Off VDD..."));
        SupplyOff(VddSupply);
        window.SetStatusText(QStringLiteral("Turning Off VPP..."));
        SupplyOff(VppSupply);
    } else if (pwrOff == VppSupply) {
        window.SetStatusText(QStringLiteral("Turning Off VPP..."));
        SupplyOff(VppSupply);
        if ((powerMode & 0x8000 && powerMode & 0x2000) || !m_ctx.Options().IsEffective(OptionIndex::SkipPowerCycle)) {
            window.SetStatusText(QStringLiteral("Turning Off VDD..."));
            SupplyOff(VddSupply);
        }
    }
    window.SetStatusText(kept);
    m_state.PowerOn = false;
}

void PowerSequencer::PowerOnForOperation(int powerMode)
{
    const bool hold = powerMode & 0x4000;
    const bool forceCycle = (powerMode & 0x8000) || (!hold && m_state.HoldPowerBit);
    m_state.HoldPowerBit = hold;
    m_state.PoweredForOperation = false;
    LinkPort& port = m_link.Port();

    auto operationPowerOn = [this] {
        m_state.PowerOn = m_state.PreTestPassed = m_state.PoweredForOperation = true;
        if (IssueAndWait(BoxProtocol::CmdOperationPowerOn)) {
            PowerOff();
            m_state.PreTestPassed = false;
        }
    };

    if (m_state.PowerOn && !forceCycle && m_state.PreTestPassed && port.ProgrammerReady()) {
        if (!Stopped())
            operationPowerOn();
        return;
    }
    if (m_link.Errors().Word() != 0)
        m_ctx.Flags().StopRequested = true;
    bool failed = false;
    if (!m_state.PreTestPassed || !port.ProgrammerReady()) {
        m_state.PowerOn = false;
        m_link.ResetProgrammer();
        failed = Stopped();
        m_state.HoldPowerBit = hold;
    }
    if (!failed) {
        if (!m_ctx.Profile().serial)
            IssueAndWait(BoxProtocol::CmdParallelMode);
        if (!Stopped())
            PowerCycleOff(powerMode);
        if (!Stopped())
            PowerUpVerified();
        if (!Stopped())
            operationPowerOn();
        return;
    }
    if (Stopped()) {
        PowerOff();
        m_state.PreTestPassed = false;
    } else {
        operationPowerOn();
    }
}

void PowerSequencer::PowerOff()
{
    MainWindowState& window = m_ctx.Window();
    ProgramFlags& flags = m_ctx.Flags();
    LinkErrorWord& errors = m_link.Errors();
    const QString kept = window.StatusText();

    // A voltage fault is a hard error, which keeps every later command off the line; the target
    // must still be switched off, so the gate is lifted for the power-down and put back after it.
    // Communication faults keep it: a box that does not answer cannot be told anything.
    constexpr quint64 VoltageBits = 0xFF00;
    const quint64 rememberedWord = errors.Word();
    const bool rememberedStop = flags.StopRequested;
    const bool liftGate = (rememberedWord & ~(LinkErrorWord::SoftBits | VoltageBits)) == 0;
    if (liftGate) {
        errors.ClearError(0);
        flags.StopRequested = false;
    }

    if (m_link.Port().ProgrammerReady() && liftGate) {
        const bool skipVdd = m_ctx.Options().IsEffective(OptionIndex::NoVdd) &&
                             m_ctx.Options().IsEffective(OptionIndex::NoForcePowerOff);
        auto vddOff = [&] {
            if (skipVdd) {
                window.SetStatusText(QStringLiteral("SKIPPING VDD POWER OFF..."));
            } else {
                window.SetStatusText(QStringLiteral("Turning Off VDD..."));
                SupplyOff(VddSupply);
            }
        };
        auto vppOff = [&] {
            window.SetStatusText(QStringLiteral("Turning Off VPP..."));
            SupplyOff(VppSupply);
        };
        const int pwrOff = m_ctx.Profile().pwrOff;
        if (pwrOff == VddSupply) {
            vddOff();
            vppOff();
        } else if (pwrOff == VppSupply) {
            vppOff();
            vddOff();
        }
    }
    window.SetStatusText(kept);
    m_state.PowerOn = false;

    // End of operation: sent with the stop flag cleared, then the remembered state goes back.
    const bool stopBefore = flags.StopRequested || rememberedStop;
    const quint64 bitsBefore = errors.Word() | rememberedWord;
    flags.StopRequested = false;
    const bool stoppedByCommand = liftGate && IssueAndWait(BoxProtocol::CmdSocketPass);
    if (!stoppedByCommand)
        flags.StopRequested = stopBefore;
    if (bitsBefore != 0)
        errors.RecordError(bitsBefore);
}
