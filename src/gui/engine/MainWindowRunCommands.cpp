#include "gui/engine/MainWindowRunCommands.h"

#include "core/app/Engine.h"
#include "core/context/AppContext.h"
#include "core/engine/CycleRunner.h"
#include "core/engine/ProductionCounters.h"
#include "core/engine/SocketMasks.h"
#include "core/engine/SocketPanel.h"
#include "core/model/OptionBindings.h"
#include "gui/app/ActionIcons.h"
#include "gui/app/ControlBar.h"
#include "gui/app/TPXmain.h"
#include "gui/app/TaskTreePanel.h"
#include "gui/engine/CountersPanel.h"
#include "gui/engine/TargetMonitorView.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <QToolBar>

namespace {
QString SocketCaption(int socket)
{
    return QStringLiteral("Socket &") + QChar::fromLatin1(Sockets::Letter.at(size_t(socket)));
}
} // namespace

MainWindowRunCommands::MainWindowRunCommands(TPXmain& window, AppContext& context, Engine& engine)
    : QObject(&window), m_window(window), m_context(context), m_engine(engine)
{
    CycleRunner& cycles = m_engine.Cycles();

    // The window's own cycle actions get their hints; the others are made here.
    window.ActAutoRun()->setToolTip(QStringLiteral("Auto Run (Program/Verify MCU)"));
    window.ActErase()->setToolTip(QStringLiteral("Erase MCU (Flash Based)"));
    window.ActBlankCheck()->setToolTip(QStringLiteral("Blank Check  Only"));
    window.ActVerify()->setToolTip(QStringLiteral("Verify  Only"));
    window.ActRead()->setToolTip(QStringLiteral("READ  "));
    window.ActClearLeds()->setToolTip(QStringLiteral("Clear Status Leds"));
    m_actProgramOnly = MakeAction("Act_Pgm", QStringLiteral("&Program  Only"), QStringLiteral("Program Only"),
                                  QKeySequence(Qt::CTRL | Qt::Key_P));
    m_actSerialize = MakeAction("ACT_sn", QStringLiteral("Serialize"), QString(), {});
    m_actFuses = MakeAction("Act_Fuses", QStringLiteral("Fuses"), QString(), {});
    m_actStop = MakeAction("Act_stop", QStringLiteral("Stop"), QStringLiteral("Halt the Current Task"), {});
    m_actClearStats = MakeAction("Act_ClearStats", QStringLiteral("Clear &Stats"), QString(), {});
    m_actStop->setIcon(ThemeIcon("process-stop", QStyle::SP_BrowserStop));

    // Run menu: Serialize and Fuses join the cycle commands, ahead of the reset
    // entry.
    QMenu* run = window.RunMenu();
    QAction* beforeReset = nullptr;
    for (QAction* action : run->actions())
        if (action->isSeparator()) {
            beforeReset = action;
            break;
        }
    run->insertActions(beforeReset, {m_actSerialize, m_actFuses});
    // Status tool bar: Stop before Auto Run.
    window.StatusTools()->insertAction(window.ActAutoRun(), m_actStop);
    // Help menu: "Clear &Stats" after "Clear Leds".
    QMenu* help = window.HelpMenu();
    const QList<QAction*> helpItems = help->actions();
    const qsizetype leds = helpItems.indexOf(window.ActClearLeds());
    help->insertAction(leds >= 0 && leds + 1 < helpItems.size() ? helpItems.at(leds + 1) : nullptr, m_actClearStats);

    const auto wire = [this](QAction* action, void (CycleRunner::*command)()) {
        connect(action, &QAction::triggered, this,
                [this, command] { Queue([this, command] { (m_engine.Cycles().*command)(); }); });
    };
    wire(window.ActAutoRun(), &CycleRunner::AutoRun);
    wire(window.ActErase(), &CycleRunner::Erase);
    wire(window.ActBlankCheck(), &CycleRunner::BlankCheck);
    wire(m_actProgramOnly, &CycleRunner::ProgramOnly);
    wire(window.ActVerify(), &CycleRunner::Verify);
    wire(m_actSerialize, &CycleRunner::Serialize);
    wire(m_actFuses, &CycleRunner::Fuses);
    wire(window.ActRead(), &CycleRunner::Read);
    wire(m_actClearStats, &CycleRunner::ClearStats);
    // Stop acts at once: the run it halts is pumping events inside a command
    // already.
    connect(m_actStop, &QAction::triggered, &cycles, &CycleRunner::Stop);

    m_lockedActions = {
        {RunLock::Item::Stop, m_actStop},
        {RunLock::Item::AutoRun, window.ActAutoRun()},
        {RunLock::Item::Erase, window.ActErase()},
        {RunLock::Item::BlankCheck, window.ActBlankCheck()},
        {RunLock::Item::ProgramOnly, m_actProgramOnly},
        {RunLock::Item::Verify, window.ActVerify()},
        {RunLock::Item::Serialize, m_actSerialize},
        {RunLock::Item::Fuses, m_actFuses},
        {RunLock::Item::Read, window.ActRead()},
        {RunLock::Item::ClearLeds, window.ActClearLeds()},
        {RunLock::Item::ResetMenu, window.ActResetRun()},
        {RunLock::Item::Info, window.ActInfo()},
    };
    // Another command set may enable an action of its own accord (the link does
    // when a reset it ran is over); while a run holds the lock the action goes
    // back off.
    for (const auto& [item, action] : m_lockedActions)
        connect(action, &QAction::enabledChanged, this, [this, item = item, action = action](bool enabled) {
            if (enabled && !m_engine.Lock().Enabled(item))
                action->setEnabled(false);
        });
    window.ControlBarPanel()->installEventFilter(this);

    m_counters = new CountersPanel(m_engine.Sockets(), m_engine.Counters());
    window.SetCountersPanel(m_counters);
    m_counters->installEventFilter(this);
    CreateSocketsMenu();
    CreateReadSocketMenu();
    m_monitorView = new TargetMonitorView(m_engine.Monitor(), &window);

    TaskTreeWidget* tree = window.TaskPanel()->Tree();
    tree->SetCycleRunningCheck([this] { return m_engine.State().CycleRunning || m_engine.Lock().Locked(); });
    connect(tree, &TaskTreeWidget::RunRequested, this,
            [this](int row) { Queue([this, row] { m_engine.Cycles().RunFromTree(row); }); });
    window.SetMenuTaskHandler([this](int code) { Queue([this, code] { m_engine.Cycles().MenuTask(code); }); });
    connect(&cycles, &CycleRunner::SocketChoiceRequested, this, &MainWindowRunCommands::PopUpReadSocketMenu);

    connect(&m_engine.Lock(), &RunLock::Changed, this, &MainWindowRunCommands::ApplyLock);
    connect(&m_engine.Sockets(), &SocketPanel::Changed, this, &MainWindowRunCommands::ShowSockets);
    connect(&window, &TPXmain::Closing, this, [this] { m_engine.Sockets().SwitchOffIndicators(); });
    // The option refresh changes what the unlocked commands offer; its last stage
    // re-applies them.
    context.Bindings().AddStage(OptionStage::SocketIndicators, [self = QPointer<MainWindowRunCommands>(this)] {
        if (self) {
            self->ApplyLock();
            self->ShowSockets();
        }
    });
    ApplyLock();
    ShowSockets();
}

MainWindowRunCommands::~MainWindowRunCommands()
{
    if (m_busyCursor)
        QApplication::restoreOverrideCursor();
}

QAction* MainWindowRunCommands::MakeAction(const char* objectName, const QString& text, const QString& hint,
                                           const QKeySequence& key)
{
    auto* action = new QAction(text, &m_window);
    action->setObjectName(QString::fromLatin1(objectName));
    action->setShortcut(key);
    if (!hint.isEmpty())
        action->setToolTip(hint);
    // On the window, so that the shortcut works whether or not a menu shows the
    // action.
    m_window.addAction(action);
    return action;
}

QAction* MainWindowRunCommands::ActionOf(RunLock::Item item) const
{
    for (const auto& [lockItem, action] : m_lockedActions)
        if (lockItem == item)
            return action;
    return nullptr;
}

void MainWindowRunCommands::CreateSocketsMenu()
{
    m_socketsMenu = new QMenu(QStringLiteral("&Programming Sockets"), &m_window);
    m_socketsMenu->setObjectName(QStringLiteral("Menu_ProgrammingSockets"));
    m_window.OptionsMenu()->addMenu(m_socketsMenu);
    auto* mode = new QActionGroup(m_socketsMenu);
    m_single = m_socketsMenu->addAction(QStringLiteral("ICP or &Single"));
    m_gang = m_socketsMenu->addAction(QStringLiteral("&Gang"));
    for (QAction* action : {m_single, m_gang}) {
        action->setCheckable(true);
        mode->addAction(action);
    }
    m_socketsMenu->addSeparator();
    for (int s = 0; s < Sockets::Count; ++s) {
        QAction* item = m_socketsMenu->addAction(SocketCaption(s));
        item->setCheckable(true);
        m_socketItems.at(size_t(s)) = item;
        // The item acts like the socket's switch; the panel decides its tick.
        connect(item, &QAction::triggered, this, [this, s] { m_engine.Sockets().SocketSwitchClick(s); });
    }
    connect(m_gang, &QAction::triggered, this, [this] { m_engine.Sockets().GangClick(); });
    connect(m_single, &QAction::triggered, this, [this] { m_engine.Sockets().SingleClick(); });
}

void MainWindowRunCommands::CreateReadSocketMenu()
{
    m_readMenu = new QMenu(&m_window);
    m_readMenu->setObjectName(QStringLiteral("Menu_ReadSocket"));
    for (int s = 0; s < Sockets::Count; ++s) {
        QAction* item = m_readMenu->addAction(SocketCaption(s));
        item->setCheckable(true);
        m_readItems.at(size_t(s)) = item;
        connect(item, &QAction::triggered, this, [this, s] {
            m_engine.Sockets().ChooseReadItem(s);
            const int ordinal = Sockets::OrdinalBit.at(size_t(s));
            Queue([this, ordinal] { m_engine.Cycles().ReadSocket(ordinal); });
        });
    }
}

void MainWindowRunCommands::PopUpReadSocketMenu()
{
    ShowSockets();
    const QPoint mouse = QCursor::pos();
    if (m_window.frameGeometry().contains(mouse)) {
        m_readMenu->popup(mouse);
        return;
    }
    QToolBar* tools = m_window.ControlBarPanel()->ToolBar();
    QWidget* button = tools->widgetForAction(m_window.ActRead());
    const QWidget* anchor = button ? button : tools;
    m_readMenu->popup(anchor->mapToGlobal(QPoint(0, anchor->height())));
}

void MainWindowRunCommands::Queue(std::function<void()> command)
{
    QTimer::singleShot(0, this, std::move(command));
}

bool MainWindowRunCommands::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::EnabledChange) {
        auto* widget = qobject_cast<QWidget*>(watched);
        const RunLock::Item item = watched == m_counters ? RunLock::Item::CountersPanel : RunLock::Item::ControlBar;
        if (widget && widget->isEnabled() && !m_engine.Lock().Enabled(item))
            widget->setEnabled(false);
    }
    return QObject::eventFilter(watched, event);
}

void MainWindowRunCommands::ApplyLock()
{
    const RunLock& lock = m_engine.Lock();
    for (const auto& [item, action] : m_lockedActions)
        action->setEnabled(lock.Enabled(item));
    m_window.ControlBarPanel()->setEnabled(lock.Enabled(RunLock::Item::ControlBar));
    m_counters->setEnabled(lock.Enabled(RunLock::Item::CountersPanel));
    m_socketsMenu->menuAction()->setEnabled(lock.Enabled(RunLock::Item::CountersPanel));
    // Option editing locked by the control file: the commands that change what a run writes are
    // hidden.
    const bool optionsHidden = m_context.Options().OptionsHidden();
    for (QAction* action : {m_actSerialize, m_actFuses, m_actClearStats})
        action->setVisible(!optionsHidden);

    // The task tree keeps its selection but does not show it while a run is
    // locked.
    TaskTreeWidget* tree = m_window.TaskPanel()->Tree();
    QPalette palette = tree->palette();
    const QPalette standard = tree->style()->standardPalette();
    const bool show = lock.Enabled(RunLock::Item::TreeSelection);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Highlight,
                         show ? standard.color(group, QPalette::Highlight) : palette.color(group, QPalette::Base));
        palette.setColor(group, QPalette::HighlightedText,
                         show ? standard.color(group, QPalette::HighlightedText)
                              : palette.color(group, QPalette::Text));
    }
    tree->setPalette(palette);
    tree->viewport()->update();

    if (lock.Locked() && !m_busyCursor)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else if (!lock.Locked() && m_busyCursor)
        QApplication::restoreOverrideCursor();
    m_busyCursor = lock.Locked();
}

void MainWindowRunCommands::ShowSockets()
{
    const SocketPanel& sockets = m_engine.Sockets();
    m_gang->setChecked(sockets.GangChecked());
    m_single->setChecked(!sockets.GangChecked());
    for (int s = 0; s < Sockets::Count; ++s) {
        m_socketItems.at(size_t(s))->setChecked(sockets.Indicator(s).douse());
        QAction* read = m_readItems.at(size_t(s));
        read->setVisible(sockets.ReadItemVisible(s));
        read->setChecked(s == sockets.ReadDefault());
    }
    const int chosen = sockets.ReadDefault();
    m_readMenu->setDefaultAction(chosen >= 0 ? m_readItems.at(size_t(chosen)) : nullptr);
}
