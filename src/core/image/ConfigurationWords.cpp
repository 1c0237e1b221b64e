#include "core/image/ConfigurationWords.h"

#include "core/context/AppContext.h"
#include "core/image/BufferChecksum.h"
#include "core/image/InformationReport.h"
#include "core/model/OptionIndex.h"
#include "core/util/HexText.h"

namespace {
quint16 FieldMask(const ConfigField& field)
{
    quint16 mask = 0xFFFF;
    for (const ConfigOption& option : field.options)
        mask &= option.value;
    return mask;
}

quint16 SelectedValue(const ConfigField& field)
{
    if (field.selected < 0 || field.selected >= int(field.options.size()))
        return 0xFFFF;
    return field.options[size_t(field.selected)].value;
}

quint16 ComposedValue(const ConfigWord& word)
{
    quint16 value = 0xFFFF;
    for (const ConfigField& field : word.fields)
        value &= SelectedValue(field);
    return value;
}

} // namespace

bool ValidConfigWord(const DeviceProfile& profile, int w)
{
    return w >= 0 && w < DeviceProfile::MaxConfigWords && w < std::max(profile.cfgWords, 1);
}

// With the FUSE override the configuration words are saved with the control file, so an edit
// made once the program is ready makes the settings dirty.
bool FuseOverrideEdit(AppContext& ctx)
{
    return ctx.Flags().ProgramReady && ctx.Options().IsSet(OptionIndex::FuseOverride);
}

void DecodeConfigWord(DeviceProfile& profile, quint16 value, int w)
{
    if (w < 0 || w >= DeviceProfile::MaxConfigWords)
        return;
    if (profile.core == CoreFamily::Core5X)
        value &= 0x0FFF;
    else if (profile.core == CoreFamily::CoreXX)
        value &= 0x3FFF;
    ConfigWord& word = profile.words[size_t(w)];
    for (ConfigField& field : word.fields) {
        const quint16 wanted = value | FieldMask(field);
        field.selected = 0;
        for (size_t i = 0; i < field.options.size(); ++i) {
            if (field.options[i].value == wanted) {
                field.selected = int(i);
                break;
            }
        }
    }
    word.value = ComposedValue(word);
}

void DecodeConfigWord(AppContext& ctx, quint16 value, int w)
{
    DecodeConfigWord(ctx.Profile(), value, w);
}

void CopyConfigMasks(AppContext& ctx)
{
    DeviceProfile& profile = ctx.Profile();
    MemoryImage& image = ctx.Image();
    for (int i = 0; i < profile.cfgWords && i < DeviceProfile::MaxConfigWords; ++i) {
        image.ConfigMasks()[size_t(i)] = profile.words[size_t(i)].implementedMask;
        DecodeConfigWord(profile, image.ConfigWords()[size_t(i)], i);
    }
}

void ComposeAndShowSelectedWord(AppContext& ctx)
{
    DeviceProfile& profile = ctx.Profile();
    const int w = profile.selectedWord;
    if (!ValidConfigWord(profile, w))
        return;
    if (FuseOverrideEdit(ctx))
        ctx.Flags().SettingsDirty = true;
    ConfigWord& word = profile.words[size_t(w)];
    word.value = ComposedValue(word);
    ctx.Image().ConfigWords()[size_t(w)] = word.value;
    ShowSelectedWord(ctx);
    ShowFuseSummary(ctx);
}

void StoreComposedWords(AppContext& ctx)
{
    const DeviceProfile& profile = ctx.Profile();
    for (int i = 0; i < profile.cfgWords && i < DeviceProfile::MaxConfigWords; ++i)
        ctx.Image().ConfigWords()[size_t(i)] = profile.words[size_t(i)].value;
}

QString SelectedWordHexText(quint16 value)
{
    return QStringLiteral("High: ") + HexWord(value >> 8, 2) + QStringLiteral("  Low: ") + HexWord(value & 0xFF, 2);
}

QString SelectedWordBinaryText(quint16 value, CoreFamily core)
{
    const int highBits = core == CoreFamily::Core5X ? 4 : core == CoreFamily::CoreXX ? 6 : 8;
    QString text;
    for (int bit = 7 + highBits; bit >= 0; --bit) {
        text += (value >> bit) & 1 ? u'1' : u'0';
        if (bit == 8)
            text += u':';
    }
    return text;
}

void ShowSelectedWord(AppContext& ctx)
{
    const DeviceProfile& profile = ctx.Profile();
    if (!ValidConfigWord(profile, profile.selectedWord))
        return;
    const quint16 value = profile.words[size_t(profile.selectedWord)].value;
    ctx.Image().Display().SetSelectedWordTexts(SelectedWordHexText(value), SelectedWordBinaryText(value, profile.core));
}

QStringList FuseSummaryLines(const DeviceProfile& profile, const std::array<quint16, 8>& configWords)
{
    const QString rule = QStringLiteral("--------------------------");
    QStringList lines;
    for (int i = 0; i < profile.cfgWords && i < DeviceProfile::MaxConfigWords; ++i) {
        const ConfigWord& word = profile.words[size_t(i)];
        lines << rule;
        lines << QStringLiteral("Configuration ") + QString::number(i + 1) + QStringLiteral(": 0x") +
                     HexWord(word.value, 4) + QStringLiteral(" - [") + HexWord(configWords[size_t(i)], 4) + u']';
        lines << rule;
        for (const ConfigField& field : word.fields) {
            const QString label = field.selected >= 0 && field.selected < int(field.options.size())
                                      ? field.options[size_t(field.selected)].label
                                      : QString();
            lines << u' ' + field.name.leftJustified(8, u' ') + QStringLiteral("  ") + label;
        }
        lines << QStringLiteral(" ");
    }
    return lines;
}

void ShowFuseSummary(AppContext& ctx)
{
    if (!ctx.Flags().ProgramReady)
        return;
    const QString summary = FuseSummaryLines(ctx.Profile(), ctx.Image().ConfigWords()).join(u'\n');
    ctx.Window().SetFuseSummaryText(summary);
    UpdateInformationWindow(ctx);
}

void DecodeXcal(AppContext& ctx, quint16 value, int socket)
{
    if (socket < 0 || socket >= MemoryImage::SocketCount)
        return;
    const std::vector<XcalChoice>& choices = ctx.Profile().xcalChoices;
    quint16 common = 0xFFFF;
    for (const XcalChoice& choice : choices)
        common &= choice.value;
    int index = 0;
    for (size_t i = 0; i < choices.size(); ++i) {
        if (choices[i].value == (value | common)) {
            index = int(i);
            break;
        }
    }
    CalibrationRecord& record = ctx.Image().Calibration(socket);
    record.xcalChoice = index;
    if (!choices.empty())
        record.xcalValue = choices[size_t(index)].value;
    if (socket == ctx.Image().SelectedCalSocket())
        ctx.Image().Display().SetShownXcalChoice(index);
}
