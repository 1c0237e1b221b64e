#include "core/commands/ImageEdits.h"

#include "core/context/AppContext.h"
#include "core/image/BufferChecksum.h"
#include "core/image/ConfigurationWords.h"
#include "core/image/IdLocations.h"
#include "core/image/InformationReport.h"
#include "core/model/OptionIndex.h"
#include "core/options/OptionRefresh.h"

namespace {
// A character's value as a hex digit; any other character keeps its code. Lower-case digits count
// as hex digits too, since the boxes are hex entry fields.
int DigitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return u;
}
} // namespace

void ComposeSelectedWord(AppContext& ctx)
{
    if (!ValidConfigWord(ctx.Profile(), ctx.Profile().selectedWord))
        return;
    if (FuseOverrideEdit(ctx)) {
        ctx.Flags().SettingsDirty = true;
        OptionsChanged(ctx);
    }
    ComposeAndShowSelectedWord(ctx);
    ComputeChecksum(ctx);
    BuildInformationReport(ctx);
}

void ParseIdEdit(AppContext& ctx, const QString& boxText)
{
    ImageDisplayState& display = ctx.Image().Display();
    if (display.IdUpdateRunning())
        return;
    const OptionTable& options = ctx.Options();
    ImageDisplayState::IdForm form;
    if (options.Raw(OptionIndex::IdHex4))
        form = ImageDisplayState::IdHex4;
    else if (options.Raw(OptionIndex::IdHex7))
        form = ImageDisplayState::IdHex7;
    else if (options.Raw(OptionIndex::IdAscii7))
        form = ImageDisplayState::IdAscii;
    else
        return;
    if (ctx.Flags().ProgramReady)
        ctx.Flags().SettingsDirty = true;

    const DeviceProfile& profile = ctx.Profile();
    const int words = IdWordCount(profile.core);
    const int length = form == ImageDisplayState::IdHex7 ? 2 * words : words;
    const QString text = boxText.left(length).leftJustified(length, QChar(0));
    std::array<quint16, MemoryImage::IdElements>& id = ctx.Image().IdWords();
    const quint16 idMask = profile.idMask;
    for (int i = 0; i < length; ++i) {
        const QChar c = text.at(i);
        switch (form) {
        case ImageDisplayState::IdHex4: id[size_t(i)] = quint16((DigitValue(c) & 0x0F) | idMask); break;
        case ImageDisplayState::IdHex7:
            if (i % 2 == 0)
                id[size_t(i / 2)] = quint16(((DigitValue(c) * 16) & 0x7F) | idMask);
            else
                id[size_t(i / 2)] |= quint16((DigitValue(c) & 0x0F) | idMask);
            break;
        case ImageDisplayState::IdAscii: {
            const int code = qBound(33, int(c.unicode()), 127);
            id[size_t(i)] = quint16((code & 0x7F) | idMask);
            break;
        }
        }
    }
    display.SetIdText(form, boxText);
    OptionsChanged(ctx);
    ShowIdWords(ctx);
    ComputeChecksum(ctx);
    BuildInformationReport(ctx);
}
