#include "gui/app/MainWindowViews.h"

#include "core/context/AppContext.h"
#include "core/model/OptionBindings.h"
#include "core/model/OptionIndex.h"
#include "gui/app/ControlBar.h"
#include "gui/app/HistoryView.h"
#include "gui/app/InformationGroup.h"
#include "gui/app/MainWindowSizing.h"
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

MainWindowViews::MainWindowViews(TPXmain& window, AppContext& context)
    : QObject(&window), m_window(window), m_context(context)
{
    connect(window.ActCompactView(), &QAction::triggered, this, &MainWindowViews::CompactViewCommand);
    connect(window.ActFullView(), &QAction::triggered, this, &MainWindowViews::FullViewCommand);
    connect(window.ActShowInformation(), &QAction::triggered, this, &MainWindowViews::ToggleInformation);
    connect(window.ActShowTasks(), &QAction::triggered, this, &MainWindowViews::ToggleTasks);
    connect(window.ActShowHistory(), &QAction::triggered, this, &MainWindowViews::ToggleHistory);
    connect(&context.Workstation(), &WorkstationSettings::ViewItemsChanged, this, &MainWindowViews::ShowTicks);

    m_sizing = new MainWindowSizing(window, [this] { return !m_compactShown; });

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
    const int height = qMax(countersHeight + m_window.statusBar()->sizeHint().height() + m_sizing->Frame(),
                            int(TPXmain::MinimumHeight));
    m_window.setMinimumHeight(TPXmain::MinimumHeight);
    m_window.setMaximumHeight(height);
    m_window.resize(m_window.width(), height);
    ShowTicks();
}

void MainWindowViews::ShowFull()
{
    m_context.Options().SetValue(OptionIndex::CompactView, false);
    if (!m_compactShown) {
        m_sizing->ApplyMinimumHeight();
        ShowTicks();
        return;
    }
    m_compactShown = false;
    m_window.setMaximumHeight(QWIDGETSIZE_MAX);
    m_window.ControlBarPanel()->show();
    m_window.WorkArea()->show();
    m_sizing->ApplyMinimumHeight();
    ShowTicks();
    WindowPlacement& record = m_context.Workstation().Placement(RememberedWindow::Main);
    if (record.height > 0 && record.width > 0)
        m_context.Workstation().ApplyPlacement(RememberedWindow::Main);
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
    m_sizing->RightHandAreaResized();
    MarkDirty();
    ShowTicks();
}
