#include "core/app/Engine.h"

#include "core/app/AppShell.h"
#include "core/context/AppContext.h"
#include "core/link/ProgrammerLink.h"
#include "core/model/OptionIndex.h"

Engine::Engine(AppContext& ctx, ProgrammerLink& link)
    : m_ctx(ctx), m_link(link), m_power(ctx, link, m_state, m_monitor), m_runner(ctx, link, m_state, m_power),
      m_sockets(ctx, m_state), m_lock(ctx.Options()), m_results(ctx.History(), ctx.Flags(), m_state, m_sockets),
      m_tasks(ctx, link, m_state, m_power, m_runner, m_results, m_sockets, m_lock, m_counters),
      m_cycles(ctx, link, m_state, m_power, m_tasks, m_sockets, m_counters),
      m_serial(ctx, link, m_state, m_tasks, m_sockets), m_dualVpp(ctx, link, m_state, m_monitor, m_power)
{
}

void Engine::Install(AppShell* shell)
{
    ProgrammerLink::Hooks& hooks = m_link.GetHooks();
    hooks.cycleRunning = [this] { return m_state.CycleRunning; };
    hooks.enabledSockets = [this] { return m_state.EnabledSockets; };
    hooks.poweredForOperation = [this] { return m_state.PoweredForOperation; };
    hooks.resetRunState = [this] { m_tasks.ResetRunState(); };
    hooks.busyMode = [this](bool busy) { m_tasks.LockForRun(busy); };

    OptionBindings& bindings = m_ctx.Bindings();
    bindings.recordError = [this](int bits) { m_link.Errors().RecordError(quint64(bits)); };
    // A self-powered target is programmed in socket A alone.
    bindings.forceSingleSocket = [this] { m_sockets.ForceSingleSocket(); };
    // A parallel-programmed device cannot share the programmer with other sockets.
    bindings.parallelDeviceLoaded = [this] {
        m_sockets.ForceSingleIfMultiple();
        m_link.HardwareModificationNotice();
    };

    m_results.recordTaskFailed = [this] { m_link.Errors().RecordError(LinkErrorWord::TaskFailed); };
    m_sockets.SetResetRunState([this] { m_tasks.ResetRunState(); });
    // Cancelling the target monitor performs Stop.
    m_power.SetStopAction([this] { m_cycles.Stop(); });

    // Serial numbering: the per-socket step, the SQTP numbers of a cycle and their log.
    m_tasks.serialNumberTask = [this](int row, int socket) { m_serial.SerializeSocket(row, socket); };
    m_tasks.serialNumberLog = [this] { m_serial.AppendCycleToLog(); };
    m_cycles.prepareSerialNumbers = [this] { return m_serial.PrepareCycle(); };
    m_cycles.logSerialNumbers = [this] { m_serial.AppendCycleToLog(); };
    bindings.validateSqtp = [this] { return m_serial.CheckAndTakeNumbers(false); };
    bindings.refreshSerialNumbers = [this] { m_serial.RefreshNumbers(); };
    bindings.selectSqtpFile = [this] { m_serial.SelectSqtpFile(); };
    bindings.AddStage(OptionStage::SerialNumberPage, [this] { m_serial.RefreshNumbers(); });

    if (shell)
        shell->GetHooks().autoRun = [this] { m_cycles.AutoRun(); };
}

void Engine::ApplyWorkstationSockets()
{
    m_sockets.ApplyWorkstationSockets();
    if (!m_ctx.Profile().serial || m_ctx.Options().IsEffective(OptionIndex::NoVdd))
        m_sockets.ForceSingleIfMultiple();
}
