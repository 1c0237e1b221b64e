#pragma once

#include <QObject>
#include <functional>

class AboutBox;
class AppContext;
class ProgrammerLink;
class TPXmain;

// Connects the main window's programmer commands to the link: both "Reset Praxon " entries,
// "Clear Leds", "Synchronize &Firmware" and "&About Praxon ...". While the link works for one of
// them the window's commands are locked and the cursor shows that the program is busy. Lives as
// long as the window (its child).
class MainWindowLinkCommands : public QObject
{
    Q_OBJECT
public:
    MainWindowLinkCommands(TPXmain& window, AppContext& context, ProgrammerLink& link);

    // The about command: resets the programmer with ProgramReady cleared so that the identity
    // shown is fresh, shows the about box modally, then puts ProgramReady back.
    void ShowAbout();

    // Tests act on the about box while it is up.
    void SetAboutShownHook(std::function<void(AboutBox&)> hook) { m_aboutHook = std::move(hook); }

private:
    void SetBusy(bool busy);
    // Runs a link command once the event that chose it has been handled, unless one is running.
    void Run(void (ProgrammerLink::*command)());

    TPXmain& m_window;
    AppContext& m_context;
    ProgrammerLink& m_link;
    bool m_busy = false;
    std::function<void(AboutBox&)> m_aboutHook;
};
