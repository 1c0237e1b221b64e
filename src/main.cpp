// The praxon executable: creates the application, the context and the main window, runs the
// start-up sequence and the event loop, and ends with the exit status of the run.

#include "core/app/AppShell.h"
#include "core/app/AutoAnswerOperator.h"
#include "core/app/CommandLine.h"
#include "core/app/Engine.h"
#include "core/app/FileCommands.h"
#include "core/app/HistoryMirror.h"
#include "core/context/AppContext.h"
#include "core/context/ExitStatus.h"
#include "core/link/ProgrammerLink.h"
#include "core/options/SettingsFileFormat.h"
#include "core/options/SettingsStore.h"
#include "core/serial/SerialNumberPage.h"
#include "gui/app/GuiOperator.h"
#include "gui/app/MainWindowHelpCommands.h"
#include "gui/app/MainWindowViews.h"
#include "gui/app/PraxonApplication.h"
#include "gui/app/ScreenshotTour.h"
#include "gui/app/TPXmain.h"
#include "gui/editors/MainWindowEditors.h"
#include "gui/engine/DualVppCommand.h"
#include "gui/engine/MainWindowRunCommands.h"
#include "gui/link/MainWindowLinkCommands.h"
#include "gui/link/TPXC.h"
#include "gui/options/MainWindowOptionCommands.h"
#include "gui/options/MainWindowOptionsDialog.h"
#include "gui/options/WindowPlacementBinder.h"
#include "gui/reports/HistoryPrintCommand.h"

#include <QDir>
#include <QFile>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <string_view>
#include <unistd.h>

namespace {

// Without a display the program runs on Qt's offscreen platform: it starts up, runs the Auto Run
// asked for, prints the history and ends, since nobody could use a window.
void ChoosePlatform()
{
    // Qt wants a private runtime directory and complains on every start without one.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QByteArray dir = QDir::tempPath().toLocal8Bit() + "/praxon-runtime-" + QByteArray::number(getuid());
        QDir().mkpath(QString::fromLocal8Bit(dir));
        QFile::setPermissions(QString::fromLocal8Bit(dir), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", dir);
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// The offscreen platform warns about window stacking it does not have each time a window is
// shown; those lines say nothing to whoever reads a headless run's output.
QtMessageHandler standardHandler = nullptr;

void DropPlatformNoise(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message == QLatin1String("This plugin does not support raise()") ||
        message == QLatin1String("This plugin does not support propagateSizeHints()"))
        return;
    standardHandler(type, context, message);
}

QStringList Arguments(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    return args;
}

#ifndef PRAXON_VERSION
#define PRAXON_VERSION "unknown"
#endif

constexpr const char* UsageText =
    "Usage: praxon [FILE] [/A] [/D<MCU>] [/M] [/X] [/L<log path>]\n"
    "       praxon --help | --version\n"
    "\n"
    "Praxon MCU Programmer: programs, verifies and reads PIC microcontrollers with the Praxon\n"
    "programmer box on a serial port.\n"
    "\n"
    "  FILE        a HEX file, or a control file (.PXC) naming its HEX file; always the first argument\n"
    "  /A          run an Auto Run after start-up (needs a HEX file)\n"
    "  /D<MCU>     select that device, e.g. /D16F877A, even when the HEX file names another\n"
    "  /M          start minimised\n"
    "  /X          run an Auto Run after start-up, then exit with its status\n"
    "  /L<path>    mirror the history into a text file as it is written\n"
    "\n"
    "Environment: PRAXON_COM1 ... PRAXON_COM9 (device or rfc2217://host:port behind a port name),\n"
    "PRAXON_SETTINGS_DIR, PRAXON_APP_DIR, PRAXON_AUTO_ANSWER, QT_QPA_PLATFORM=offscreen (headless).\n"
    "Exit status: 0 success; 1-127, 136-255 the link error bits; 8 a failed run; 128 a file or\n"
    "settings problem.\n"
    "See praxon(1) and the operator's manual for the details.\n";

// "--help" or "--version" as the only argument: answered before anything else starts, so no
// display is needed and the settings are not touched.
bool AnswerInformationRequest(int argc, char** argv)
{
    if (argc != 2)
        return false;
    const std::string_view arg(argv[1]);
    if (arg == "--help") {
        std::fputs(UsageText, stdout);
        return true;
    }
    if (arg == "--version") {
        std::printf("praxon %s\n", PRAXON_VERSION);
        return true;
    }
    return false;
}

void PrintHistory(const HistoryLog& history)
{
    const QStringList lines = history.DisplayText();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines.at(i);
        while (line.endsWith(u' '))
            line.chop(1);
        if (i == 0 && line.isEmpty())
            continue; // the ring's initial empty line
        std::fprintf(stdout, "%s\n", line.toLocal8Bit().constData());
    }
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    if (AnswerInformationRequest(argc, argv))
        return 0;
    ChoosePlatform();
    const QStringList args = Arguments(argc, argv);
    PraxonApplication app(argc, argv);
    const bool headless = app.IsHeadless();
    if (headless)
        standardHandler = qInstallMessageHandler(DropPlatformNoise);

    // The support files live beside the executable; PRAXON_APP_DIR points a run elsewhere.
    QString appDir = qEnvironmentVariable("PRAXON_APP_DIR");
    if (appDir.isEmpty())
        appDir = QCoreApplication::applicationDirPath();

    // PRAXON_SETTINGS_DIR moves the per-user settings store (tests, headless and trial runs).
    const QString settingsDir = qEnvironmentVariable("PRAXON_SETTINGS_DIR");
    if (!settingsDir.isEmpty())
        SettingsFileFormat::SetLocation(settingsDir);

    AutoAnswerOperator autoOperator;
    GuiOperator guiOperator;
    const bool autoAnswer = headless || !qEnvironmentVariableIsEmpty("PRAXON_AUTO_ANSWER");
    OperatorInterface& op = autoAnswer ? static_cast<OperatorInterface&>(autoOperator) : guiOperator;

    // A log that would overwrite one of the run's own files is refused before anything is
    // opened for writing: the run would read an emptied file and the operator's file be gone.
    const QString logPath = CommandLine::LogPath(args);
    const QString logFile = logPath.isEmpty() ? QString() : QDir::current().absoluteFilePath(logPath);
    if (!logFile.isEmpty()) {
        if (const auto conflict = CommandLine::LogOverwritesInput(logFile, args, QDir::currentPath(), appDir,
                                                                  SettingsStore::FileName())) {
            MessageRequest box;
            box.caption = QStringLiteral("Log File Refused");
            box.text = QStringLiteral("The log file named by /L is %1:\r%2\rIt would be overwritten; nothing was run.")
                           .arg(conflict->what, conflict->path);
            box.icon = BoxIcon::Error;
            box.sound = SoundKind::Error;
            op.ShowMessage(box);
            return ExitStatus::FileError;
        }
    }

    AppContext ctx(op, appDir);
    ProgrammerLink link(ctx);
    ctx.SetLink(&link);
    HistoryMirror mirror(ctx.History());
    const auto reportLostLog = [&logPath](const QString& reason) {
        std::fprintf(stderr, "praxon: cannot write the log %s: %s\n", logPath.toLocal8Bit().constData(),
                     reason.toLocal8Bit().constData());
    };
    QObject::connect(&mirror, &HistoryMirror::WriteFailed, &mirror, reportLostLog);
    if (!logFile.isEmpty()) {
        QString reason;
        if (!mirror.Open(logFile, &reason))
            reportLostLog(reason);
    }

    TPXmain window(ctx);
    // The link's status window.
    std::unique_ptr<TPXC> linkStatusWindow;
    if (!headless)
        linkStatusWindow = std::make_unique<TPXC>(link.Status());
    // Choosing another port in the port list resets the programmer there (once start-up is over).
    int linkPortIndex = ctx.Window().PortIndex();
    QObject::connect(&ctx.Window(), &MainWindowState::Changed, &link, [&ctx, &link, &linkPortIndex]() {
        if (ctx.Window().PortIndex() == linkPortIndex)
            return;
        linkPortIndex = ctx.Window().PortIndex();
        if (ctx.Flags().ProgramReady && !ctx.Flags().StartupInProgress)
            QTimer::singleShot(0, &link, [&link]() { link.PortChangedCommand(); });
    });
    AppShell shell(ctx);
    Engine engine(ctx, link);
    engine.Install(&shell);
    new MainWindowOptionCommands(window, ctx, shell);
    auto* linkCommands = new MainWindowLinkCommands(window, ctx, link);
    new MainWindowRunCommands(window, ctx, engine);
    new DualVppCommand(window, ctx, engine, *linkCommands);
    new HistoryPrintCommand(window, ctx);
    auto* optionsDialog = new MainWindowOptionsDialog(window, ctx, shell);
    optionsDialog->FollowRunLock(engine.Lock());
    ctx.Bindings().lockForRun = [&engine](bool locked) { engine.Tasks().LockForRun(locked); };
    auto* serialPage = new SerialNumberPage(ctx, engine.Serial(), &window);
    auto* editors = new MainWindowEditors(window, ctx, serialPage, &engine.Sockets());
    auto* views = new MainWindowViews(window, ctx);
    auto* helpCommands = new MainWindowHelpCommands(window, ctx);

    const bool started = shell.StartUp(args, QDir::currentPath());
    if (!started) {
        // Missing or mismatched support files, or a failed update: the program cannot run.
        ctx.Exit().SetFileError();
    } else {
        engine.ApplyWorkstationSockets();
        shell.FinishStartUp();
        if (!headless) {
            optionsDialog->ReopenIfWasOpen();
            editors->ReopenIfWasOpen();
            helpCommands->RestoreInformationWindow();
        }
        // PRAXON_SCREENSHOT_DIR: walk through the views and an Auto Run, save pictures, then end.
        const QString screenshots = qEnvironmentVariable("PRAXON_SCREENSHOT_DIR");
        if (!screenshots.isEmpty() && !headless)
            (new ScreenshotTour(window, *views, engine, screenshots))->Start();
        if (headless) {
            shell.IdleAutoRun();
        } else {
            QTimer::singleShot(0, &app, [&]() {
                if (shell.IdleAutoRun())
                    app.quit();
            });
            QObject::connect(&app, &QGuiApplication::applicationStateChanged, &app, [&](Qt::ApplicationState state) {
                if (state == Qt::ApplicationActive && ctx.Flags().ProgramReady)
                    shell.CheckFileChanged();
            });
            app.exec();
        }
    }
    // The run's outcome is settled here; saving settings at exit does not change it.
    const ExitState outcome = ctx.Exit();
    if (started) {
        // Program exit: offer to save changed options, and keep the workstation settings.
        ctx.Flags().ProgramExiting = true;
        FileCommands::ClosePrompt(ctx);
    }

    if (headless)
        PrintHistory(ctx.History());
    const QString word = outcome.WordLine();
    if (!word.isEmpty()) {
        std::fprintf(stderr, "%s\n", word.toLocal8Bit().constData());
        mirror.WriteExtraLine(word);
    }
    // An unattended run whose log was lost has not left the record its caller asked for.
    if (mirror.Lost() && ctx.Flags().ExitOnErrors && outcome.ProcessStatus() == 0)
        return ExitStatus::FileError;
    return outcome.ProcessStatus();
}
