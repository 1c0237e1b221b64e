#include "core/image/BufferChecksum.h"

#include "core/context/AppContext.h"
#include "core/model/OptionIndex.h"
#include "core/util/HexText.h"

#include <algorithm>

namespace {
bool Protected(const DeviceProfile& profile)
{
    for (int i = 0; i < profile.cfgWords && i < DeviceProfile::MaxConfigWords; ++i) {
        const ConfigWord& word = profile.words[size_t(i)];
        const quint16 protectBits = word.implementedMask & quint16(~word.protectMask);
        if ((word.value & protectBits) != protectBits)
            return true;
    }
    return false;
}
} // namespace

quint64 ChecksumOf(AppContext& ctx)
{
    const OptionTable& options = ctx.Options();
    const DeviceProfile& profile = ctx.Profile();
    MemoryImage& image = ctx.Image();
    const bool microchip = options.Raw(OptionIndex::MicrochipChecksum) != 0;
    const quint64 sumMask = microchip ? 0xFFFF : 0x7FFFFFFF;
    // Additions are masked as they go; a 64-bit accumulator masked once per block gives the same
    // result, since masking with 2^n - 1 commutes with addition.
    quint64 sum = 0;

    if (microchip || options.Effective(OptionIndex::ProgramCode)) {
        const quint16 mask = image.CodeGrid().wordMask;
        const std::span<const quint16> code = image.CodeBuffer();
        const size_t count = size_t(std::clamp(profile.rom, 0, MemoryImage::CodeWords));
        quint64 block = 0;
        for (size_t w = 0; w < count; ++w)
            block += code[w] & mask;
        sum = (sum + block) & sumMask;
    }
    if (!microchip && options.Effective(OptionIndex::ProgramEe)) {
        const quint16 mask = image.EeGrid().wordMask;
        const int count = std::clamp(profile.ee, 0, MemoryImage::EeElements);
        for (int i = 0; i < count; ++i)
            sum = (sum + (image.EeBuffer()[size_t(i)] & mask)) & sumMask;
    }
    if (options.Effective(OptionIndex::ProgramConfig)) {
        for (int i = 0; i < profile.cfgWords && i < DeviceProfile::MaxConfigWords; ++i)
            sum = (sum + (image.ConfigWords()[size_t(i)] & profile.words[size_t(i)].implementedMask)) & sumMask;
    }
    const bool addId = microchip ? Protected(profile) : options.Effective(OptionIndex::ProgramId) != 0;
    if (addId) {
        const auto& id = image.IdWords();
        quint64 value = 0;
        if (profile.core == CoreFamily::Core18X) {
            for (int i = 0; i < 8; ++i)
                value += id[size_t(i)] & 0x0F;
        } else {
            for (int i = 0; i < 4; ++i)
                value = value * 16 + (id[size_t(i)] & 0x0F);
        }
        sum = (sum + value) & sumMask;
    }
    return sum;
}

void ComputeChecksum(AppContext& ctx)
{
    const quint64 sum = ChecksumOf(ctx);
    MemoryImage& image = ctx.Image();
    if (sum != image.LastChecksum()) {
        const bool microchip = ctx.Options().Raw(OptionIndex::MicrochipChecksum) != 0;
        ctx.History().AddLine(QStringLiteral(" Checksum Calculated: $") + HexWord(sum, microchip ? 4 : 8),
                              HistoryStyle::Normal);
    }
    image.SetLastChecksum(sum);
}
