#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class AppContext;

// The program's start-up sequence and the operations around the current file: StartUp,
// OpenCurrentFile, LoadFileAndDevice, and the two application hooks that run between events
// (IdleAutoRun, CheckFileChanged). One instance per run, working on one AppContext.
class AppShell
{
public:
    // Steps supplied by subsystems that plug in later; an empty function means the step has
    // nothing to do in this build. autoRun runs the Auto Run cycle to completion.
    struct Hooks {
        std::function<void()> autoRun;
    };

    explicit AppShell(AppContext& ctx);

    Hooks& GetHooks() { return m_hooks; }

    // The start-up sequence; false means the program ends without being shown for use.
    // args: the command-line arguments without the program name; cwd: their base directory.
    bool StartUp(const QStringList& args, const QString& cwd);
    // Start-up has completed: marks the program ready.
    void FinishStartUp();

    void OpenCurrentFile();
    void LoadFileAndDevice(const QString& path);

    // The idle hook: starts the Auto Run asked for on the command line, once, right after
    // start-up. Returns true when the program should end now.
    bool IdleAutoRun();
    // The activation hook: offers to reload a HEX file that changed on disk.
    void CheckFileChanged();

private:
    void SelectAndLoadNamedDevice();
    // The control file of the file being opened is there but could not be loaded (unreadable, or
    // a value it holds was refused): the operator is told the options are factory values, and an
    // Auto Run asked for on the command line is held back.
    void ControlFileNotLoaded(const QString& reason);
    void ShowErrorOut(const QString& message, bool warning);

    AppContext& m_ctx;
    Hooks m_hooks;
    // Why start-up withheld the Auto Run the command line asked for, when it knows a reason
    // more precise than the boxes it showed.
    QString m_autoRunWithheld;
};
