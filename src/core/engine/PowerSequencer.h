#pragma once

#include "core/context/HistoryColour.h"

#include <QString>
#include <QtGlobal>
#include <functional>

class AppContext;
class ProgrammerLink;
class TargetMonitor;
struct EngineState;

// When the target is powered, in which order the two supplies (VDD = 5, VPP = 6) go on and off,
// and the check of every reading the box reports. Faults are bits of the link error word, which
// stop the running task.
class PowerSequencer
{
public:
    static constexpr int VddSupply = 5;
    static constexpr int VppSupply = 6;
    static constexpr int VddMin = 72;       // 4.5 V
    static constexpr int VddMax = 88;       // 5.5 V
    static constexpr int OffMax = 13;       // 0.8125 V
    static constexpr int VppShownMax = 212; // 13.25 V: higher readings are displayed as this
    // How long an unattended run (ExitOnErrors) waits for a supply to reach its level (or to
    // fall below the off level) before it records the supply's fault and ends.
    static constexpr int UnattendedWaitMs = 5000;

    PowerSequencer(AppContext& ctx, ProgrammerLink& link, EngineState& state, TargetMonitor& monitor);

    // The check at the start of every task and cycle; leaves the target powered when it passes.
    void VoltagePreTest();
    // Before every operation: powers the target as the operation's power mode asks.
    void PowerOnForOperation(int powerMode);
    // End of task: both supplies off in the device's order, then end of operation. Reaches the box
    // even after a hard error.
    void PowerOff();

    // Building blocks (also used by the dual VPP test).
    bool ShowReading(int supply, int reading, bool toMonitor, bool toLog);
    bool ReadSupply(int supply);
    bool PollStatus();
    bool WaitSupplyOn(int supply);
    void SupplyOff(int supply);
    bool MonitorCancelled(bool stopOnCancel);
    void ShowVoltageError(int kind, int reading, int supply);
    void PowerUpVerified();
    // One step of a power-up: a poll, and a wait when it shows the supply still below its level.
    bool CheckSupplyStep(int supply);

    // Pure rules.
    static QString FormatReading(int supply, int reading);
    static HistoryColour ReadingColour(int supply, int reading, int vppLow, int vppHigh);
    // The VPP range text of a window.
    static QString VppRangeText(int vppHigh);

    // Performs Stop when the operator cancels a wait (the cycle runner installs it; the default
    // records a user abort).
    void SetStopAction(std::function<void()> stop) { m_stop = std::move(stop); }

private:
    bool Stopped() const;
    void PowerUpSequence(int first);
    void PowerCycleOff(int powerMode);
    bool DualVppNoticeAccepted();
    void RaiseError(quint64 bits);
    bool IssueAndWait(quint8 cmd);
    bool SupplyWaitExpired(qint64 waitedMs, int supply, bool rising);

    AppContext& m_ctx;
    ProgrammerLink& m_link;
    EngineState& m_state;
    TargetMonitor& m_monitor;
    std::function<void()> m_stop;
    // Supplies (bit 0 VDD, bit 1 VPP) whose wait to fall was cancelled, or ended by the unattended
    // bound, since the last pre-test began: later power-downs of the run switch them off and read
    // them once without waiting again, so the operator is not asked a second time.
    int m_notFalling = 0;
};
