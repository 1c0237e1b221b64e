#pragma once

#include "core/model/OptionsPage.h"

#include <QList>
#include <QObject>
#include <QPointer>

class AppContext;
class AppShell;
class QAction;
class QMenu;
class RunLock;
class TPXmain;
class TPXoptions;

// The options dialog in the main window: the Run menu's "Set Auto &Options ..." and the Options
// menu's page entries open it on a page; the Edit menu's "Enable &Option Editing" and "Disable
// &Option Editing" run the option-editing lock; while option editing is locked the commands that
// change settings, data, the device or the file are hidden. Lives as long as the window (its
// child).
class MainWindowOptionsDialog : public QObject
{
    Q_OBJECT
public:
    MainWindowOptionsDialog(TPXmain& window, AppContext& context, AppShell& shell);

    TPXoptions* Dialog() const { return m_dialog; }
    QAction* ActEnableEditing() const { return m_enableEditing; }
    QAction* ActDisableEditing() const { return m_disableEditing; }
    // The entry that opens page (the Run menu's for the "Auto Options" page when run is true).
    QAction* PageAction(OptionsPage page, bool run = false) const;
    // At the end of start-up: shows the dialog again when it was open at the last save.
    void ReopenIfWasOpen();
    // The dialog is disabled while a run holds the interface.
    void FollowRunLock(RunLock& lock);

    // The captions of the menu entries hidden while option editing is locked.
    static const QStringList& LockedCaptions();

private:
    // Enables one of the main window's option-page entries and opens the dialog on page with it.
    QAction* ConnectPage(QAction* action, OptionsPage page);
    void ShowLock();

    TPXmain& m_window;
    AppContext& m_context;
    AppShell& m_shell;
    TPXoptions* m_dialog = nullptr;
    QAction* m_enableEditing = nullptr;
    QAction* m_disableEditing = nullptr;
    QAction* m_runAutoOptions = nullptr;
    QList<QAction*> m_pageActions;
    // What the lock hid, to be shown again when it is lifted.
    QList<QPointer<QAction>> m_hiddenByLock;
};
