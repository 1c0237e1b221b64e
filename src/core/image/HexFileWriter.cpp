#include "core/image/HexFileWriter.h"

#include "core/context/AppContext.h"
#include "core/image/ConfigurationWords.h"
#include "core/model/OptionIndex.h"
#include "core/util/HexText.h"
#include "core/util/SafeFileWriter.h"

#include <QFileInfo>

namespace {
constexpr int RecordWords = 8;
constexpr quint32 IdBase18x = 0x200000;
constexpr quint32 ConfigBase18x = 0x300000;
constexpr quint32 EeBase18x = 0xF00000;
constexpr quint32 EeWordBase5xXx = 0x2100;

// Formats records and keeps the extended linear address up to date.
class HexWriter
{
public:
    // Makes the next record's byte address current: writes an extended linear address record when
    // its upper 16 bits differ from the last one written (0 at the start). Returns the 16-bit
    // record address.
    quint16 AddressFor(quint32 byteAddress)
    {
        const quint16 upper = quint16(byteAddress >> 16);
        if (upper != m_upper) {
            WriteExtended(upper);
        }
        return quint16(byteAddress & 0xFFFF);
    }

    void WriteExtended(quint16 upper)
    {
        const quint8 bytes[2] = {quint8(upper >> 8), quint8(upper)};
        WriteRecord(0, 0x04, bytes, 2);
        m_upper = upper;
    }

    // words are written low byte first.
    void WriteData(quint32 byteAddress, const quint16* words, int count)
    {
        const quint16 address = AddressFor(byteAddress);
        quint8 bytes[2 * RecordWords];
        for (int i = 0; i < count; ++i) {
            bytes[2 * i] = quint8(words[i]);
            bytes[2 * i + 1] = quint8(words[i] >> 8);
        }
        WriteRecord(address, 0x00, bytes, 2 * count);
    }

    // Writes the words as records of up to eight consecutive non-blank words at byte address
    // base + 2i; blank words are left out.
    template <typename Word, typename IsBlank> void WriteRuns(quint32 base, int count, Word word, IsBlank isBlank)
    {
        int i = 0;
        while (i < count) {
            while (i < count && isBlank(i))
                ++i;
            quint16 record[RecordWords];
            const int first = i;
            int n = 0;
            while (i < count && n < RecordWords && !isBlank(i))
                record[n++] = word(i++);
            if (n > 0)
                WriteData(base + 2 * quint32(first), record, n);
        }
    }

    void WriteLine(const QByteArray& line) { m_text += line + "\r\n"; }
    QByteArray Text() const { return m_text; }

private:
    void WriteRecord(quint16 address, quint8 type, const quint8* data, int count)
    {
        QByteArray line = ":";
        quint32 sum = quint32(count) + (address >> 8) + (address & 0xFF) + type;
        line += HexWord(quint32(count), 2).toLatin1() + HexWord(address, 4).toLatin1() + HexWord(type, 2).toLatin1();
        for (int i = 0; i < count; ++i) {
            line += HexWord(data[i], 2).toLatin1();
            sum += data[i];
        }
        line += HexWord((0x100 - (sum & 0xFF)) & 0xFF, 2).toLatin1();
        WriteLine(line);
    }

    QByteArray m_text;
    quint16 m_upper = 0;
};

bool BlankUnder(quint16 word, quint16 mask)
{
    return (word & mask) == mask;
}

// The file's text, lines ending in CR LF.
QByteArray HexFileText(AppContext& ctx)
{
    const DeviceProfile& p = ctx.Profile();
    const OptionTable& options = ctx.Options();
    MemoryImage& image = ctx.Image();
    const bool is18 = p.core == CoreFamily::Core18X;
    HexWriter out;
    if (is18)
        out.WriteExtended(0);

    // Program memory.
    const quint16 codeMask = image.CodeGrid().wordMask;
    const std::span<const quint16> code = image.CodeBuffer();
    const int rom = std::clamp(p.rom, 0, MemoryImage::CodeWords);
    out.WriteRuns(
        0, rom, [&](int i) { return quint16(code[size_t(i)] & codeMask); },
        [&](int i) { return BlankUnder(code[size_t(i)], codeMask); });

    // Calibration words of the selected socket, right after program memory.
    if (options.Effective(OptionIndex::IncludeCal)) {
        const quint16 calMask = image.CalibrationGrid().wordMask;
        const auto& cal = image.Calibration(image.SelectedCalSocket()).words;
        const int n = std::clamp(p.cal, 0, CalibrationRecord::WordCount);
        out.WriteRuns(
            2 * quint32(rom), n, [&](int i) { return quint16(cal[size_t(i)] & calMask); },
            [&](int i) { return BlankUnder(cal[size_t(i)], calMask); });
    }

    // ID locations, always, one record even when blank.
    const auto& id = image.IdWords();
    quint16 idRecord[4];
    if (is18) {
        for (int j = 0; j < 4; ++j)
            idRecord[j] = quint16((id[size_t(2 * j)] & 0xFF) | ((id[size_t(2 * j + 1)] & 0xFF) << 8));
        out.WriteData(IdBase18x, idRecord, 4);
    } else {
        for (int i = 0; i < 4; ++i)
            idRecord[i] = id[size_t(i)] & 0xFF;
        out.WriteData(2 * quint32(qMax(p.idLoc, 0)), idRecord, 4);
    }

    // Configuration words as composed from their fields.
    if (options.Raw(OptionIndex::IncludeConfig)) {
        StoreComposedWords(ctx);
        const int count = std::clamp(p.cfgWords, 1, MemoryImage::ConfigElements);
        const quint32 at = is18 ? ConfigBase18x : 2 * quint32(qMax(p.cfgLoc, 0));
        out.WriteData(at, image.ConfigWords().data(), count);
    }

    // EE data: one byte per word on 5X/XX devices, byte pairs on 18X devices. An 18X pair is blank
    // only when both of its bytes are.
    if (options.Effective(OptionIndex::IncludeEe)) {
        const quint16 eeMask = image.EeGrid().wordMask;
        const auto& ee = image.EeBuffer();
        const int size = std::clamp(p.ee, 0, MemoryImage::EeElements);
        if (is18) {
            auto byteAt = [&](int i) { return i < size ? ee[size_t(i)] : quint16(eeMask); };
            out.WriteRuns(
                EeBase18x, (size + 1) / 2,
                [&](int w) { return quint16((byteAt(2 * w) & 0xFF) | ((byteAt(2 * w + 1) & 0xFF) << 8)); },
                [&](int w) { return BlankUnder(byteAt(2 * w), eeMask) && BlankUnder(byteAt(2 * w + 1), eeMask); });
        } else {
            out.WriteRuns(
                2 * EeWordBase5xXx, size, [&](int i) { return ee[size_t(i)]; },
                [&](int i) { return BlankUnder(ee[size_t(i)], eeMask); });
        }
    }

    out.WriteLine(":00000001FF");
    if (options.Raw(OptionIndex::IncludeDevice))
        out.WriteLine(";PIC" + ctx.File().mcuName.toLatin1());
    return out.Text();
}
} // namespace

bool WriteHexFile(AppContext& ctx, const QString& path, QString* errorText)
{
    const QByteArray text = HexFileText(ctx);
    SafeFileWriter writer(path);
    if (writer.Write(text))
        return true;
    if (errorText)
        *errorText = writer.Error();
    return false;
}

bool SaveHexFileAs(AppContext& ctx)
{
    FileRequest request;
    request.caption = QStringLiteral("Save HEX File As...");
    request.filter = QStringLiteral("Intel HEX File [*.hex,*.obj] (*.hex *.obj)");
    const QString current = ctx.File().hexPath;
    if (!current.isEmpty()) {
        const QFileInfo info(current);
        request.directory = info.absolutePath();
        request.fileName = info.fileName();
    }
    QString path = ctx.Operator().ChooseSaveFile(request);
    if (path.isEmpty())
        return false;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".hex");
    QString reason;
    if (!WriteHexFile(ctx, path, &reason)) {
        ctx.Operator().ShowError(QStringLiteral("File Error"),
                                 QStringLiteral("The HEX file could not be written:\r") + path + u'\r' + reason +
                                     QStringLiteral("\rAny earlier file of that name is unchanged."));
        return false;
    }
    return true;
}
