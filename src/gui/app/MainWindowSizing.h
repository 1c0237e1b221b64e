#pragma once

#include <QObject>
#include <QSplitter>
#include <functional>

class TPXmain;

// The splitter of the main window's right-hand area (information group above, history below).
// It runs a hook after every resize, once its own layout is done, so that the window can apply
// its rule for the information group's height.
class RightHandSplitter : public QSplitter
{
    Q_OBJECT
public:
    using QSplitter::QSplitter;
    std::function<void()> afterResize;

protected:
    void resizeEvent(QResizeEvent* event) override;
};

// The main window's sizing rules, in pixels of the parts' current sizes. The window frame is
// what the window's height holds besides its central widget and status bar (the menu bar); the
// splitter is the handle between the information group and the history, the tree splitter the
// one beside the task tree panel, and the right-hand area the part of the work area that holds
// the information group, the splitter and the history.
class MainWindowSizing : public QObject
{
    Q_OBJECT
public:
    // The arithmetic, kept apart from the widgets.
    struct Rules {
        // While the work area is shown the window is at least this high.
        static int MinimumWindowHeight(int splitter, int informationHeader, int controlBar, int counters, int statusBar,
                                       int frame);
        // The task tree panel's width in a window of clientWidth: it never reaches past the window.
        static int TreePanelWidth(int clientWidth, int treeSplitter, int panelWidth);
        // The information group's height after the right-hand area was resized: with the history
        // shown, the group gives way once the history would have less than a window frame's height
        // left above the counters panel (whose top is countersTop, in the central widget); it never
        // goes below its header.
        static int InformationHeight(int informationHeight, int informationHeader, int splitter, int controlBar,
                                     int countersTop, int frame);
        // The splitter between the information group and the history may be moved.
        static bool SplitterMovable(int areaHeight, int splitter, int informationHeader);
    };

    // workAreaShown tells whether the full view is on (the compact view hides the work area).
    MainWindowSizing(TPXmain& window, std::function<bool()> workAreaShown);

    // Recomputes the window's lowest height from its parts (after a view change or a layout change).
    void ApplyMinimumHeight();
    // The right-hand area rule, also re-applied when the history is shown or hidden.
    void RightHandAreaResized();
    int Frame() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void WindowResized();

    TPXmain& m_window;
    std::function<bool()> m_workAreaShown;
    // The information splitter's handle, whose drags the filter holds back. Kept here so the
    // filter can tell its events apart without calling into the window, which is no longer a
    // TPXmain while its base destructor removes the children.
    QObject* m_handle = nullptr;
};
