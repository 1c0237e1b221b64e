#include "gui/app/MainWindowViews.h"

#include "core/context/AppContext.h"
#include "core/model/OptionBindings.h"
#include "core/model/OptionIndex.h"
#include "gui/app/ControlBar.h"
#include "gui/app/HistoryView.h"
#include "gui/app/InformationGroup.h"
#include "gui/app/TPXmain.h"
#include "gui/app/TaskTreePanel.h"

#include <QAction>
#include <QEvent>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QSplitter>
#include <QStatusBar>
#include <algorithm>

namespace {
// The history keeps its header and a few lines in sight however the splitter is dragged.
constexpr int HistoryMinimumLines = 4;
} // namespace

MainWindowViews::MainWindowViews(TPXmain& window, AppContext& context)
    : QObject(&window), m_window(window), m_context(context)
{
    connect(window.ActCompactView(), &QAction::triggered, this, &MainWindowViews::CompactViewCommand);
    connect(window.ActFullView(), &QAction::triggered, this, &MainWindowViews::FullViewCommand);
    connect(window.ActShowInformation(), &QAction::triggered, this, &MainWindowViews::ToggleInformation);
    connect(window.ActShowTasks(), &QAction::triggered, this, &MainWindowViews::ToggleTasks);
    connect(window.ActShowHistory(), &QAction::triggered, this, &MainWindowViews::ToggleHistory);
    connect(&context.Workstation(), &WorkstationSettings::ViewItemsChanged, this, &MainWindowViews::ShowTicks);

    // The information group never shrinks below its header, nor the history below a few lines;
    // the splitter between them then cannot be dragged past either.
    InformationGroup* information = window.InformationPanel();
    information->setMinimumHeight(information->HeaderHeight());
    HistoryView* history = window.HistoryList();
    history->setMinimumHeight(history->fontMetrics().lineSpacing() * (HistoryMinimumLines + 1) + 8);
    window.InformationSplitter()->setChildrenCollapsible(false);
    window.TreeSplitter()->setChildrenCollapsible(false);
    window.installEventFilter(this);

    // Every refresh (start-up and each file load) shows the view the option asks for; the View
    // menu follows the option-editing lock.
    context.Bindings().AddSwitch(OptionSwitch::ViewMenu, [self = QPointer<MainWindowViews>(this)](bool enabled) {
        if (!self)
            return;
        self->ApplyView();
        self->m_window.ViewMenu()->menuAction()->setEnabled(enabled);
    });
    ShowTicks();
}

int MainWindowViews::FullViewMinimumHeight(int splitter, int informationHeader, int controlBar, int counters,
                                           int statusBar, int frame)
{
    return splitter + informationHeader + controlBar + counters + statusBar + frame;
}

int MainWindowViews::Frame() const
{
    // What the window holds besides its central widget and status bar: the menu bar.
    const QMenuBar* bar = m_window.menuBar();
    return bar && !bar->isHidden() ? bar->sizeHint().height() : 0;
}

void MainWindowViews::MarkDirty()
{
    m_context.Flags().SettingsDirty = true;
    m_context.Bindings().SetSwitch(OptionSwitch::SaveSettingsNow, true);
}

void MainWindowViews::ApplyView()
{
    if (m_context.Options().IsSet(OptionIndex::CompactView))
        ShowCompact();
    else
        ShowFull();
}

void MainWindowViews::CompactViewCommand()
{
    if (m_compactShown) {
        m_window.ActCompactView()->setChecked(true);
        return;
    }
    MarkDirty();
    ShowCompact();
}

void MainWindowViews::FullViewCommand()
{
    if (!m_compactShown) {
        m_window.ActFullView()->setChecked(true);
        return;
    }
    MarkDirty();
    // Keeps a position chosen in the compact view; the full height stays as remembered.
    m_context.Workstation().CapturePlacement(RememberedWindow::Main, true);
    ShowFull();
}

void MainWindowViews::ShowCompact()
{
    m_context.Options().SetValue(OptionIndex::CompactView, true);
    if (m_compactShown)
        return;
    // The full view's height is remembered for the way back.
    if (m_window.isVisible())
        m_context.Workstation().CapturePlacement(RememberedWindow::Main, false);
    m_compactShown = true;
    m_window.WorkArea()->hide();
    m_window.ControlBarPanel()->hide();
    QWidget* counters = m_window.CountersPanelWidget();
    const int countersHeight = counters ? counters->sizeHint().height() : 0;
    const int height =
        qMax(countersHeight + m_window.statusBar()->sizeHint().height() + Frame(), int(TPXmain::MinimumHeight));
    m_window.setMinimumHeight(TPXmain::MinimumHeight);
    m_window.setMaximumHeight(height);
    m_window.resize(m_window.width(), height);
    ShowTicks();
}

void MainWindowViews::ShowFull()
{
    m_context.Options().SetValue(OptionIndex::CompactView, false);
    if (!m_compactShown) {
        ApplyMinimumHeight();
        ShowTicks();
        return;
    }
    m_compactShown = false;
    m_window.setMaximumHeight(QWIDGETSIZE_MAX);
    m_window.ControlBarPanel()->show();
    m_window.WorkArea()->show();
    ApplyMinimumHeight();
    ShowTicks();
    WindowPlacement& record = m_context.Workstation().Placement(RememberedWindow::Main);
    if (record.height > 0 && record.width > 0)
        m_context.Workstation().ApplyPlacement(RememberedWindow::Main);
}

void MainWindowViews::ApplyMinimumHeight()
{
    if (m_compactShown)
        return;
    // The control bar and the counters panel are never squeezed below what they need.
    QWidget* counters = m_window.CountersPanelWidget();
    if (counters)
        counters->setMinimumHeight(counters->sizeHint().height());
    m_window.ControlBarPanel()->setMinimumHeight(m_window.ControlBarPanel()->sizeHint().height());
    const int minimum = FullViewMinimumHeight(
        m_window.InformationSplitter()->handleWidth(), m_window.InformationPanel()->HeaderHeight(),
        m_window.ControlBarPanel()->sizeHint().height(), counters ? counters->sizeHint().height() : 0,
        m_window.statusBar()->sizeHint().height(), Frame());
    // What the layout itself needs (the history's header and a line) counts as well.
    const int layoutMinimum = m_window.layout() ? m_window.layout()->minimumSize().height() : 0;
    m_window.setMinimumHeight(std::max({minimum, layoutMinimum, int(TPXmain::MinimumHeight)}));
}

void MainWindowViews::ShowTicks()
{
    const WorkstationSettings& station = m_context.Workstation();
    m_window.ActCompactView()->setChecked(m_compactShown);
    m_window.ActFullView()->setChecked(!m_compactShown);
    m_window.ActShowInformation()->setChecked(station.ShowInformation());
    m_window.ActShowTasks()->setChecked(station.ShowTasks());
    m_window.ActShowHistory()->setChecked(!m_window.HistoryList()->isHidden());
    for (QAction* item : {m_window.ActShowInformation(), m_window.ActShowTasks(), m_window.ActShowHistory()})
        item->setEnabled(!m_compactShown);
}

void MainWindowViews::ToggleInformation(bool shown)
{
    WorkstationSettings& station = m_context.Workstation();
    station.SetViewItems(station.ShowTasks(), shown, station.TreeWidth(), station.InformationHeight());
    m_window.InformationPanel()->setVisible(shown);
    MarkDirty();
    ShowTicks();
}

void MainWindowViews::ToggleTasks(bool shown)
{
    WorkstationSettings& station = m_context.Workstation();
    station.SetViewItems(shown, station.ShowInformation(), station.TreeWidth(), station.InformationHeight());
    m_window.TaskPanel()->setVisible(shown);
    MarkDirty();
    ShowTicks();
}

void MainWindowViews::ToggleHistory(bool shown)
{
    m_window.HistoryList()->setVisible(shown);
    MarkDirty();
    ShowTicks();
}

bool MainWindowViews::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &m_window && (event->type() == QEvent::Show || event->type() == QEvent::LayoutRequest))
        ApplyMinimumHeight();
    return QObject::eventFilter(watched, event);
}
