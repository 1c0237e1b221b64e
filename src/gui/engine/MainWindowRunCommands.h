#pragma once

#include "core/engine/RunLock.h"

#include <QObject>
#include <array>
#include <utility>
#include <vector>

class AppContext;
class CountersPanel;
class Engine;
class QAction;
class QActionGroup;
class QMenu;
class TargetMonitorView;
class TPXmain;

// Connects the main window to the programming engine: the cycle commands of the
// Run menu and the tool bars, Stop, "Clear Leds" and "Clear &Stats", the task
// tree's clicks and the "MCU Section" entries; adds the counters panel with the
// socket indicators, the "&Programming Sockets" menu, the Read socket menu and
// the target monitor window. The commands' availability, the busy cursor and
// the locked panels follow the engine's RunLock. Lives as long as the window
// (its child); the engine must outlive it.
class MainWindowRunCommands : public QObject
{
    Q_OBJECT
public:
    MainWindowRunCommands(TPXmain& window, AppContext& context, Engine& engine);
    ~MainWindowRunCommands() override;

    QAction* ActProgramOnly() const { return m_actProgramOnly; }
    QAction* ActSerialize() const { return m_actSerialize; }
    QAction* ActFuses() const { return m_actFuses; }
    QAction* ActStop() const { return m_actStop; }
    QAction* ActClearStats() const { return m_actClearStats; }
    QMenu* SocketsMenu() const { return m_socketsMenu; }
    QMenu* ReadSocketMenu() const { return m_readMenu; }
    CountersPanel* Counters() const { return m_counters; }
    TargetMonitorView* MonitorView() const { return m_monitorView; }

    // The action that shows RunLock item, or nullptr.
    QAction* ActionOf(RunLock::Item item) const;

    // Shows the Read socket menu where the operator is: at the mouse while it is
    // inside the main window, otherwise just below the Read tool button.
    void PopUpReadSocketMenu();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* MakeAction(const char* objectName, const QString& text, const QString& hint, const QKeySequence& key);
    void CreateSocketsMenu();
    void CreateReadSocketMenu();
    // Runs a command once the event that chose it is handled, so the menu that
    // chose it closes before the run pumps events for the programmer.
    void Queue(std::function<void()> command);
    // Renders RunLock on the actions, the control bar, the counters panel, the
    // task tree and the cursor.
    void ApplyLock();
    void ShowSockets();

    TPXmain& m_window;
    AppContext& m_context;
    Engine& m_engine;
    QAction* m_actProgramOnly = nullptr;
    QAction* m_actSerialize = nullptr;
    QAction* m_actFuses = nullptr;
    QAction* m_actStop = nullptr;
    QAction* m_actClearStats = nullptr;
    std::vector<std::pair<RunLock::Item, QAction*>> m_lockedActions;
    QMenu* m_socketsMenu = nullptr;
    QAction* m_gang = nullptr;
    QAction* m_single = nullptr;
    std::array<QAction*, 4> m_socketItems{};
    QMenu* m_readMenu = nullptr;
    std::array<QAction*, 4> m_readItems{};
    CountersPanel* m_counters = nullptr;
    TargetMonitorView* m_monitorView = nullptr;
    bool m_busyCursor = false;
};
