#include "core/commands/SelectDeviceCommand.h"

#include "core/commands/LoadReconciliation.h"
#include "core/context/AppContext.h"
#include "core/devices/DeviceChooser.h"
#include "core/devices/DeviceProfileLoader.h"
#include "core/model/TemplateTables.h"
#include "core/options/OptionRefresh.h"

namespace {
const QString FullSupport = QStringLiteral("Full Support");
} // namespace

QString ParameterEditorNotice::Text()
{
    return QStringLiteral("After selecting an MCU, you will enter the parameters Editor. When Editing is "
                          "complete,the Select MCU window will re-open for normal operation.\r\rTo skip editing, "
                          "de-select the option below.\r");
}

void EnsureDeviceListNotEmpty(AppContext& ctx)
{
    DeviceList& list = ctx.Devices();
    if (list.Count() > 0)
        return;
    ctx.Operator().ShowError(QStringLiteral("Table File Error"),
                             QStringLiteral("Error - Device Types Missing. Please Re-install Program or update "
                                            "supporting files."));
    list.SetLines({QStringLiteral("16F877=877")});
}

DeviceNote DeviceNoteFor(AppContext& ctx, const QString& key)
{
    if (key.isEmpty() || !IsSupportMarker(key.back()))
        return {FullSupport, false};
    const QStringList& notes = ctx.Devices().Notes();
    for (qsizetype i = notes.size() - 1; i >= 0; --i) {
        if (notes.at(i).contains(key.back()))
            return {notes.at(i), true};
    }
    return {FullSupport, false};
}

void SelectDeviceCommand(AppContext& ctx, DeviceChooser& chooser, bool shiftAndCtrl)
{
    TemplateTables& templates = ctx.Templates();
    // One selection at a time: while the parameter editor is up the device stays as it is.
    if (templates.parameterEditorOpen)
        return;
    if (shiftAndCtrl && chooser.ConfirmParameterEditing(ctx)) {
        // The device chosen now is loaded with the parameter editor running on its task rows;
        // afterwards the selection runs again as usual.
        struct Editing {
            TemplateTables& t;
            explicit Editing(TemplateTables& tables) : t(tables) { t.parameterEditing = true; }
            ~Editing() { t.parameterEditing = false; }
        } editing(templates);
        const int edited = chooser.ChooseDevice(ctx);
        if (edited >= 0 && edited < ctx.Devices().Count())
            ctx.Devices().SetSelectedIndex(edited);
        LoadDeviceProfile(ctx);
        // The main window closed while the editor was open: the program ends, no second selection.
        if (ctx.Flags().ProgramExiting)
            return;
    }

    const int chosen = chooser.ChooseDevice(ctx);
    if (chosen >= 0 && chosen < ctx.Devices().Count())
        ctx.Devices().SetSelectedIndex(chosen);
    ctx.History().AddLine(QStringLiteral("  "), HistoryStyle::Normal);
    LoadDeviceProfile(ctx);
    ctx.File().mcuName = ctx.Window().McuText();
    ReconcileLoad(ctx);
    OptionsChanged(ctx);
}
