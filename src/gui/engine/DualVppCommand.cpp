#include "gui/engine/DualVppCommand.h"

#include "core/app/Engine.h"
#include "core/context/AppContext.h"
#include "gui/app/TPXmain.h"
#include "gui/link/MainWindowLinkCommands.h"

#include <QAction>
#include <QTimer>

DualVppCommand::DualVppCommand(TPXmain& window, AppContext& context, Engine& engine,
                               MainWindowLinkCommands& linkCommands)
    : QObject(&window), m_context(context), m_engine(engine)
{
    engine.DualVpp().SetShowIdentity([&linkCommands] { linkCommands.ShowAbout(); });
    window.ActDualVpp()->setEnabled(true);
    // The test pumps events while it waits for the box; starting it from a fresh event keeps the
    // menu that chose it from staying open meanwhile.
    connect(window.ActDualVpp(), &QAction::triggered, this,
            [this] { QTimer::singleShot(0, this, &DualVppCommand::Run); });
}

void DualVppCommand::Run()
{
    if (m_running || m_engine.State().CycleRunning || m_engine.Lock().Locked())
        return;
    m_running = true;
    m_engine.ResetRunState();
    m_engine.Tasks().LockForRun(true);
    m_engine.DualVpp().TestDualVppCommand();
    m_engine.Tasks().LockForRun(false);
    m_running = false;
}
