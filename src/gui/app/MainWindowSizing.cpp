#include "gui/app/MainWindowSizing.h"

#include "gui/app/ControlBar.h"
#include "gui/app/HistoryView.h"
#include "gui/app/InformationGroup.h"
#include "gui/app/TPXmain.h"
#include "gui/app/TaskTreePanel.h"

#include <QEvent>
#include <QMenuBar>
#include <QStatusBar>
#include <algorithm>

void RightHandSplitter::resizeEvent(QResizeEvent* event)
{
    QSplitter::resizeEvent(event);
    if (afterResize)
        afterResize();
}

int MainWindowSizing::Rules::MinimumWindowHeight(int splitter, int informationHeader, int controlBar, int counters,
                                                 int statusBar, int frame)
{
    return splitter + informationHeader + controlBar + counters + statusBar + frame;
}

int MainWindowSizing::Rules::TreePanelWidth(int clientWidth, int treeSplitter, int panelWidth)
{
    return clientWidth < treeSplitter + panelWidth ? std::max(clientWidth - treeSplitter, 0) : panelWidth;
}

int MainWindowSizing::Rules::InformationHeight(int informationHeight, int informationHeader, int splitter,
                                               int controlBar, int countersTop, int frame)
{
    int height = informationHeight;
    const int needed = height + controlBar + splitter + frame;
    if (countersTop < needed)
        height -= needed - countersTop;
    return std::max(height, informationHeader);
}

bool MainWindowSizing::Rules::SplitterMovable(int areaHeight, int splitter, int informationHeader)
{
    return areaHeight >= splitter + informationHeader + 1;
}

MainWindowSizing::MainWindowSizing(TPXmain& window, std::function<bool()> workAreaShown)
    : QObject(&window), m_window(window), m_workAreaShown(std::move(workAreaShown))
{
    // The rules, not the parts' own minimum sizes, decide how low the work area may get: the
    // information group keeps its header, the history and the task tree may shrink away.
    InformationGroup* information = window.InformationPanel();
    information->setMinimumHeight(information->HeaderHeight());
    window.HistoryList()->setMinimumHeight(1);
    window.TaskPanel()->setMinimumHeight(1);
    window.TaskPanel()->Tree()->setMinimumHeight(1);
    window.InformationSplitter()->setChildrenCollapsible(false);
    window.TreeSplitter()->setChildrenCollapsible(false);
    if (auto* area = qobject_cast<RightHandSplitter*>(window.InformationSplitter()))
        area->afterResize = [this] { RightHandAreaResized(); };
    if (QSplitterHandle* handle = window.InformationSplitter()->handle(1)) {
        handle->installEventFilter(this);
        m_handle = handle;
    }
    window.installEventFilter(this);
}

int MainWindowSizing::Frame() const
{
    const QMenuBar* bar = m_window.menuBar();
    return bar && !bar->isHidden() ? bar->sizeHint().height() : 0;
}

void MainWindowSizing::ApplyMinimumHeight()
{
    if (!m_workAreaShown())
        return;
    // The control bar and the counters panel are never squeezed below what they need.
    QWidget* counters = m_window.CountersPanelWidget();
    if (counters)
        counters->setMinimumHeight(counters->sizeHint().height());
    ControlBar* controlBar = m_window.ControlBarPanel();
    controlBar->setMinimumHeight(controlBar->sizeHint().height());
    const int minimum = Rules::MinimumWindowHeight(
        m_window.InformationSplitter()->handleWidth(), m_window.InformationPanel()->HeaderHeight(),
        controlBar->minimumHeight(), counters ? counters->minimumHeight() : 0,
        m_window.statusBar()->sizeHint().height(), Frame());
    m_window.setMinimumHeight(std::max(minimum, int(TPXmain::MinimumHeight)));
}

void MainWindowSizing::WindowResized()
{
    if (m_workAreaShown() && m_window.height() < m_window.minimumHeight())
        m_window.resize(m_window.width(), m_window.minimumHeight());
    // In both views the task tree panel stays inside the window.
    QSplitter* tree = m_window.TreeSplitter();
    const QList<int> sizes = tree->sizes();
    if (sizes.size() == 2 && m_window.TaskPanel()->isVisibleTo(&m_window)) {
        const int width = Rules::TreePanelWidth(m_window.width(), tree->handleWidth(), sizes.at(0));
        if (width != sizes.at(0))
            tree->setSizes({width, sizes.at(0) + sizes.at(1) - width});
    }
}

void MainWindowSizing::RightHandAreaResized()
{
    if (!m_workAreaShown())
        return;
    QSplitter* area = m_window.InformationSplitter();
    InformationGroup* information = m_window.InformationPanel();
    // With the history hidden the information group has the area to itself (the splitter gives
    // it all the room); the rule below keeps room for a history that is there.
    if (m_window.HistoryList()->isHidden() || information->isHidden())
        return;
    const QWidget* counters = m_window.CountersPanelWidget();
    const QWidget* central = m_window.centralWidget();
    const int countersTop =
        counters ? counters->mapTo(central, QPoint(0, 0)).y() : area->mapTo(central, QPoint(0, area->height())).y();
    const int height = Rules::InformationHeight(information->height(), information->HeaderHeight(), area->handleWidth(),
                                                m_window.ControlBarPanel()->height(), countersTop, Frame());
    if (height != information->height()) {
        const int total = area->height() - area->handleWidth();
        area->setSizes({height, std::max(total - height, 0)});
    }
}

bool MainWindowSizing::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &m_window) {
        if (event->type() == QEvent::Show || event->type() == QEvent::LayoutRequest)
            ApplyMinimumHeight();
        else if (event->type() == QEvent::Resize)
            WindowResized();
    } else if (watched == m_handle) {
        // The splitter stays put while the area is too low to share between its two parts.
        const QEvent::Type type = event->type();
        if ((type == QEvent::MouseButtonPress || type == QEvent::MouseMove) && m_workAreaShown() &&
            !Rules::SplitterMovable(m_window.InformationSplitter()->height(),
                                    m_window.InformationSplitter()->handleWidth(),
                                    m_window.InformationPanel()->HeaderHeight()))
            return true;
    }
    return QObject::eventFilter(watched, event);
}
