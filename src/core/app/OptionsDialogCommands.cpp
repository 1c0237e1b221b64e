#include "core/app/OptionsDialogCommands.h"

#include "core/context/AppContext.h"
#include "core/image/ConfigurationWords.h"
#include "core/image/InformationReport.h"
#include "core/link/ProgrammerLink.h"
#include "core/model/OptionIndex.h"
#include "core/options/OptionRefresh.h"

namespace OptionsDialogCommands {

namespace {
using namespace OptionIndex;

void MarkDirtyWhenReady(AppContext& ctx)
{
    if (ctx.Flags().ProgramReady)
        ctx.Flags().SettingsDirty = true;
}

QString Hex(qint64 value)
{
    return QString::number(value, 16).toUpper();
}

qint64 ParseHex(const QString& text)
{
    QString digits;
    for (QChar c : text) {
        if (QStringLiteral("0123456789ABCDEFabcdef").contains(c))
            digits += c;
    }
    bool ok = false;
    const qint64 value = digits.left(8).toLongLong(&ok, 16);
    return ok ? value : 0;
}
} // namespace

SerialFieldState SerialFields(AppContext& ctx)
{
    SerialFieldState state;
    state.enabled = ctx.Options().IsEffective(SerialNumbering);
    if (!state.enabled)
        state.look = FieldLook::Disabled;
    else if (ctx.Options().IsEffective(UseSqtp))
        state.look = FieldLook::FromSqtp;
    else
        state.look = FieldLook::Editable;
    return state;
}

QString StartAddressText(AppContext& ctx)
{
    const SerialNumberSettings& serial = ctx.SerialSettings();
    return Hex(serial.codeSpace ? serial.codeStartAddress : serial.eeStartAddress);
}

SerialFieldTexts LengthEdited(AppContext& ctx, const QString& lengthText, const QString& addressText)
{
    SerialFieldTexts texts;
    bool ok = false;
    const int number = lengthText.trimmed().toInt(&ok);
    int length = ok ? number : SerialNumberSettings::MinimumLength;
    if (length > SerialNumberSettings::MaximumLength)
        length = SerialNumberSettings::MaximumLength;
    else if (length < SerialNumberSettings::MinimumLength)
        length = SerialNumberSettings::MinimumLength;
    texts.length = ok && number == length ? lengthText : QString::number(length);
    ctx.SerialSettings().length = quint16(length);
    texts.address = AddressEdited(ctx, addressText);
    MarkDirtyWhenReady(ctx);
    return texts;
}

QString AddressEdited(AppContext& ctx, const QString& addressText)
{
    if (ctx.Workstation().Loading())
        return addressText;
    SerialNumberSettings& serial = ctx.SerialSettings();
    const DeviceProfile& profile = ctx.Profile();
    qint64 address = ParseHex(addressText);
    const qint64 limit = serial.codeSpace ? profile.rom : profile.ee;
    const qint64 highest = qMax<qint64>(0, limit - serial.length);
    if (address > highest) {
        MessageRequest box;
        box.caption = QString::fromLatin1(AddressRangeTitle);
        box.text = QStringLiteral("Serial Number Address reduced to [") + QString::number(serial.length) +
                   QStringLiteral("] locations below maximum available address.");
        box.icon = BoxIcon::Warning;
        box.sound = SoundKind::Warning;
        ctx.Operator().ShowMessage(box);
        address = highest;
        ctx.Flags().SettingsDirty = true;
    }
    if (serial.codeSpace)
        serial.codeStartAddress = address;
    else
        serial.eeStartAddress = address;
    if (ctx.Bindings().refreshSerialNumbers)
        ctx.Bindings().refreshSerialNumbers();
    MarkDirtyWhenReady(ctx);
    return Hex(address);
}

void PlaceSerialNumber(AppContext& ctx, bool inCode, bool ticked)
{
    OptionTable& options = ctx.Options();
    options.SetValue(inCode ? SerialInEe : SerialInCode, !ticked);
    ctx.SerialSettings().codeSpace = inCode ? ticked : !ticked;
    RadioOptionclick(ctx, inCode ? SerialInCode : SerialInEe, ticked);
}

void SerialNumberingClicked(AppContext& ctx, int index, bool checked)
{
    Checkoptionclick(ctx, index, checked);
    ShowSelectedWord(ctx);
    ShowFuseSummary(ctx);
    BuildInformationReport(ctx);
}

void HighSpeedClicked(AppContext& ctx, bool checked)
{
    if (ProgrammerLink* link = ctx.Link()) {
        if (!link->Box().HighSpeedFailed())
            link->Port().SetProgrammerReady(false);
        if (!checked)
            link->Box().SetHighSpeedFailed(false);
    }
    Checkoptionclick(ctx, HighSpeed, checked);
}

bool TargetVddChosen(AppContext& ctx, int item)
{
    if (!ctx.Flags().ProgramReady)
        return true;
    OptionTable& options = ctx.Options();
    if (!ctx.Profile().serial) {
        options.SetValue(NoVdd, false);
        return false;
    }
    ctx.Flags().SettingsDirty = true;
    if (options.OptionBeingShown() != NoVdd) {
        options.SetValue(NoVdd, quint8(item == 1 ? 1 : 0));
        OptionsChanged(ctx);
    }
    return true;
}

void PulseWidthMoved(AppContext& ctx, int position)
{
    if (!ctx.Flags().ProgramReady)
        return;
    ctx.Flags().SettingsDirty = true;
    if (ctx.Options().OptionBeingShown() == PulseWidth)
        return;
    ctx.Options().SetPulseWidthPosition(position);
    OptionsChanged(ctx);
}

void PasswordEdited(AppContext& ctx, const QString& text)
{
    ctx.Options().SetPassword(text);
    ctx.Flags().SettingsDirty = true;
    ctx.Bindings().SetSwitch(OptionSwitch::SaveSettingsNow, true);
}

void ResetAllToDefault(AppContext& ctx)
{
    ResetOptionsToFactory(ctx);
    RefreshChecksumAndReport(ctx);
}

} // namespace OptionsDialogCommands
