#include "core/editors/EditorCommands.h"

#include "core/commands/ImageEdits.h"
#include "core/context/AppContext.h"
#include "core/editors/GridCells.h"
#include "core/image/BufferChecksum.h"
#include "core/image/ConfigurationWords.h"
#include "core/image/IdLocations.h"
#include "core/image/InformationReport.h"
#include "core/model/OptionIndex.h"
#include "core/options/OptionRefresh.h"

#include <optional>

namespace EditorCommands {

namespace {
// With the EE override the EE data is kept with the control file, so editing it changes the settings.
void MarkEeOverrideEdit(AppContext& ctx)
{
    if (ctx.Options().IsSet(OptionIndex::EeOverride))
        ctx.Flags().SettingsDirty = true;
}
} // namespace

void GridCellEdited(AppContext& ctx, ImageDisplayState::Page page)
{
    ctx.Image().Display().SetModifiedText(page, QStringLiteral("Modified"));
    switch (page) {
    case ImageDisplayState::EeDataPage:
        MarkEeOverrideEdit(ctx);
        UpdateOptionControls(ctx);
        [[fallthrough]];
    case ImageDisplayState::CodePage:
        ComputeChecksum(ctx);
        BuildInformationReport(ctx);
        break;
    case ImageDisplayState::CalibrationPage: break;
    }
}

bool FillEeWithValue(AppContext& ctx)
{
    OperatorInterface& op = ctx.Operator();
    std::optional<quint16> value;
    while (!value) {
        QString text;
        if (!op.AskText(QStringLiteral("Fill EEDATA"), QStringLiteral("Enter a 2 digit HEX Value:"), text))
            return false;
        value = GridCells::ParseHexValue(text);
        if (value)
            break;
        op.PlaySound(SoundKind::Beep);
        MessageRequest again;
        again.caption = QStringLiteral("Invalid Entry");
        again.text = QStringLiteral("Select OK to enter a valid HEX number or choose Cancel to exit");
        again.icon = BoxIcon::Question;
        again.buttons = OkButton | CancelButton;
        again.defaultButton = OkButton;
        if (op.ShowMessage(again) != OkButton)
            return false;
    }
    MemoryImage& image = ctx.Image();
    image.EeBuffer().fill(*value);
    image.Display().SetModifiedText(ImageDisplayState::EeDataPage, QStringLiteral("Modified"));
    MarkEeOverrideEdit(ctx);
    UpdateOptionControls(ctx);
    image.RefreshEditorView(ctx.Profile(), ImageDisplayState::EeDataPage);
    ComputeChecksum(ctx);
    BuildInformationReport(ctx);
    return true;
}

void SelectCalibrationSocket(AppContext& ctx, int socket)
{
    MemoryImage& image = ctx.Image();
    image.SetSelectedCalSocket(socket);
    image.Display().SetShownXcalChoice(image.Calibration(image.SelectedCalSocket()).xcalChoice);
    image.RefreshEditorView(ctx.Profile(), ImageDisplayState::CalibrationPage);
}

void ChooseCalibrationItem(AppContext& ctx, int index)
{
    const std::vector<XcalChoice>& choices = ctx.Profile().xcalChoices;
    if (index < 0 || index >= int(choices.size()))
        return;
    MemoryImage& image = ctx.Image();
    CalibrationRecord& record = image.Calibration(image.SelectedCalSocket());
    record.xcalChoice = index;
    record.xcalValue = choices[size_t(index)].value;
    image.Display().SetShownXcalChoice(index);
}

void SelectConfigWord(AppContext& ctx, int index)
{
    DeviceProfile& profile = ctx.Profile();
    profile.selectedWord = qBound(0, index, std::clamp(profile.cfgWords, 1, DeviceProfile::MaxConfigWords) - 1);
    ctx.FieldSelectors().Fill(profile);
    ShowSelectedWord(ctx);
    ShowFuseSummary(ctx);
}

void ChooseFieldOption(AppContext& ctx, int slot, int option)
{
    DeviceProfile& profile = ctx.Profile();
    const int w = profile.selectedWord;
    if (w < 0 || w >= DeviceProfile::MaxConfigWords || w >= profile.cfgWords)
        return;
    ConfigWord& word = profile.words[size_t(w)];
    const int field = slot - 1;
    if (field < 0 || field >= word.FieldCount() || option < 0 ||
        option >= int(word.fields[size_t(field)].options.size()))
        return;
    word.fields[size_t(field)].selected = option;
    ComposeSelectedWord(ctx);
}

int IdFieldLength(AppContext& ctx, ImageDisplayState::IdForm form)
{
    const int words = IdWordCount(ctx.Profile().core);
    return form == ImageDisplayState::IdHex7 ? 2 * words : words;
}

int IdFormOption(ImageDisplayState::IdForm form)
{
    switch (form) {
    case ImageDisplayState::IdHex4: return OptionIndex::IdHex4;
    case ImageDisplayState::IdHex7: return OptionIndex::IdHex7;
    case ImageDisplayState::IdAscii: return OptionIndex::IdAscii7;
    }
    return OptionIndex::IdHex4;
}

bool IdFieldEnabled(AppContext& ctx, ImageDisplayState::IdForm form)
{
    return ctx.Bindings().Switch(OptionSwitch::IdFields) && ctx.Bindings().IdMode() == IdFormOption(form);
}

} // namespace EditorCommands
