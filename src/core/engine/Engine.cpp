#include "core/engine/Engine.h"

#include "core/app/AppShell.h"
#include "core/context/AppContext.h"
#include "core/link/BoxProtocol.h"
#include "core/link/ProgrammerLink.h"

Engine::Engine(AppContext& ctx, ProgrammerLink& link)
    : m_ctx(ctx), m_link(link), m_power(ctx, link, m_state, m_monitor), m_runner(ctx, link, m_state, m_power)
{
}

void Engine::Install(AppShell* shell)
{
    ProgrammerLink::Hooks& hooks = m_link.GetHooks();
    hooks.cycleRunning = [this] { return m_state.CycleRunning; };
    hooks.enabledSockets = [this] { return m_state.EnabledSockets; };
    hooks.poweredForOperation = [this] { return m_state.PoweredForOperation; };
    hooks.resetRunState = [this] { ResetRunState(); };

    OptionBindings& bindings = m_ctx.Bindings();
    bindings.recordError = [this](int bits) { m_link.Errors().RecordError(quint64(bits)); };
    // A self-powered target is programmed in socket A alone.
    bindings.forceSingleSocket = [this] {
        m_state.EnabledSockets = BoxProtocol::SocketA;
        m_state.EnabledSocketOrdinals = 1;
        m_state.SelectedSockets = BoxProtocol::SocketA;
    };

    if (shell)
        shell->GetHooks().autoRun = [this] {
            if (m_autoRun)
                m_autoRun();
        };
}

void Engine::ResetRunState()
{
    m_link.Errors().ClearError(0);
    m_ctx.Flags().StopRequested = false;
    m_ctx.Flags().TaskFailed = false;
    m_state.PassingSockets = 0x55;
    m_state.PassingSocketsSaved = 0x55;
    m_state.FailedSocketOrdinals = 0;
    m_state.PowerOn = false;
    m_state.PreTestPassed = false;
    m_state.PoweredForOperation = false;
}
