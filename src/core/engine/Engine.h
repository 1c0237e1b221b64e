#pragma once

#include "core/engine/EngineState.h"
#include "core/engine/OperationRunner.h"
#include "core/engine/PowerSequencer.h"
#include "core/engine/TargetMonitor.h"

class AppContext;
class AppShell;
class ProgrammerLink;

// The programming engine's entry: owns the run state, the target monitor, the power sequencing and
// the operation runner, and installs every hook the link, the shell and the option refresh expect.
class Engine
{
public:
    Engine(AppContext& ctx, ProgrammerLink& link);

    // Installs the link's, the shell's and the option refresh's hooks.
    void Install(AppShell* shell = nullptr);

    EngineState& State() { return m_state; }
    TargetMonitor& Monitor() { return m_monitor; }
    PowerSequencer& Power() { return m_power; }
    OperationRunner& Runner() { return m_runner; }

    // Shortcuts the task engine uses.
    bool RunOperation(int slot) { return m_runner.RunOperation(slot); }
    void VoltagePreTest() { m_power.VoltagePreTest(); }
    void PowerOnForOperation(int powerMode) { m_power.PowerOnForOperation(powerMode); }
    void PowerOff() { m_power.PowerOff(); }
    const std::array<quint8, 14>& LastStatusReply() const { return m_state.LastStatusReply; }

    // Clears the run state (start of a run, after a reset).
    void ResetRunState();

    // The Auto Run the shell starts (set by the task engine; empty: nothing to run).
    void SetAutoRun(std::function<void()> autoRun) { m_autoRun = std::move(autoRun); }

private:
    AppContext& m_ctx;
    ProgrammerLink& m_link;
    EngineState m_state;
    TargetMonitor m_monitor;
    PowerSequencer m_power;
    OperationRunner m_runner;
    std::function<void()> m_autoRun;
};
