#include "gui/app/TPXmain.h"

#include "core/context/AppContext.h"
#include "core/devices/ParameterEditor.h"
#include "core/model/TemplateTables.h"
#include "core/util/SerialDevices.h"
#include "gui/app/ActionIcons.h"
#include "gui/app/ControlBar.h"
#include "gui/app/HistoryView.h"
#include "gui/app/InformationGroup.h"
#include "gui/app/MainWindowSizing.h"
#include "gui/app/PortComboBox.h"
#include "gui/app/TaskTreePanel.h"
#include "gui/engine/McuSectionMenuView.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

namespace {
// Room the history gets below the information group before the window is first sized.
constexpr int InitialHistoryHeight = 300;
constexpr int InitialRightWidth = 600;
constexpr int InitialWidth = 960;
constexpr int InitialHeight = 720;
} // namespace

TPXmain::TPXmain(AppContext& context, QWidget* parent) : QMainWindow(parent), m_context(context)
{
    setObjectName(QStringLiteral("TPXmain"));
    setMinimumSize(MinimumWidth, MinimumHeight);
    CreateActions();
    CreateMenus();

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_controlBar = new ControlBar(m_context.Window(), central);
    m_controlBar->ToolBar()->addActions({m_actOpen, m_actAutoRun, m_actErase, m_actBlankCheck, m_actVerify, m_actRead});
    // Each port name of the list shows the device or URL the port map gives it.
    m_controlBar->PortList()->SetDescriber(
        [this](int portNumber) { return SerialDevices::Describe(m_context.Workstation().PortTarget(portNumber)); });
    layout->addWidget(m_controlBar);
    layout->addWidget(CreateWorkArea(), 1);
    m_centralLayout = layout;
    setCentralWidget(central);
    CreateStatusBar();
    // Until a remembered placement says otherwise: room for every part, within the screen.
    QSize initial(InitialWidth, InitialHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        initial = initial.boundedTo(screen->availableGeometry().size());
    resize(initial.expandedTo(minimumSize()));

    // The Select MCU button follows its command's availability; the MCU box always asks, and the
    // disabled action ignores it.
    m_controlBar->SelectMcuButton()->setEnabled(m_actSelectMcu->isEnabled());
    connect(m_actSelectMcu, &QAction::enabledChanged, m_controlBar->SelectMcuButton(), &QWidget::setEnabled);
    connect(m_controlBar, &ControlBar::SelectMcuRequested, m_actSelectMcu, &QAction::trigger);
    connect(m_controlBar, &ControlBar::ExitClicked, m_actExit, &QAction::trigger);
    // EXIT does nothing while the parameter editor is open (the device selection waits for it).
    connect(m_actExit, &QAction::triggered, this, [this] {
        if (!m_context.Templates().parameterEditorOpen)
            close();
    });

    MainWindowState& state = m_context.Window();
    connect(&state, &MainWindowState::Changed, this, &TPXmain::ShowState);
    connect(&state, &MainWindowState::ShowRequested, this, [this](bool minimised) {
        if (minimised) {
            showMinimized();
        } else {
            setWindowState(windowState() & ~Qt::WindowMinimized);
            show();
        }
    });
    ShowState();

    m_context.Templates().OnRebuilt([this] { RebuildMcuSection(); });
    RebuildMcuSection();
}

void TPXmain::SetMenuTaskHandler(std::function<void(int code)> handler)
{
    m_menuTask = std::move(handler);
    RebuildMcuSection();
}

void TPXmain::SetCountersPanel(QWidget* panel)
{
    if (m_countersPanel)
        delete m_countersPanel;
    m_countersPanel = panel;
    if (panel)
        m_centralLayout->addWidget(panel, 0);
}

void TPXmain::RebuildMcuSection()
{
    FillMcuSectionMenu(m_mcuSection, m_context.Templates().menu, [this](int code) {
        if (m_menuTask)
            m_menuTask(code);
    });
    // Entries that run a task wait for the task engine; submenus still open to show them.
    if (!m_menuTask) {
        QList<QMenu*> menus = m_mcuSection->findChildren<QMenu*>();
        menus << m_mcuSection;
        for (QMenu* menu : menus)
            for (QAction* action : menu->actions())
                if (!action->menu())
                    action->setEnabled(false);
    }
    m_mcuSection->menuAction()->setEnabled(!m_mcuSection->isEmpty());
}

QAction* TPXmain::MakeAction(const char* objectName, const QString& text, const QKeySequence& shortcut)
{
    auto* action = new QAction(text, this);
    action->setObjectName(QString::fromLatin1(objectName));
    action->setShortcut(shortcut);
    return action;
}

QAction* TPXmain::MakePending(const char* objectName, const QString& text)
{
    QAction* action = MakeAction(objectName, text, {});
    action->setEnabled(false);
    return action;
}

void TPXmain::CreateActions()
{
    m_actOpen = MakeAction("Act_Open", QStringLiteral("&Open File ..."), {});
    m_actOpen->setIconText(QStringLiteral("Open"));
    m_actAutoRun = MakeAction("Act_AutoRun", QStringLiteral("Auto Run"), QKeySequence(Qt::Key_F4));
    m_actErase = MakeAction("Act_Erase", QStringLiteral("Erase"), QKeySequence(Qt::CTRL | Qt::Key_E));
    m_actBlankCheck = MakeAction("Act_BlankCheck", QStringLiteral("Blank Check"), QKeySequence(Qt::CTRL | Qt::Key_B));
    m_actVerify = MakeAction("Act_Verify", QStringLiteral("Verify"), QKeySequence(Qt::Key_F5));
    m_actRead = MakeAction("Act_Read", QStringLiteral("Read"), QKeySequence(Qt::CTRL | Qt::Key_R));
    m_actSelectMcu = MakeAction("Act_SelectMcu", QStringLiteral("&Select MCU Device ..."), {});
    m_actSaveHex = MakeAction("Act_SaveHex", QStringLiteral("Save &Hex File As ..."), {});
    m_actSaveOptions = MakeAction("Act_SaveOptions", QStringLiteral("&Save Option settings"), {});
    m_actHelpFile = MakeAction("Act_HelpFile", QStringLiteral("&Help File ..."), {});
    m_actInfo = MakeAction("Act_Info", QStringLiteral("Info"), {});
    m_actInfo->setToolTip(QStringLiteral("Show the Information Window"));
    for (QAction* pending : {m_actOpen, m_actAutoRun, m_actErase, m_actBlankCheck, m_actVerify, m_actRead,
                             m_actSelectMcu, m_actSaveHex, m_actSaveOptions, m_actHelpFile, m_actInfo})
        pending->setEnabled(false);

    m_actOpen->setIcon(ThemeIcon("document-open", QStyle::SP_DialogOpenButton));
    m_actAutoRun->setIcon(ThemeIcon("media-playback-start", QStyle::SP_MediaPlay));
    m_actErase->setIcon(ThemeIcon("edit-delete", QStyle::SP_TrashIcon));
    m_actBlankCheck->setIcon(ThemeIcon("edit-find", QStyle::SP_FileDialogContentsView));
    m_actVerify->setIcon(ThemeIcon("dialog-ok-apply", QStyle::SP_DialogApplyButton));
    m_actRead->setIcon(ThemeIcon("document-save", QStyle::SP_ArrowDown));
    m_actInfo->setIcon(ThemeIcon("dialog-information", QStyle::SP_MessageBoxInformation));

    m_actExit = MakeAction("Act_Exit", QStringLiteral("E&XIT"), QKeySequence(Qt::ALT | Qt::Key_X));
    // The programmer commands are enabled; the link connects them (see MainWindowLinkCommands).
    m_actResetRun = MakeAction("Act_ResetRun", QStringLiteral("Reset Praxon "), {});
    m_actResetHelp = MakeAction("Act_ResetHelp", QStringLiteral("Reset Praxon "), {});
    m_actClearLeds = MakeAction("Act_ClearLeds", QStringLiteral("Clear Leds"), {});
    m_actClearLeds->setIcon(ThemeIcon("edit-clear", QStyle::SP_DialogResetButton));
    m_actSyncFirmware = MakeAction("Act_SyncFirmware", QStringLiteral("Synchronize &Firmware"), {});
    m_actAbout = MakeAction("Act_About", QStringLiteral("&About Praxon ..."), {});

    // The commands of the editors window, the options dialog, the option-editing lock, the history
    // printout and the dual VPP test wait for those windows.
    m_actPrintHistory = MakePending("Act_PrintHistory", QStringLiteral("&Print / Save History"));
    m_actEditCalibration = MakePending("Act_EditCalibration", QStringLiteral("C&alibration ..."));
    m_actEditCode = MakePending("Act_EditCode", QStringLiteral("&Code ..."));
    m_actEditData = MakePending("Act_EditData", QStringLiteral("&Data ..."));
    m_actEditId = MakePending("Act_EditId", QStringLiteral("&ID Values ..."));
    m_actEditConfigWord = MakePending("Act_EditConfigWord", QStringLiteral("Configuration &Word ..."));
    m_actEditSerial = MakePending("Act_EditSerial", QStringLiteral("&Serial Numbers ..."));
    m_actEnableEditing = MakePending("Act_EnableEditing", QStringLiteral("Enable &Option Editing"));
    m_actDisableEditing = MakePending("Act_DisableEditing", QStringLiteral("Disable &Option Editing"));
    m_actEnableEditing->setVisible(false);
    m_actSetAutoOptions = MakePending("Act_SetAutoOptions", QStringLiteral("Set Auto &Options ..."));
    m_optionPages = {MakePending("Act_AutoOptions", QStringLiteral("Auto &Options ...")),
                     MakePending("Act_GeneralOptions", QStringLiteral("&General ...")),
                     MakePending("Act_HexOptions", QStringLiteral("&HEX File ...")),
                     MakePending("Act_SerialOptions", QStringLiteral("Serial &Numbers ...")),
                     MakePending("Act_AdvancedOptions", QStringLiteral("&Advanced ..."))};
    m_actDualVpp = MakePending("Act_DualVpp", QStringLiteral("Test Dual &VPP"));

    // The views: the two views exclude each other, the show/hide items tick.
    m_actFullView = MakeAction("Act_FullView", QStringLiteral("&Full View"), {});
    m_actCompactView = MakeAction("Act_CompactView", QStringLiteral("&Compact View"), {});
    auto* views = new QActionGroup(this);
    for (QAction* view : {m_actFullView, m_actCompactView}) {
        view->setCheckable(true);
        views->addAction(view);
    }
    m_actFullView->setChecked(true);
    m_actShowInformation = MakeAction("Act_ShowInformation", QStringLiteral("&Information Group"), {});
    m_actShowTasks = MakeAction("Act_ShowTasks", QStringLiteral("Programming &Tasks"), {});
    m_actShowHistory = MakeAction("Act_ShowHistory", QStringLiteral("&History"), {});
    for (QAction* item : {m_actShowInformation, m_actShowTasks, m_actShowHistory}) {
        item->setCheckable(true);
        item->setChecked(true);
    }

    // Added to the window itself so that the shortcuts work while the menus are closed or hidden.
    addActions(
        {m_actOpen, m_actAutoRun, m_actErase, m_actBlankCheck, m_actVerify, m_actRead, m_actSelectMcu, m_actExit});
}

void TPXmain::CreateMenus()
{
    QMenuBar* bar = menuBar();
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    m_fileMenu = file;
    file->setObjectName(QStringLiteral("Menu_File"));
    file->addAction(m_actOpen);
    m_recentMenu = file->addMenu(QStringLiteral("&Re-Open"));
    m_recentMenu->setObjectName(QStringLiteral("Menu_ReOpen"));
    file->addActions({m_actSaveHex, m_actSaveOptions});
    file->addSeparator();
    file->addAction(m_actPrintHistory);
    file->addSeparator();
    file->addAction(m_actExit);

    QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
    m_editMenu = edit;
    edit->setObjectName(QStringLiteral("Menu_Edit"));
    edit->addActions(
        {m_actEditCalibration, m_actEditCode, m_actEditData, m_actEditId, m_actEditConfigWord, m_actEditSerial});
    edit->addSeparator();
    edit->addActions({m_actEnableEditing, m_actDisableEditing});

    QMenu* run = bar->addMenu(QStringLiteral("&Run"));
    m_runMenu = run;
    run->setObjectName(QStringLiteral("Menu_Run"));
    run->addActions({m_actAutoRun, m_actErase, m_actBlankCheck, m_actVerify, m_actRead});
    run->addSeparator();
    run->addAction(m_actSetAutoOptions);
    run->addSeparator();
    run->addAction(m_actResetRun);

    m_mcuSection = bar->addMenu(QStringLiteral("MCU Section"));
    m_mcuSection->setObjectName(QStringLiteral("Menu_McuSection"));

    QMenu* options = bar->addMenu(QStringLiteral("&Options"));
    m_optionsMenu = options;
    options->setObjectName(QStringLiteral("Menu_Options"));
    options->addActions(m_optionPages);
    options->addSeparator();
    options->addAction(m_actSelectMcu);

    QMenu* view = bar->addMenu(QStringLiteral("&View"));
    m_viewMenu = view;
    view->setObjectName(QStringLiteral("Menu_View"));
    view->addActions({m_actFullView, m_actCompactView});
    view->addSeparator();
    view->addActions({m_actShowInformation, m_actShowTasks, m_actShowHistory});

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    m_helpMenu = help;
    help->setObjectName(QStringLiteral("Menu_Help"));
    help->addActions({m_actAbout, m_actHelpFile});
    help->addSeparator();
    help->addActions({m_actResetHelp, m_actClearLeds, m_actSyncFirmware, m_actDualVpp});
}

QWidget* TPXmain::CreateWorkArea()
{
    m_treeSplitter = new QSplitter(Qt::Horizontal);
    m_treeSplitter->setObjectName(QStringLiteral("TreeSplitter"));
    m_taskPanel = new TaskTreePanel;
    m_taskPanel->Attach(m_context);
    m_treeSplitter->addWidget(m_taskPanel);

    m_rightSplitter = new RightHandSplitter(Qt::Vertical);
    m_rightSplitter->setObjectName(QStringLiteral("HistorySplitter"));
    m_information = new InformationGroup(m_context.Window());
    m_history = new HistoryView(m_context.History());
    m_history->setObjectName(QStringLiteral("History"));
    m_rightSplitter->addWidget(m_information);
    m_rightSplitter->addWidget(m_history);
    m_rightSplitter->setChildrenCollapsible(false);
    // Growing the window gives the room to the history, not to the information group.
    m_rightSplitter->setStretchFactor(0, 0);
    m_rightSplitter->setStretchFactor(1, 1);
    m_rightSplitter->setSizes({InformationGroup::InitialHeight, InitialHistoryHeight});

    m_treeSplitter->addWidget(m_rightSplitter);
    m_treeSplitter->setStretchFactor(0, 0);
    m_treeSplitter->setStretchFactor(1, 1);
    m_treeSplitter->setSizes({TaskTreePanel::InitialWidth, InitialRightWidth});
    return m_treeSplitter;
}

void TPXmain::CreateStatusBar()
{
    QStatusBar* bar = statusBar();
    auto* caption = new QLabel(QStringLiteral("  Status: "), bar);
    caption->setObjectName(QStringLiteral("LAB_StatusCaption"));
    m_statusText = new QLabel(bar);
    m_statusText->setObjectName(QStringLiteral("LAB_Status"));
    m_statusText->setTextFormat(Qt::PlainText);
    m_statusText->setAutoFillBackground(true);
    QPalette palette = m_statusText->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::ToolTipBase));
    palette.setColor(QPalette::WindowText, palette.color(QPalette::ToolTipText));
    m_statusText->setPalette(palette);
    m_statusText->setContentsMargins(4, 1, 4, 1);
    bar->addWidget(caption);
    bar->addWidget(m_statusText, 1);
    auto* tools = new QToolBar(bar);
    m_statusTools = tools;
    tools->setObjectName(QStringLiteral("StatusTools"));
    tools->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    tools->addActions({m_actInfo, m_actClearLeds, m_actAutoRun});
    bar->addPermanentWidget(tools);
}

void TPXmain::ShowState()
{
    const MainWindowState& state = m_context.Window();
    if (windowTitle() != state.Title())
        setWindowTitle(state.Title());
    if (m_statusText->text() != state.StatusText())
        m_statusText->setText(state.StatusText());
}

QWidget* TPXmain::WorkArea() const
{
    return m_treeSplitter;
}

void TPXmain::closeEvent(QCloseEvent* event)
{
    ProgramFlags& flags = m_context.Flags();
    if (!flags.ProgramExiting) {
        flags.ProgramExiting = true;
        // The socket lamps go dark and stop flashing; the sockets in use stay as the settings keep them.
        emit Closing();
        flags.AutoRunPending = false;
        flags.AutoRunArmed = false;
    }
    // Closing is never refused: a parameter editor still open closes without writing its rows, so
    // the device selection waiting for it can end.
    if (ParameterEditorView* editor = m_context.Templates().parameterEditorView;
        editor && m_context.Templates().parameterEditorOpen)
        editor->AbortEditing();
    event->accept();
    QMainWindow::closeEvent(event);
}
