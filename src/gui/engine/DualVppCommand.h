#pragma once

#include <QObject>

class AppContext;
class Engine;
class MainWindowLinkCommands;
class TPXmain;

// Connects "Test Dual &VPP" to the engine's dual VPP test. The window is locked as for a run while
// the test works (Stop stays available); a test that recorded the modification ends with the
// about box. Lives as long as the window (its child).
class DualVppCommand : public QObject
{
    Q_OBJECT
public:
    DualVppCommand(TPXmain& window, AppContext& context, Engine& engine, MainWindowLinkCommands& linkCommands);

    void Run();

private:
    AppContext& m_context;
    Engine& m_engine;
    bool m_running = false;
};
