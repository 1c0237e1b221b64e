#include "core/app/OptionEditingLock.h"

#include "core/app/AppShell.h"
#include "core/context/AppContext.h"
#include "core/options/ControlFile.h"
#include "core/options/OptionRefresh.h"
#include "core/options/SettingsStore.h"

namespace OptionEditingLock {

namespace {
void SetBusy(AppContext& ctx, bool busy)
{
    if (ctx.Workstation().busyCursor)
        ctx.Workstation().busyCursor(busy);
}

// The password prompt may be skipped while the settings load, and must be while no valid file is
// loaded, so that a station without a usable HEX file can always reach its options.
bool PromptSkipped(AppContext& ctx)
{
    return ctx.Workstation().Loading() || ctx.Flags().NoValidFile;
}
} // namespace

bool EnableOptionEditing(AppContext& ctx, AppShell& shell)
{
    OptionTable& options = ctx.Options();
    if (!PromptSkipped(ctx)) {
        OperatorInterface& op = ctx.Operator();
        op.PlaySound(SoundKind::Question);
        QString entered = options.EnteredPassword();
        NoticeRequest notice;
        notice.title = QString::fromLatin1(PasswordTitle);
        notice.text = QString::fromLatin1(PasswordText);
        notice.passwordMode = true;
        notice.password = &entered;
        op.ShowNotice(notice);
        options.SetEnteredPassword(entered);
        if (entered != options.Password())
            return false;
        options.SetEnteredPassword(QString());
    }
    options.SetOptionsHidden(false);
    if (ctx.File().optionAccessMode == 2)
        ctx.File().optionAccessMode = 1;
    // Until the next file open resets it, a reopen keeps what is in memory; the file on disk is
    // still the locked one.
    options.SetKeepSettings(true);
    OptionBindings& bindings = ctx.Bindings();
    bindings.SetSwitch(OptionSwitch::ViewMenu, true);
    shell.OpenCurrentFile();
    if (bindings.showOptionsDialog)
        bindings.showOptionsDialog(OptionsPage::General);
    return true;
}

bool DisableOptionEditing(AppContext& ctx, AppShell& shell)
{
    OptionTable& options = ctx.Options();
    OptionBindings& bindings = ctx.Bindings();
    if (!PromptSkipped(ctx)) {
        MessageRequest box;
        box.caption = QString::fromLatin1(DisableTitle);
        box.text =
            QStringLiteral("Disable Option Editing Functions for:\r") + ctx.File().hexPath + QStringLiteral("...?");
        box.icon = BoxIcon::Question;
        box.sound = SoundKind::Question;
        box.buttons = YesButton | NoButtonAnswer;
        box.defaultButton = YesButton;
        if (ctx.Operator().ShowMessage(box) != YesButton)
            return false;
    }
    SetBusy(ctx, true);
    if (bindings.closeOptionsDialog)
        bindings.closeOptionsDialog();
    // The access mode is still normal here, so both the store's option keys and the control file
    // are written; hideoptions is written from entry 0 as it stands.
    options.SetOptionsHidden(true);
    const bool saved = SettingsStore::Save(ctx) && ControlFile::Write(ctx);
    if (!saved) {
        options.SetOptionsHidden(false);
        SetBusy(ctx, false);
        return false;
    }
    ctx.Flags().SettingsDirty = false;
    ApplyOptionEditingLock(ctx);
    options.SetKeepSettings(true);
    shell.OpenCurrentFile();
    options.SetKeepSettings(false);
    if (bindings.closeEditorWindow)
        bindings.closeEditorWindow();
    SetBusy(ctx, false);
    return true;
}

} // namespace OptionEditingLock
