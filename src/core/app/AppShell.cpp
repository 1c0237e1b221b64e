#include "core/app/AppShell.h"
#include "core/devices/DeviceSelection.h"
#include "core/devices/SupportFiles.h"

#include "core/app/CommandLine.h"
#include "core/commands/HexFileReader.h"
#include "core/commands/LoadReconciliation.h"
#include "core/context/AppContext.h"
#include "core/context/ExitStatus.h"
#include "core/devices/DeviceProfileLoader.h"
#include "core/image/ConfigurationWords.h"
#include "core/image/InformationReport.h"
#include "core/link/ProgrammerLink.h"
#include "core/model/OptionIndex.h"
#include "core/options/ControlFile.h"
#include "core/options/OptionRefresh.h"
#include "core/options/SettingsStore.h"
#include "core/util/ErrorOut.h"

#include <QDateTime>
#include <QFileInfo>

namespace {
const QString ApplicationTitle = QStringLiteral("Praxon MCU Programmer");
const QString DefaultDeviceName = QStringLiteral("18F252");

qint64 ModificationStamp(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() ? info.lastModified().toMSecsSinceEpoch() : 0;
}
} // namespace

AppShell::AppShell(AppContext& ctx) : m_ctx(ctx) {}

bool AppShell::StartUp(const QStringList& args, const QString& cwd)
{
    ProgramFlags& flags = m_ctx.Flags();

    if (!InstallPendingUpdate(m_ctx))
        return false;
    if (!CheckSupportFiles(m_ctx))
        return false;

    flags.StartupInProgress = true;
    m_ctx.History().Initialise();
    try {
        BuildDeviceList(m_ctx);
    } catch (const ErrorOut& fault) {
        ShowErrorOut(fault.Message(), true);
        flags.AutoRunArmed = false;
    } catch (const std::exception&) {
        m_ctx.Operator().PlaySound(SoundKind::Beep);
        return false;
    }
    m_ctx.File().Reset();
    m_ctx.File().mcuName.clear();
    flags.MinimizeOnStartup = false;

    flags.ControlFileGiven = false;
    try {
        SettingsStore::Load(m_ctx);
    } catch (const ErrorOut& fault) {
        ShowErrorOut(fault.Message(), false);
    }
    CommandLine::Interpret(m_ctx, args, cwd);
    // A HEX file named on the command line brings its own control file; the one the store
    // remembered belongs to the previous file.
    if (flags.FileFromCommandLine && !flags.ControlFileGiven)
        m_ctx.File().controlPath.clear();

    m_ctx.Window().RequestShow(flags.MinimizeOnStartup);
    flags.StartupInProgress = false;

    OpenCurrentFile();
    flags.AutoRunArmed = !(flags.NoValidFile || flags.StopRequested);
    // Reset the programmer over the selected port; a failed reset leaves the program running.
    if (m_ctx.Link())
        m_ctx.Link()->ResetCommand();
    return true;
}

void AppShell::FinishStartUp()
{
    m_ctx.Flags().ProgramReady = true;
    m_ctx.Flags().SettingsDirty = false;
    // The report and the fuse summary wait for the program to be ready: show them now.
    ShowFuseSummary(m_ctx);
    BuildInformationReport(m_ctx);
}

void AppShell::OpenCurrentFile()
{
    ProgramFlags& flags = m_ctx.Flags();
    CurrentFile& file = m_ctx.File();
    HistoryLog& history = m_ctx.History();
    OptionTable& options = m_ctx.Options();
    // A settings problem is shown and the file still opens, with the load's fallback settings.
    const auto loadSettings = [this](bool mayTakeLastFile) {
        try {
            SettingsStore::Load(m_ctx, mayTakeLastFile);
        } catch (const ErrorOut& fault) {
            ShowErrorOut(fault.Message(), false);
        }
    };

    const QString triedPath = file.hexPath;
    if (!file.hexPath.isEmpty() && !QFileInfo(file.hexPath).isFile()) {
        history.AddLine(QStringLiteral("File does not exist: "), HistoryStyle::FileError);
        history.AddLine(QStringLiteral("  ") + file.hexPath, HistoryStyle::FileError);
        MessageRequest box;
        box.caption = QStringLiteral("Required File Missing");
        box.text = QStringLiteral("File does not exist: \r") + file.hexPath;
        box.icon = BoxIcon::Error;
        box.sound = SoundKind::Error;
        file.hexPath.clear();
        flags.NoValidFile = true;
        m_ctx.Operator().ShowMessage(box);
    }

    if (!file.hexPath.isEmpty()) {
        if (file.controlPath.isEmpty())
            file.controlPath = ControlFile::ControlPathFor(file.hexPath);
        if (!QFileInfo(file.controlPath).isFile()) {
            flags.AutoRunPending = false;
            m_autoRunWithheld = QStringLiteral("Auto Run not started: the HEX file had no control file; one was "
                                               "made with factory options. Check them, then run again.");
            MessageRequest box;
            box.caption = ApplicationTitle;
            box.text = QStringLiteral("A Control File did not exist for the specified HEX file.\r"
                                      "One will be created, with all Options set to Factory Defaults.\r\r"
                                      "Please verify all settings before programming.");
            m_ctx.Operator().ShowMessage(box);
            if (flags.FileFromCommandLine && flags.AutoRunArmed)
                loadSettings(true);
            // A new control file starts from factory values: nothing of the previous file's
            // setup (lock, password, serial counters, overrides) carries over to it.
            m_ctx.SerialSettings() = SerialNumberSettings{};
            options.SetOptionsHidden(false);
            options.SetPassword(QString());
            options.SetPulseWidthPosition(1);
            ResetOptionsToFactory(m_ctx);
            SettingsStore::Save(m_ctx);
            ControlFile::Write(m_ctx);
        } else if (!options.KeepSettings()) {
            try {
                SettingsStore::Load(m_ctx, true);
            } catch (const ErrorOut& fault) {
                ControlFileNotLoaded(fault.Message());
            }
        }
        file.optionAccessMode = options.OptionsHidden() ? 2 : 1;
        try {
            LoadFileAndDevice(flags.ControlFileGiven ? file.controlPath : file.hexPath);
        } catch (const ErrorOut& fault) {
            ShowErrorOut(fault.Message(), false);
        }
        OptionsChanged(m_ctx);
        return;
    }

    if (flags.FileFromCommandLine) {
        MessageRequest box;
        box.caption = QStringLiteral("File Location Error");
        box.icon = BoxIcon::Information;
        box.sound = SoundKind::Information;
        box.text = triedPath.isEmpty()
                       ? QStringLiteral("A Default HEX file has not been Specified.\r"
                                        "Use 'File - Open HEX File' before attempting to program a device.")
                       : QStringLiteral("Could not find Specified HEX File:\r") + triedPath;
        m_ctx.Operator().ShowMessage(box);
    }
    // The MCU named on the command line still applies without a file.
    const QString mcu = flags.McuFromCommandLine ? file.mcuName : m_ctx.Workstation().DefaultDeviceName();
    file.Reset();
    file.mcuName = mcu;
    // Without a file the store's last file is not taken again: it is not the file asked for.
    if (!flags.NoValidFile)
        loadSettings(false);
    flags.NoValidFile = true;
    try {
        LoadFileAndDevice(QString());
    } catch (const ErrorOut& fault) {
        ShowErrorOut(fault.Message(), false);
    }
    OptionsChanged(m_ctx);
}

void AppShell::ControlFileNotLoaded(const QString& reason)
{
    ProgramFlags& flags = m_ctx.Flags();
    // The failed load has set every option to its factory value; the counters and files the
    // control file named may be half read. Nothing of it is used: the serial-number settings
    // start from their defaults too, and no Auto Run programs parts with options nobody chose.
    m_ctx.SerialSettings() = SerialNumberSettings{};
    flags.AutoRunPending = false;
    m_autoRunWithheld = QStringLiteral("Auto Run not started: the control file could not be loaded; the options are "
                                       "factory values. Correct the file, then run again.");
    HistoryLog& history = m_ctx.History();
    history.AddLine(QStringLiteral("Control File could not be loaded: "), HistoryStyle::FileError);
    history.AddLine(QStringLiteral("  ") + m_ctx.File().controlPath, HistoryStyle::FileError);
    history.AddLine(QStringLiteral("  All Options set to Factory Defaults"), HistoryStyle::FileError);
    MessageRequest box;
    box.caption = QStringLiteral("Control File Error");
    box.text = reason + QStringLiteral("\r\rAll Options have been set to Factory Defaults; the Control File is left "
                                       "as it is.\rPlease correct it, or verify all settings, before programming.");
    box.icon = BoxIcon::Error;
    box.sound = SoundKind::Error;
    m_ctx.Operator().ShowMessage(box);
}

void AppShell::SelectAndLoadNamedDevice()
{
    SelectDeviceByName(m_ctx, m_ctx.File().mcuName);
    LoadDeviceProfile(m_ctx);
    m_ctx.Flags().DeviceLoaded = true;
}

void AppShell::LoadFileAndDevice(const QString& path)
{
    ProgramFlags& flags = m_ctx.Flags();
    flags.DeviceLoaded = false;
    std::exception_ptr fault;
    try {
        if (flags.McuFromCommandLine || m_ctx.Options().Effective(OptionIndex::McuOverride))
            SelectAndLoadNamedDevice();
        // The reader records the file's time stamp and sets or clears NoValidFile.
        const QString hexPath = flags.ControlFileGiven || path.isEmpty() ? m_ctx.File().hexPath : path;
        if (!hexPath.isEmpty()) {
            ReadHexFile(m_ctx, hexPath);
            // Every file read enters the recent-file list, however it was opened: the path asked
            // for (a control file when one was given), else the HEX file.
            m_ctx.Workstation().AddRecentFile(path.isEmpty() ? hexPath : path);
        }
    } catch (const ErrorOut&) {
        fault = std::current_exception();
    }
    if (!flags.DeviceLoaded)
        SelectAndLoadNamedDevice();
    // Also after a failed read: the image is reconciled with the device either way.
    ReconcileLoad(m_ctx);
    if (fault)
        std::rethrow_exception(fault);
}

bool AppShell::IdleAutoRun()
{
    ProgramFlags& flags = m_ctx.Flags();
    const bool start = flags.AutoRunArmed && flags.AutoRunPending && !flags.NoValidFile;
    flags.AutoRunArmed = false;
    if (!start) {
        // With /X the caller waits for a status: a run that cannot start ends the program.
        if (flags.ExitOnErrors) {
            m_ctx.History().AddLine(
                flags.NoValidFile ? QStringLiteral("Auto Run not started: no usable HEX file.")
                : !m_autoRunWithheld.isEmpty()
                    ? m_autoRunWithheld
                    : QStringLiteral("Auto Run not started: start-up reported a problem (see above)."),
                HistoryStyle::Error);
            m_ctx.Exit().SetFileError();
            return true;
        }
        return false;
    }
    try {
        if (!m_hooks.autoRun) {
            throw ErrorOut(QStringLiteral("Auto Run is not available: this build has no programming engine."));
        }
        m_hooks.autoRun();
    } catch (const ErrorOut& fault) {
        if (m_ctx.Exit().Word() == 0)
            m_ctx.Exit().SetFileError();
        m_ctx.History().AddLine(fault.Message(), HistoryStyle::Error);
        ShowErrorOut(fault.Message(), true);
        return flags.ExitOnErrors;
    }
    const bool failed = flags.StopRequested || flags.TaskFailed;
    if (flags.ExitOnErrors) {
        if (failed && m_ctx.Exit().Word() == 0)
            m_ctx.Exit().SetWord(ExitStatus::FailedRun);
        return true;
    }
    return !failed;
}

void AppShell::CheckFileChanged()
{
    CurrentFile& file = m_ctx.File();
    if (file.hexTimeStamp == 0 || file.hexPath.isEmpty())
        return;
    const qint64 now = ModificationStamp(file.hexPath);
    if (now == file.hexTimeStamp)
        return;
    const BoxButton answer = m_ctx.Operator().AskOkCancel(QStringLiteral("File Changed"),
                                                          QStringLiteral("HEX File Drive Image Has Been Modified.\r\r"
                                                                         "Select [ OK ] to Reload the file from disk"));
    if (answer == OkButton) {
        m_ctx.Flags().ProgramReady = false;
        OpenCurrentFile();
        m_ctx.Flags().ProgramReady = true;
        BuildInformationReport(m_ctx);
    } else {
        file.hexTimeStamp = now;
    }
}

void AppShell::ShowErrorOut(const QString& message, bool warning)
{
    MessageRequest box;
    box.caption = ApplicationTitle;
    box.text = message;
    box.icon = warning ? BoxIcon::Warning : BoxIcon::Error;
    box.sound = warning ? SoundKind::Warning : SoundKind::Error;
    m_ctx.Operator().ShowMessage(box);
}
