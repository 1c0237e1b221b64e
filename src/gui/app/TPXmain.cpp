#include "gui/app/TPXmain.h"

#include "core/context/AppContext.h"
#include "core/devices/TemplateTables.h"
#include "gui/app/ControlBar.h"
#include "gui/app/HistoryView.h"
#include "gui/app/InformationGroup.h"
#include "gui/app/TaskTreePanel.h"
#include "gui/engine/McuSectionMenuView.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

namespace {
// Room the history gets below the information group before the window is first sized.
constexpr int InitialHistoryHeight = 300;
constexpr int InitialRightWidth = 600;
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
    layout->addWidget(m_controlBar);
    layout->addWidget(CreateWorkArea(), 1);
    m_centralLayout = layout;
    setCentralWidget(central);
    CreateStatusBar();

    // The Select MCU button follows its command's availability; the MCU box always asks, and the
    // disabled action ignores it.
    m_controlBar->SelectMcuButton()->setEnabled(m_actSelectMcu->isEnabled());
    connect(m_actSelectMcu, &QAction::enabledChanged, m_controlBar->SelectMcuButton(), &QWidget::setEnabled);
    connect(m_controlBar, &ControlBar::SelectMcuRequested, m_actSelectMcu, &QAction::trigger);
    connect(m_controlBar, &ControlBar::ExitClicked, m_actExit, &QAction::trigger);
    connect(m_actExit, &QAction::triggered, this, &QWidget::close);

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
    for (QAction* pending :
         {m_actOpen, m_actAutoRun, m_actErase, m_actBlankCheck, m_actVerify, m_actRead, m_actSelectMcu})
        pending->setEnabled(false);

    m_actExit = MakeAction("Act_Exit", QStringLiteral("E&XIT"), QKeySequence(Qt::ALT | Qt::Key_X));
    // The programmer commands are enabled; the link connects them (see MainWindowLinkCommands).
    m_actResetRun = MakeAction("Act_ResetRun", QStringLiteral("Reset Praxon "), {});
    m_actResetHelp = MakeAction("Act_ResetHelp", QStringLiteral("Reset Praxon "), {});
    m_actClearLeds = MakeAction("Act_ClearLeds", QStringLiteral("Clear Leds"), {});
    m_actSyncFirmware = MakeAction("Act_SyncFirmware", QStringLiteral("Synchronize &Firmware"), {});
    m_actAbout = MakeAction("Act_About", QStringLiteral("&About Praxon ..."), {});
    // Added to the window itself so that the shortcuts work while the menus are closed or hidden.
    addActions(
        {m_actOpen, m_actAutoRun, m_actErase, m_actBlankCheck, m_actVerify, m_actRead, m_actSelectMcu, m_actExit});
}

void TPXmain::CreateMenus()
{
    QMenuBar* bar = menuBar();
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("Menu_File"));
    file->addAction(m_actOpen);
    file->addSeparator();
    file->addAction(m_actExit);

    QMenu* run = bar->addMenu(QStringLiteral("&Run"));
    m_runMenu = run;
    run->setObjectName(QStringLiteral("Menu_Run"));
    run->addActions({m_actAutoRun, m_actErase, m_actBlankCheck, m_actVerify, m_actRead});
    run->addSeparator();
    run->addAction(m_actResetRun);

    m_mcuSection = bar->addMenu(QStringLiteral("MCU Section"));
    m_mcuSection->setObjectName(QStringLiteral("Menu_McuSection"));

    QMenu* options = bar->addMenu(QStringLiteral("&Options"));
    m_optionsMenu = options;
    options->setObjectName(QStringLiteral("Menu_Options"));
    options->addAction(m_actSelectMcu);

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    m_helpMenu = help;
    help->setObjectName(QStringLiteral("Menu_Help"));
    help->addAction(m_actAbout);
    help->addSeparator();
    help->addActions({m_actResetHelp, m_actClearLeds, m_actSyncFirmware});
}

QWidget* TPXmain::CreateWorkArea()
{
    m_treeSplitter = new QSplitter(Qt::Horizontal);
    m_treeSplitter->setObjectName(QStringLiteral("TreeSplitter"));
    m_taskPanel = new TaskTreePanel;
    m_taskPanel->Attach(m_context);
    m_treeSplitter->addWidget(m_taskPanel);

    m_rightSplitter = new QSplitter(Qt::Vertical);
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
    tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
    tools->addActions({m_actClearLeds, m_actAutoRun});
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
