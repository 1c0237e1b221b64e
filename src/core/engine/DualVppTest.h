#pragma once

#include <QtGlobal>
#include <functional>

class AppContext;
class PowerSequencer;
class ProgrammerLink;
class TargetMonitor;
struct EngineState;

// "Test Dual &VPP": with no target connected, checks that the programmer holds a stable VPP in its
// standard (voltage mode 3) and its reduced (mode 0) range for two seconds each, and on success
// records the dual-VPP modification in the programmer. Readings go to the target monitor, results
// to the history and the status line.
class DualVppTest
{
public:
    static constexpr int WatchMs = 2000;

    DualVppTest(AppContext& ctx, ProgrammerLink& link, EngineState& state, TargetMonitor& monitor,
                PowerSequencer& power);

    // The menu command: warns the operator to remove the adapter, runs the measurement with the
    // dual-VPP firmware variant, writes the modification record when the programmer does not carry
    // it yet, and then shows the programmer's identity (the about box). Returns true when the
    // record was written.
    bool TestDualVppCommand();
    // The measurement; true when both ranges passed.
    bool Run();

    // Resets the programmer and shows its identity after a record was written (the GUI installs
    // the about box; without it the programmer is only reset).
    void SetShowIdentity(std::function<void()> show) { m_showIdentity = std::move(show); }

private:
    bool Stopped() const;
    bool Ready() const;
    void SendVoltageMode(quint8 mode);
    // Switches VPP on, waits for it and watches it for the watch time; false on a reading outside
    // the window (reported with its error bit). v receives the reading to log.
    bool WatchRange(int& v);
    void WriteRecordWord(quint16 word);

    AppContext& m_ctx;
    ProgrammerLink& m_link;
    EngineState& m_state;
    TargetMonitor& m_monitor;
    PowerSequencer& m_power;
    std::function<void()> m_showIdentity;
    bool m_monitorShowing = false;
};
