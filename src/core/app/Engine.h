#pragma once

#include "core/engine/CycleRunner.h"
#include "core/engine/DualVppTest.h"
#include "core/engine/EngineState.h"
#include "core/engine/OperationRunner.h"
#include "core/engine/PowerSequencer.h"
#include "core/engine/ProductionCounters.h"
#include "core/engine/RunLock.h"
#include "core/engine/SocketPanel.h"
#include "core/engine/TargetMonitor.h"
#include "core/engine/TaskEngine.h"
#include "core/engine/TaskResults.h"
#include "core/serial/SerialNumbering.h"

class AppContext;
class AppShell;
class ProgrammerLink;

// The programming engine's entry: owns the run state and every part of the engine (power
// sequencing, the operation runner, the task engine, the cycle runner, the socket panel, the
// result report, the counters, the run lock, the target monitor and serial numbering), and installs every hook the
// link, the shell and the option refresh expect.
class Engine
{
public:
    Engine(AppContext& ctx, ProgrammerLink& link);

    // Installs the link's, the shell's and the option refresh's hooks.
    void Install(AppShell* shell = nullptr);
    // After start-up has read the workstation settings: the sockets they keep switched on.
    void ApplyWorkstationSockets();

    EngineState& State() { return m_state; }
    TargetMonitor& Monitor() { return m_monitor; }
    PowerSequencer& Power() { return m_power; }
    OperationRunner& Runner() { return m_runner; }
    SocketPanel& Sockets() { return m_sockets; }
    ProductionCounters& Counters() { return m_counters; }
    RunLock& Lock() { return m_lock; }
    TaskResults& Results() { return m_results; }
    TaskEngine& Tasks() { return m_tasks; }
    CycleRunner& Cycles() { return m_cycles; }
    SerialNumbering& Serial() { return m_serial; }
    DualVppTest& DualVpp() { return m_dualVpp; }

    // Shortcuts.
    bool RunOperation(int slot) { return m_runner.RunOperation(slot); }
    void VoltagePreTest() { m_power.VoltagePreTest(); }
    void PowerOnForOperation(int powerMode) { m_power.PowerOnForOperation(powerMode); }
    void PowerOff() { m_power.PowerOff(); }
    void ResetRunState() { m_tasks.ResetRunState(); }

private:
    AppContext& m_ctx;
    ProgrammerLink& m_link;
    EngineState m_state;
    TargetMonitor m_monitor;
    PowerSequencer m_power;
    OperationRunner m_runner;
    SocketPanel m_sockets;
    ProductionCounters m_counters;
    RunLock m_lock;
    TaskResults m_results;
    TaskEngine m_tasks;
    CycleRunner m_cycles;
    SerialNumbering m_serial;
    DualVppTest m_dualVpp;
};
