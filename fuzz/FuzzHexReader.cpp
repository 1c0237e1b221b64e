// The HEX reader: the record parser, then the image store under the windows of a 14-bit, a 16-bit
// and a 12-bit device, the override choices taken from the input's length.
#include "FuzzTargets.h"

#include "core/image/HexImageStore.h"
#include "core/image/HexRecordParser.h"
#include "core/model/DeviceProfile.h"
#include "core/model/MemoryImage.h"

#include <algorithm>

namespace PraxonFuzz {

namespace {

DeviceProfile Profile(CoreFamily core, int rom, int idLoc, int cfgLoc, int cfgWords)
{
    DeviceProfile p;
    p.core = core;
    p.rom = rom;
    p.idLoc = idLoc;
    p.cfgLoc = cfgLoc;
    p.cfgWords = cfgWords;
    return p;
}

// The last record of the file, when it lies wholly in plain program memory of a 5X/XX layout (no
// window, no device word), must be in the code buffer as written: nothing comes after it.
void CheckLastRecord(const HexFileContent& content, const HexImageLayout& layout, const MemoryImage& image)
{
    if (content.records.empty() || layout.device18)
        return;
    const HexDataRecord& last = content.records.back();
    const quint64 plainEnd =
        std::min({layout.idFirst, layout.configFirst, quint64(0x4200), quint64(0xFFFE), 2 * layout.programEnd});
    if (last.address + last.count > plainEnd)
        return;
    const auto bytes = content.Data(last);
    const auto code = image.CodeBuffer();
    for (quint32 i = 0; i < last.count; ++i) {
        const quint64 a = last.address + i;
        const quint16 word = code[size_t(a / 2)];
        const quint8 stored = (a & 1) ? quint8(word >> 8) : quint8(word & 0xFF);
        if (stored != bytes[i])
            Fail("hex: the last record's bytes are not in the code buffer");
    }
}

} // namespace

int HexReader(const uint8_t* data, size_t size)
{
    static MemoryImage* image = new MemoryImage;
    static const DeviceProfile profiles[] = {
        Profile(CoreFamily::CoreXX, 8192, 0x2000, 0x2007, 1),
        Profile(CoreFamily::Core18X, 16384, 0x200000, 0x300000, 7),
        Profile(CoreFamily::Core5X, 512, 0x200, 0xFFF, 1),
    };

    const HexFileContent content =
        ParseHexRecords(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    for (const HexDataRecord& record : content.records) {
        if (record.count == 0 || record.count > 255)
            Fail("hex: a data record of impossible size");
    }
    int choice = int(size % 8);
    for (const DeviceProfile& profile : profiles) {
        HexImageLayout layout = HexImageLayout::Of(profile);
        layout.idOverride = choice & 1;
        layout.fuseOverride = choice & 2;
        layout.eeOverride = choice & 4;
        image->LoadStatus() = HexLoadStatus{};
        const HexStoreResult result = StoreHexContent(content, layout, *image);
        if (result.error.isEmpty() && !content.error)
            CheckLastRecord(content, layout, *image);
        choice = (choice + 3) % 8;
    }
    return 0;
}

} // namespace PraxonFuzz
