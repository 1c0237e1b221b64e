#pragma once

#include <QObject>

class AppContext;
class MainWindowSizing;
class TPXmain;

// The main window's two views and the View menu: the compact view shows only the counters panel
// and the status bar (the window cannot be made taller), the full view shows everything and
// restores the remembered height; the show/hide items toggle the information group, the task
// tree panel and the history. The view follows option entry 74 whenever the options are
// refreshed (start-up and every file load). The sizing rules (MainWindowSizing) apply in the full
// view. Lives as long as the window (its child).
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

    MainWindowSizing& Sizing() const { return *m_sizing; }

private:
    void ShowCompact();
    void ShowFull();
    void ToggleInformation(bool shown);
    void ToggleTasks(bool shown);
    void ToggleHistory(bool shown);
    void ShowTicks();
    void MarkDirty();

    TPXmain& m_window;
    AppContext& m_context;
    bool m_compactShown = false;
    MainWindowSizing* m_sizing;
};
