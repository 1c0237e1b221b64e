#pragma once

#include <QMainWindow>
#include <functional>

class AppContext;
class ControlBar;
class HistoryView;
class InformationGroup;
class QAction;
class QLabel;
class QMenu;
class QSplitter;
class QToolBar;
class QVBoxLayout;
class TaskTreePanel;

// The main window. It renders the program-wide state of the context it is built on (title, MCU
// box, port, information memos, history, status line) and follows its changes. The command
// actions exist from the start; they stay disabled until their commands are connected.
class TPXmain : public QMainWindow
{
    Q_OBJECT
public:
    static constexpr int MinimumWidth = 749;
    static constexpr int MinimumHeight = 140;

    // The context must outlive the window.
    explicit TPXmain(AppContext& context, QWidget* parent = nullptr);

    ControlBar* ControlBarPanel() const { return m_controlBar; }
    TaskTreePanel* TaskPanel() const { return m_taskPanel; }
    InformationGroup* InformationPanel() const { return m_information; }
    HistoryView* HistoryList() const { return m_history; }
    // The splitter beside the task tree, and the one between the information group and the history.
    QSplitter* TreeSplitter() const { return m_treeSplitter; }
    QSplitter* InformationSplitter() const { return m_rightSplitter; }
    QLabel* StatusLine() const { return m_statusText; }

    QAction* ActOpen() const { return m_actOpen; }
    QAction* ActAutoRun() const { return m_actAutoRun; }
    QAction* ActErase() const { return m_actErase; }
    QAction* ActBlankCheck() const { return m_actBlankCheck; }
    QAction* ActVerify() const { return m_actVerify; }
    QAction* ActRead() const { return m_actRead; }
    QAction* ActSelectMcu() const { return m_actSelectMcu; }
    QAction* ActExit() const { return m_actExit; }
    // Programmer commands: "Reset Praxon " of the Run menu and of the Help menu, "Clear Leds",
    // "Synchronize &Firmware" and "&About Praxon ...".
    QAction* ActResetRun() const { return m_actResetRun; }
    QAction* ActResetHelp() const { return m_actResetHelp; }
    QAction* ActClearLeds() const { return m_actClearLeds; }
    QAction* ActSyncFirmware() const { return m_actSyncFirmware; }
    QAction* ActAbout() const { return m_actAbout; }
    // The menu of the selected device's tasks, rebuilt with the task tree.
    QMenu* McuSectionMenu() const { return m_mcuSection; }
    // The command behind every "MCU Section" entry; its entries stay disabled until one is set.
    void SetMenuTaskHandler(std::function<void(int code)> handler);

    // The menus and the status tool bar, for the command sets that add their own entries.
    QMenu* RunMenu() const { return m_runMenu; }
    QMenu* OptionsMenu() const { return m_optionsMenu; }
    QMenu* HelpMenu() const { return m_helpMenu; }
    QToolBar* StatusTools() const { return m_statusTools; }
    // Puts the counters panel below the work area (the window takes it over).
    void SetCountersPanel(QWidget* panel);
    QWidget* CountersPanelWidget() const { return m_countersPanel; }

private:
    QAction* MakeAction(const char* objectName, const QString& text, const QKeySequence& shortcut);
    void CreateActions();
    QWidget* CreateWorkArea();
    void CreateMenus();
    void CreateStatusBar();
    void ShowState();
    void RebuildMcuSection();

    AppContext& m_context;
    ControlBar* m_controlBar = nullptr;
    TaskTreePanel* m_taskPanel = nullptr;
    InformationGroup* m_information = nullptr;
    HistoryView* m_history = nullptr;
    QSplitter* m_treeSplitter = nullptr;
    QSplitter* m_rightSplitter = nullptr;
    QLabel* m_statusText = nullptr;

    QAction* m_actOpen = nullptr;
    QAction* m_actAutoRun = nullptr;
    QAction* m_actErase = nullptr;
    QAction* m_actBlankCheck = nullptr;
    QAction* m_actVerify = nullptr;
    QAction* m_actRead = nullptr;
    QAction* m_actSelectMcu = nullptr;
    QAction* m_actExit = nullptr;
    QAction* m_actResetRun = nullptr;
    QAction* m_actResetHelp = nullptr;
    QAction* m_actClearLeds = nullptr;
    QAction* m_actSyncFirmware = nullptr;
    QAction* m_actAbout = nullptr;
    QMenu* m_mcuSection = nullptr;
    QMenu* m_runMenu = nullptr;
    QMenu* m_optionsMenu = nullptr;
    QMenu* m_helpMenu = nullptr;
    QToolBar* m_statusTools = nullptr;
    QVBoxLayout* m_centralLayout = nullptr;
    QWidget* m_countersPanel = nullptr;
    std::function<void(int code)> m_menuTask;
};
