#include "core/image/HexImageStore.h"

#include "core/image/HexRecordParser.h"
#include "core/model/DeviceProfile.h"
#include "core/model/MemoryImage.h"
#include "core/util/HexText.h"

#include <algorithm>

namespace {
// Byte address windows of the PIC HEX conventions.
constexpr quint64 DeviceWordAddress = 0xFFFE;
constexpr quint64 Ee5xFirst = 0x4200;
constexpr quint64 Ee5xLast = 0x47FF;
constexpr quint64 Ee5xLimit = 1023; // offsets above this do not fit the 5X/XX EE data
constexpr quint64 CodeLimit = 0x200000;
constexpr quint64 Id18First = 0x200000;
constexpr quint64 Id18Last = 0x200007;
constexpr quint64 Config18First = 0x300000;
constexpr quint64 Config18End = 0x30000F; // exclusive
constexpr quint64 Ee18First = 0xF00000;
constexpr quint64 Ee18End = 0xF02000;            // exclusive
constexpr quint64 ConfigWordBytesFirst = 0x400E; // never used for width classification
constexpr quint64 ConfigWordBytesLast = 0x4010;

QString AddressText(quint64 address)
{
    return QStringLiteral("@: 0x") + HexWord(address, 4);
}

// Both ends included.
bool Overlaps(quint64 first, quint64 last, quint64 windowFirst, quint64 windowLast)
{
    return first <= windowLast && last >= windowFirst;
}

class Store
{
public:
    Store(const HexImageLayout& layout, MemoryImage& image)
        : m_layout(layout), m_image(image), m_code(image.CodeBuffer()), m_status(image.LoadStatus())
    {
    }

    HexStoreResult Run(const HexFileContent& content)
    {
        for (const HexDataRecord& record : content.records) {
            if (!StoreRecord(record.address, content.Data(record)))
                return std::move(m_result);
        }
        if (m_beyondCount > 0)
            Warn(QStringLiteral("  WARNING: Data beyond program memory ignored: "),
                 AddressText(m_beyondFirst) + QStringLiteral(", ") + QString::number(m_beyondCount) +
                     QStringLiteral(" bytes"));
        if (m_twiceCount > 0)
            Warn(QStringLiteral("  WARNING: Address written twice, later kept: "),
                 AddressText(m_twiceFirst) + QStringLiteral(", ") + QString::number(m_twiceCount) +
                     QStringLiteral(" bytes"));
        return std::move(m_result);
    }

private:
    void Note(const QString& text, const QString& value)
    {
        m_result.diagnostics.push_back({HexDiagnostic::Kind::Information, text, value});
    }
    void Warn(const QString& text, const QString& value)
    {
        m_result.diagnostics.push_back({HexDiagnostic::Kind::Warning, text, value});
    }
    bool Fail(const QString& message)
    {
        m_result.error = message;
        return false;
    }

    bool InIdWindow(quint64 a) const { return a >= m_layout.idFirst && a <= m_layout.idLast; }
    bool InConfigWindow(quint64 a) const { return a >= m_layout.configFirst && a <= m_layout.configLast; }

    // Code bytes that meet none of the windows, the device word or the end of program memory:
    // nothing but their value and their width can come of them.
    bool PlainCode(quint64 first, quint64 last) const
    {
        return last < CodeLimit && last / 2 < m_layout.programEnd &&
               !Overlaps(first, last, m_layout.idFirst, m_layout.idLast) &&
               !Overlaps(first, last, m_layout.configFirst, m_layout.configLast) &&
               !(!m_layout.device18 && Overlaps(first, last, Ee5xFirst, Ee5xLast)) &&
               !Overlaps(first, last, DeviceWordAddress, DeviceWordAddress + 1) &&
               !Overlaps(first, last, ConfigWordBytesFirst, ConfigWordBytesLast);
    }

    // Bytes at or above 0x200000 outside the 18X ID, configuration and EE windows: no PIC memory.
    static bool Unmapped(quint64 first, quint64 last)
    {
        return first >= CodeLimit && !Overlaps(first, last, Id18First, Id18Last) &&
               !Overlaps(first, last, Config18First, Config18End - 1) && !Overlaps(first, last, Ee18First, Ee18End - 1);
    }

    bool StoreRecord(quint64 a, std::span<const quint8> data)
    {
        quint16 currentWord = 0;
        const quint64 last = a + data.size() - 1;
        if (Unmapped(a, last))
            return true;
        if (PlainCode(a, last)) {
            StorePlain(a, data, currentWord);
            return true;
        }
        for (size_t j = 0; j < data.size(); ++j, ++a) {
            const quint8 byte = data[j];
            bool stored = true;
            if (a < CodeLimit)
                stored = StoreLow(a, byte, currentWord);
            else if (a >= Id18First && a <= Id18Last)
                StoreId18(a, byte);
            else if (a >= Config18First && a < Config18End)
                StoreConfig18(a, byte);
            else if (a >= Ee18First && a < Ee18End)
                stored = StoreEe18(a, byte);
            // Anything else at or above 0x200000 is not part of any PIC memory: ignored.
            if (!stored)
                return false;
        }
        return true;
    }

    // Calls visit(word, bits) for each 64-bit word of the written marks that the bytes from first
    // to last (both included) fall in, with the bits they take in it.
    template <typename Visit> static void ForEachMarkWord(quint64 first, quint64 last, Visit visit)
    {
        for (quint64 word = first / 64; word <= last / 64; ++word) {
            const quint64 low = std::max(first, word * 64) - word * 64;
            const quint64 high = std::min(last, word * 64 + 63) - word * 64;
            const quint64 upTo = high == 63 ? ~quint64(0) : (quint64(1) << (high + 1)) - 1;
            visit(size_t(word), upTo & ~((quint64(1) << low) - 1));
        }
    }
    bool AnyWritten(quint64 first, quint64 last) const
    {
        bool any = false;
        ForEachMarkWord(first, last, [&](size_t word, quint64 bits) {
            any = any || (word < m_written.size() && (m_written[word] & bits) != 0);
        });
        return any;
    }
    void MarkWritten(quint64 first, quint64 last)
    {
        if (last / 64 >= m_written.size())
            m_written.resize(size_t(last / 64) + 1, 0);
        ForEachMarkWord(first, last, [&](size_t word, quint64 bits) { m_written[word] |= bits; });
    }
    bool Written(quint64 a) const
    {
        const size_t word = size_t(a / 64);
        return word < m_written.size() && ((m_written[word] >> (a % 64)) & 1);
    }

    void StorePlain(quint64 a, std::span<const quint8> data, quint16& currentWord)
    {
        const quint64 last = a + data.size() - 1;
        if (AnyWritten(a, last)) {
            // A record's addresses are distinct, so each byte is compared with the value the
            // image held before the record.
            for (quint64 b = a; b <= last; ++b) {
                if (Written(b)) {
                    const quint16 element = m_code[size_t(b / 2)];
                    const quint8 old = quint8(b % 2 == 0 ? element : element >> 8);
                    if (old != data[size_t(b - a)] && m_twiceCount++ == 0)
                        m_twiceFirst = b;
                }
            }
        }
        MarkWritten(a, last);
        if (!m_status.Is18X) {
            for (size_t j = 0; j < data.size(); ++j, ++a) {
                SetByte(a, data[j], currentWord);
                Classify(currentWord);
            }
            return;
        }
        // 18X code: the width is decided, only the values remain.
        size_t j = 0;
        if (a % 2 != 0) {
            quint16& element = m_code[size_t(a / 2)];
            element = quint16((element & 0x00FF) | (data[0] << 8));
            ++a;
            ++j;
        }
        for (; j + 1 < data.size(); j += 2, a += 2)
            m_code[size_t(a / 2)] = quint16(data[j] | (data[j + 1] << 8));
        if (j < data.size()) {
            quint16& element = m_code[size_t(a / 2)];
            element = quint16((element & 0xFF00) | data[j]);
        }
    }

    void SetByte(quint64 a, quint8 byte, quint16& currentWord)
    {
        quint16& element = m_code[size_t(a / 2)];
        if (a % 2 == 0) {
            element = quint16((element & 0xFF00) | byte);
            currentWord = quint16((currentWord & 0xFF00) | byte);
        } else {
            element = quint16((element & 0x00FF) | (byte << 8));
            currentWord = quint16((currentWord & 0x00FF) | (byte << 8));
        }
    }

    // Byte addresses below 0x200000: code, with the 5X/XX ID, configuration and EE windows.
    bool StoreLow(quint64 a, quint8 byte, quint16& currentWord)
    {
        const bool is18 = m_status.Is18X;
        if (!is18 && InIdWindow(a)) {
            m_status.Id5xMissing = false;
            if (m_layout.idOverride)
                Warn(QStringLiteral("  Option Ignore - ID Record "), AddressText(a));
            else
                Note(QStringLiteral("  Found ID Record (5x/xx): "), AddressText(a));
        }
        if (!is18 && InConfigWindow(a)) {
            m_status.Fuse5xMissing = false;
            if (m_layout.fuseOverride)
                Warn(QStringLiteral("  Option Ignore - Fuse Record "), AddressText(a));
            else
                Note(QStringLiteral("  Found Fuse Record (5x/xx): "), AddressText(a));
        }
        // On a PIC18 device this window is program memory, whatever the file's first words are.
        if (!is18 && !m_layout.device18 && a >= Ee5xFirst && a <= Ee5xLast) {
            if (m_layout.eeOverride && m_status.Ee5xMissing) {
                Warn(QStringLiteral("  Option Ignore - EEDATA Record: "), AddressText(a));
                m_status.Ee5xMissing = false;
            }
            if (a - Ee5xFirst > Ee5xLimit)
                return Fail(QStringLiteral("EE Data exceeds 1024 bytes."));
            // One EE byte per 16-bit HEX word: the high bytes carry nothing.
            if (a % 2 == 0)
                m_image.EeFileBuffer()[size_t((a - Ee5xFirst) / 2)] = byte;
            if (m_status.Ee5xMissing) {
                m_status.Ee5xMissing = false;
                Note(m_status.Width5X ? QStringLiteral("  Found EEDATA (5X) ") : QStringLiteral("  Found EEDATA (xx) "),
                     AddressText(a));
            }
            return true;
        }
        if (!is18 && (a == DeviceWordAddress || a == DeviceWordAddress + 1))
            return true;

        NoteCodeByte(a, m_code[size_t(a / 2)], byte);
        SetByte(a, byte, currentWord);
        // The configuration-word bytes and the 5X/XX ID and configuration windows never count for
        // the width, since their values are not instructions.
        if (!((a >= ConfigWordBytesFirst && a <= ConfigWordBytesLast) || InIdWindow(a) || InConfigWindow(a)))
            Classify(currentWord);
        return true;
    }

    // Counts code bytes the device cannot hold and bytes given a second, different value; the
    // later value is stored either way.
    void NoteCodeByte(quint64 a, quint16 element, quint8 byte)
    {
        const bool deviceWord = a == DeviceWordAddress || a == DeviceWordAddress + 1;
        if (a / 2 >= m_layout.programEnd && !deviceWord && !InIdWindow(a) && !InConfigWindow(a)) {
            if (m_beyondCount++ == 0)
                m_beyondFirst = a;
        }
        if (Written(a)) {
            const quint8 old = quint8(a % 2 == 0 ? element : element >> 8);
            if (old != byte && m_twiceCount++ == 0)
                m_twiceFirst = a;
        } else {
            MarkWritten(a, a);
        }
    }

    // Width classification after a code byte.
    void Classify(quint16& currentWord)
    {
        if (!m_status.Is18X && !m_status.WidthXX && currentWord > 0x0FFF) {
            m_status.Width5X = false;
            m_status.WidthXX = true;
            currentWord = 0;
        }
        if (currentWord >= 0x4000)
            Mark18X();
    }

    void Mark18X()
    {
        m_status.Is18X = true;
        m_status.Width5X = false;
        m_status.WidthXX = false;
    }

    void StoreId18(quint64 a, quint8 byte)
    {
        Mark18X();
        if (m_layout.idOverride)
            Warn(QStringLiteral("  Option Ignore - ID Record (18x): "), AddressText(a));
        m_status.Id18Missing = false;
        Note(QStringLiteral("  Found ID (18x) "), AddressText(a));
        m_image.IdFileBytes()[size_t(a - Id18First)] = byte;
    }

    void StoreConfig18(quint64 a, quint8 byte)
    {
        Mark18X();
        if (m_layout.fuseOverride)
            Warn(QStringLiteral("  Option Ignore - FUSE Record (18x): "), AddressText(a));
        m_status.Fuse18Missing = false;
        Note(QStringLiteral("  Found FUSE Data (18x) "), AddressText(a));
        quint16& word = m_image.ConfigFileWords()[size_t((a - Config18First) / 2)];
        word = a % 2 == 0 ? quint16((word & 0xFF00) | byte) : quint16((word & 0x00FF) | (byte << 8));
    }

    bool StoreEe18(quint64 a, quint8 byte)
    {
        Mark18X();
        if (m_layout.eeOverride && m_status.Ee18Missing) {
            Warn(QStringLiteral("  Option Ignore - EEDATA Record (18x): "), AddressText(a));
            m_status.Ee18Missing = false;
        }
        if (m_status.Ee18Missing) {
            m_status.Ee18Missing = false;
            Note(QStringLiteral("  Found EEDATA (18X) "), AddressText(a));
        }
        const quint64 offset = a - Ee18First;
        if (offset >= quint64(MemoryImage::EeElements))
            return Fail(QStringLiteral("EE Data (18x) exceeds 4097 bytes."));
        m_image.EeFileBuffer()[size_t(offset)] = byte;
        return true;
    }

    const HexImageLayout& m_layout;
    MemoryImage& m_image;
    const std::span<quint16> m_code;
    HexLoadStatus& m_status;
    // One bit per code byte address, up to the highest address written so far (most files use a
    // small part of the 2 MB code space, and a load should not clear 256 KB of marks first).
    std::vector<quint64> m_written;
    HexStoreResult m_result;
    quint64 m_beyondFirst = 0;
    qint64 m_beyondCount = 0;
    quint64 m_twiceFirst = 0;
    qint64 m_twiceCount = 0;
};
} // namespace

HexImageLayout HexImageLayout::Of(const DeviceProfile& p)
{
    HexImageLayout layout;
    layout.idFirst = 2 * quint64(qMax(p.idLoc, 0));
    layout.idLast = layout.idFirst + 8;
    layout.device18 = p.core == CoreFamily::Core18X;
    layout.configFirst = layout.device18 ? quint64(qMax(p.cfgLoc, 0)) : 2 * quint64(qMax(p.cfgLoc, 0));
    layout.configLast = layout.configFirst + 2 * quint64(qMax(p.cfgWords, 0)) - 1;
    // 5X/XX calibration words follow program memory in the code buffer.
    layout.programEnd = quint64(qMax(p.rom, 0)) + (layout.device18 ? 0 : quint64(qMax(p.cal, 0)));
    return layout;
}

HexStoreResult StoreHexContent(const HexFileContent& content, const HexImageLayout& layout, MemoryImage& image)
{
    return Store(layout, image).Run(content);
}
