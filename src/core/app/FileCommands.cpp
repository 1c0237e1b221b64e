#include "core/app/FileCommands.h"

#include "core/app/AppShell.h"
#include "core/app/CommandLine.h"
#include "core/context/AppContext.h"
#include "core/image/ConfigurationWords.h"
#include "core/image/InformationReport.h"
#include "core/model/OptionIndex.h"
#include "core/options/ControlFile.h"
#include "core/options/SettingsStore.h"

#include <QFileInfo>

namespace FileCommands {

namespace {
const QString ApplicationTitle = QStringLiteral("Praxon MCU Programmer");

void ShowSaved(AppContext& ctx, const char* message = SavedMessage)
{
    ctx.Operator().ShowInformation(ApplicationTitle, QString::fromLatin1(message));
}

// Everything that belongs to the file open now; the MCU name stays.
void ResetFileState(AppContext& ctx)
{
    CurrentFile& file = ctx.File();
    ProgramFlags& flags = ctx.Flags();
    file.hexPath.clear();
    file.controlPath.clear();
    file.hexTimeStamp = 0;
    file.optionAccessMode = 1;
    ctx.Options().SetOptionsHidden(false);
    ctx.Options().SetKeepSettings(false);
    flags.NoValidFile = false;
    flags.ControlFileGiven = false;
    flags.McuFromCommandLine = false;
    flags.FileFromCommandLine = false;
    flags.AutoRunPending = false;
    flags.ExitOnErrors = false;
    flags.MinimizeOnStartup = false;
    if (ctx.Bindings().resetTaskSelection)
        ctx.Bindings().resetTaskSelection();
}

void SetBusy(AppContext& ctx, bool busy)
{
    if (ctx.Workstation().busyCursor)
        ctx.Workstation().busyCursor(busy);
}
} // namespace

void OpenFileCommand(AppContext& ctx, AppShell& shell)
{
    FileRequest request;
    request.caption = QStringLiteral("Open HEX File");
    request.filter = QStringLiteral("Intel HEX File [*.hex,*.obj] (*.hex *.obj);;Control File [*.PXC] (*.pxc *.PXC);;"
                                    "Any File [*.*] (*)");
    request.directory = QFileInfo(ctx.File().hexPath).path();
    const QString path = ctx.Operator().ChooseOpenFile(request);
    if (!path.isEmpty())
        OpenFile(ctx, shell, path);
}

void OpenFile(AppContext& ctx, AppShell& shell, const QString& path)
{
    ClosePrompt(ctx);
    ProgramFlags& flags = ctx.Flags();
    CurrentFile& file = ctx.File();
    HistoryLog& history = ctx.History();
    flags.ProgramReady = false;
    ResetFileState(ctx);

    if (!ControlFile::IsControlFile(path)) {
        file.controlPath = ControlFile::ControlPathFor(path);
        file.hexPath = path;
        shell.OpenCurrentFile();
    } else {
        flags.ControlFileGiven = true;
        file.controlPath = path;
        if (QFileInfo(path).isFile()) {
            file.hexPath = ControlFile::HexFileOf(path);
            history.AddLine(QStringLiteral("  "), HistoryStyle::Normal);
            history.AddLine(QStringLiteral("Control File Specified For: "), HistoryStyle::FileInformation);
            history.AddLine(QStringLiteral("  ") + file.hexPath, HistoryStyle::FileInformation);
            shell.OpenCurrentFile();
        } else {
            history.AddLine(QStringLiteral("  "), HistoryStyle::Normal);
            history.AddLine(QStringLiteral("Specified Control File Missing: "), HistoryStyle::Error);
            history.AddLine(QStringLiteral("  ") + path, HistoryStyle::Error);
            flags.ProgramReady = true;
            ctx.Operator().ShowError(QStringLiteral("Required File Missing"),
                                     QStringLiteral("Specified Control File Missing: \r") + path);
        }
    }
    flags.ProgramReady = true;
    ShowSelectedWord(ctx);
    ShowFuseSummary(ctx);
    BuildInformationReport(ctx);
}

bool ClosePrompt(AppContext& ctx)
{
    ProgramFlags& flags = ctx.Flags();
    OptionBindings& bindings = ctx.Bindings();
    if (ctx.Options().IsEffective(OptionIndex::HideOptions) && bindings.closeOptionsDialog)
        bindings.closeOptionsDialog();

    const bool locked = ctx.File().optionAccessMode == 2;
    if (!flags.SettingsDirty || locked) {
        const bool saved = SettingsStore::Save(ctx);
        if (saved)
            flags.SettingsDirty = false;
        return saved;
    }

    flags.SettingsDirty = false;
    const QString& hexPath = ctx.File().hexPath;
    if (hexPath.isEmpty()) {
        if (SettingsStore::Save(ctx))
            return true;
        flags.SettingsDirty = true;
        return false;
    }

    MessageRequest box;
    box.caption = QStringLiteral("Save Option Settings/Data");
    box.text = QStringLiteral("Save changes to Option Settings and Data for this HEX file:\r\r") + hexPath +
               QStringLiteral(" ...?");
    box.icon = BoxIcon::Question;
    box.sound = SoundKind::Question;
    box.buttons = YesButton | NoButtonAnswer;
    box.defaultButton = YesButton;
    if (ctx.Operator().ShowMessage(box) != YesButton) {
        // The workstation settings are kept; the file's changes are given up.
        return SettingsStore::Save(ctx);
    }
    SetBusy(ctx, true);
    const bool saved = SettingsStore::Save(ctx) && ControlFile::Write(ctx);
    SetBusy(ctx, false);
    if (!saved) {
        flags.SettingsDirty = true;
        return false;
    }
    ShowSaved(ctx);
    return true;
}

namespace {
bool SaveAndReopen(AppContext& ctx, AppShell& shell, const char* message)
{
    OptionBindings& bindings = ctx.Bindings();
    if (bindings.lockForRun)
        bindings.lockForRun(true);
    const bool saved = SettingsStore::Save(ctx) && ControlFile::Write(ctx);
    if (saved) {
        ctx.Flags().SettingsDirty = false;
        const QString controlPath = ctx.File().controlPath;
        if (!controlPath.isEmpty())
            OpenFile(ctx, shell, controlPath);
        ShowSaved(ctx, message);
    }
    if (bindings.lockForRun)
        bindings.lockForRun(false);
    // The button stays available while edits are unsaved, so a failed save can be retried.
    bindings.SetSwitch(OptionSwitch::SaveSettingsNow, ctx.Flags().SettingsDirty);
    return saved;
}
} // namespace

bool SaveOptionSettings(AppContext& ctx, AppShell& shell)
{
    return SaveAndReopen(ctx, shell, SavedMessage);
}

bool SaveOptionSettingsNow(AppContext& ctx, AppShell& shell)
{
    return SaveAndReopen(ctx, shell, SavedNowMessage);
}

} // namespace FileCommands
