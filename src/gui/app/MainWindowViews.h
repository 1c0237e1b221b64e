#pragma once

#include <QObject>

class AppContext;
class TPXmain;

// The main window's two views and the View menu: the compact view shows only the counters panel
// and the status bar (the window cannot be made taller), the full view shows everything and
// restores the remembered height; the show/hide items toggle the information group, the task
// tree panel and the history. The view follows option entry 74 whenever the options are
// refreshed (start-up and every file load). The sizing rules keep the right-hand area's parts
// from being squeezed below their headers. Lives as long as the window (its child).
class MainWindowViews : public QObject
{
    Q_OBJECT
public:
    MainWindowViews(TPXmain& window, AppContext& context);

    bool CompactShown() const { return m_compactShown; }
    // The view commands: nothing happens when the view is already on; otherwise the settings are
    // marked dirty and the view switched.
    void CompactViewCommand();
    void FullViewCommand();
    // Shows the view option 74 asks for.
    void ApplyView();

    // The lowest the window may be in the full view: the splitter and the information header
    // above the control bar, the counters panel, the status bar and the menu bar.
    static int FullViewMinimumHeight(int splitter, int informationHeader, int controlBar, int counters, int statusBar,
                                     int frame);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowCompact();
    void ShowFull();
    void ToggleInformation(bool shown);
    void ToggleTasks(bool shown);
    void ToggleHistory(bool shown);
    void ShowTicks();
    // Window resize and right-hand area resize rules.
    void ApplyMinimumHeight();
    void MarkDirty();
    int Frame() const;

    TPXmain& m_window;
    AppContext& m_context;
    bool m_compactShown = false;
};
