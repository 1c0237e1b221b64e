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
// box, port, information memos, history, status line) and follows its changes. Every command
// action exists from the start; each stays disabled until its command set connects it, and the
// commands that belong to windows this build does not have yet stay disabled for good.
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
    // File menu.
    QMenu* RecentMenu() const { return m_recentMenu; }
    QAction* ActSaveHex() const { return m_actSaveHex; }
    QAction* ActSaveOptions() const { return m_actSaveOptions; }
    QAction* ActPrintHistory() const { return m_actPrintHistory; }
    // Edit menu: the editors' pages and the option-editing lock.
    QAction* ActEditCalibration() const { return m_actEditCalibration; }
    QAction* ActEditCode() const { return m_actEditCode; }
    QAction* ActEditData() const { return m_actEditData; }
    QAction* ActEditId() const { return m_actEditId; }
    QAction* ActEditConfigWord() const { return m_actEditConfigWord; }
    QAction* ActEditSerial() const { return m_actEditSerial; }
    QAction* ActEnableEditing() const { return m_actEnableEditing; }
    QAction* ActDisableEditing() const { return m_actDisableEditing; }
    // The options dialog's pages: "Set Auto &Options ..." of the Run menu and the Options menu's five.
    QAction* ActSetAutoOptions() const { return m_actSetAutoOptions; }
    const QList<QAction*>& OptionPageActions() const { return m_optionPages; }
    // View menu.
    QMenu* ViewMenu() const { return m_viewMenu; }
    QAction* ActFullView() const { return m_actFullView; }
    QAction* ActCompactView() const { return m_actCompactView; }
    QAction* ActShowInformation() const { return m_actShowInformation; }
    QAction* ActShowTasks() const { return m_actShowTasks; }
    QAction* ActShowHistory() const { return m_actShowHistory; }
    // Help menu and the status tool bar.
    QAction* ActHelpFile() const { return m_actHelpFile; }
    QAction* ActDualVpp() const { return m_actDualVpp; }
    QAction* ActInfo() const { return m_actInfo; }
    // The menu of the selected device's tasks, rebuilt with the task tree.
    QMenu* McuSectionMenu() const { return m_mcuSection; }
    // The command behind every "MCU Section" entry; its entries stay disabled until one is set.
    void SetMenuTaskHandler(std::function<void(int code)> handler);

    // The menus and the status tool bar, for the command sets that add their own entries.
    QMenu* RunMenu() const { return m_runMenu; }
    QMenu* OptionsMenu() const { return m_optionsMenu; }
    QMenu* HelpMenu() const { return m_helpMenu; }
    QMenu* EditMenu() const { return m_editMenu; }
    QMenu* FileMenu() const { return m_fileMenu; }
    QToolBar* StatusTools() const { return m_statusTools; }
    // Puts the counters panel below the work area (the window takes it over).
    void SetCountersPanel(QWidget* panel);
    QWidget* CountersPanelWidget() const { return m_countersPanel; }
    // The work area below the control bar: the tree splitter with the task panel and the
    // right-hand area (information group, splitter, history).
    QWidget* WorkArea() const;

signals:
    // The window is being closed for the first time: the program is ending.
    void Closing();

protected:
    // Closing is never refused: the program is ending, so windows closed from now on keep their
    // open flags, the socket indicators are switched off (Closing), and an Auto Run the command
    // line asked for is not started any more.
    void closeEvent(QCloseEvent* event) override;

private:
    QAction* MakeAction(const char* objectName, const QString& text, const QKeySequence& shortcut);
    // An action whose command comes with a later part of the program: shown, never enabled.
    QAction* MakePending(const char* objectName, const QString& text);
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
    QMenu* m_recentMenu = nullptr;
    QAction* m_actSaveHex = nullptr;
    QAction* m_actSaveOptions = nullptr;
    QAction* m_actPrintHistory = nullptr;
    QAction* m_actEditCalibration = nullptr;
    QAction* m_actEditCode = nullptr;
    QAction* m_actEditData = nullptr;
    QAction* m_actEditId = nullptr;
    QAction* m_actEditConfigWord = nullptr;
    QAction* m_actEditSerial = nullptr;
    QAction* m_actEnableEditing = nullptr;
    QAction* m_actDisableEditing = nullptr;
    QAction* m_actSetAutoOptions = nullptr;
    QList<QAction*> m_optionPages;
    QMenu* m_viewMenu = nullptr;
    QAction* m_actFullView = nullptr;
    QAction* m_actCompactView = nullptr;
    QAction* m_actShowInformation = nullptr;
    QAction* m_actShowTasks = nullptr;
    QAction* m_actShowHistory = nullptr;
    QAction* m_actHelpFile = nullptr;
    QAction* m_actDualVpp = nullptr;
    QAction* m_actInfo = nullptr;
    QMenu* m_fileMenu = nullptr;
    QMenu* m_editMenu = nullptr;
    QMenu* m_mcuSection = nullptr;
    QMenu* m_runMenu = nullptr;
    QMenu* m_optionsMenu = nullptr;
    QMenu* m_helpMenu = nullptr;
    QToolBar* m_statusTools = nullptr;
    QVBoxLayout* m_centralLayout = nullptr;
    QWidget* m_countersPanel = nullptr;
    std::function<void(int code)> m_menuTask;
};
