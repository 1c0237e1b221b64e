#include "core/image/IdLocations.h"

#include "core/context/AppContext.h"
#include "core/image/BufferChecksum.h"
#include "core/image/InformationReport.h"
#include "core/model/OptionIndex.h"
#include "core/util/HexText.h"

namespace {
std::span<const quint16> ShownWords(AppContext& ctx)
{
    return std::span<const quint16>(ctx.Image().IdWords()).first(size_t(IdWordCount(ctx.Profile().core)));
}
} // namespace

int IdWordCount(CoreFamily core)
{
    return core == CoreFamily::Core18X ? 8 : 4;
}

QString IdHex4Text(std::span<const quint16> idWords)
{
    QString text;
    for (quint16 word : idWords)
        text += HexWord(word & 0x0F, 1);
    return text;
}

QString IdHex7Text(std::span<const quint16> idWords)
{
    QString text;
    for (quint16 word : idWords)
        text += HexWord(word & 0x7F, 2);
    return text;
}

QString IdAsciiText(std::span<const quint16> idWords)
{
    QString text;
    for (quint16 word : idWords) {
        const int c = word & 0x7F;
        text += c >= '0' && c <= 'z' ? QChar(c) : QChar(u'0');
    }
    return text;
}

void ShowIdWords(AppContext& ctx)
{
    ImageDisplayState& display = ctx.Image().Display();
    const std::span<const quint16> words = ShownWords(ctx);
    display.SetIdUpdateRunning(true);
    display.SetIdText(ImageDisplayState::IdHex4, IdHex4Text(words));
    display.SetIdText(ImageDisplayState::IdHex7, IdHex7Text(words));
    display.SetIdText(ImageDisplayState::IdAscii, IdAsciiText(words));
    display.SetIdUpdateRunning(false);
}
