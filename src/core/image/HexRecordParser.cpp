#include "core/image/HexRecordParser.h"

#include "core/util/HexText.h"

#include <array>

namespace {
constexpr quint64 DeviceWordAddress = 0xFFFE;

const QString BadAddress = QStringLiteral("Bad Address in HEX file.");
const QString BadSegment = QStringLiteral("Bad Segment Address in HEX file.");
const QString BadExtended = QStringLiteral("Bad Extended Address in HEX file.");

// Hex digit values of every byte; -1 for anything that is not 0-9, A-F, a-f.
constexpr std::array<qint8, 256> DigitTable = [] {
    std::array<qint8, 256> table{};
    for (int i = 0; i < 256; ++i)
        table[size_t(i)] = -1;
    for (int i = 0; i < 10; ++i)
        table[size_t('0' + i)] = qint8(i);
    for (int i = 0; i < 6; ++i) {
        table[size_t('A' + i)] = qint8(10 + i);
        table[size_t('a' + i)] = qint8(10 + i);
    }
    return table;
}();

// The byte written as two hex digits at p; a negative value when either is no digit.
inline int Pair(const char* p)
{
    const int high = DigitTable[quint8(p[0])];
    const int low = DigitTable[quint8(p[1])];
    return (high << 4) | low | ((high | low) & ~0xFF);
}

// A record's fields as read, before the checksum is compared.
struct Fields {
    enum Kind { Skipped, Data, Segment, Extended };
    Kind kind = Skipped;
    quint32 count = 0;
    quint32 address = 0;
    quint8 fileChecksum = 0;
    quint8 calculatedChecksum = 0;
    quint32 value = 0; // segment or extended address value
};

class Parser
{
public:
    Parser(QByteArrayView text, HexFileContent& out, std::unique_ptr<quint8[]>& bytes)
        : m_p(text.data()), m_end(text.data() + text.size()), m_out(out)
    {
        bytes.reset(new quint8[size_t(text.size() / 2 + 1)]);
        m_pool = bytes.get();
        out.records.reserve(size_t(text.size() / 44 + 16));
    }

    void Run()
    {
        const char* p = m_p;
        if (m_end - p >= 3 && p[0] == '\xEF' && p[1] == '\xBB' && p[2] == '\xBF')
            p += 3;
        qsizetype number = 0;
        while (p < m_end) {
            while (p < m_end && (*p == ' ' || *p == '\t'))
                ++p;
            ++number;
            const char* q = nullptr;
            if (p < m_end && *p == ':') {
                if (!m_out.error)
                    q = Record(p, number);
                else
                    q = LineEnd(p);
            } else {
                q = LineEnd(p);
                OtherLine(p, q - p, number);
            }
            if (q < m_end && *q == '\r' && q + 1 < m_end && q[1] == '\n')
                q += 2;
            else if (q < m_end)
                ++q;
            p = q;
        }
    }

private:
    const char* LineEnd(const char* p) const
    {
        while (p < m_end && *p != '\n' && *p != '\r')
            ++p;
        return p;
    }

    void OtherLine(const char* text, qsizetype length, qsizetype number)
    {
        if (length >= 4 && text[0] == ';' && text[1] == 'P' && text[2] == 'I' && text[3] == 'C') {
            m_out.deviceNames.emplace_back(text + 4, length - 4);
            return;
        }
        if (length == 0 || text[0] == ';' || m_out.error)
            return;
        if (++m_out.ignoredLines <= HexFileContent::IgnoredLinesNamed)
            m_out.events.push_back({HexParseEvent::Kind::IgnoredLine, number, 0, false});
    }

    // Reads the ':' line at p and returns where it ends. A well-formed data or address record is
    // read straight from the text; anything else goes through the careful reading below, which
    // names what is wrong.
    const char* Record(const char* p, qsizetype number)
    {
        const qsizetype available = m_end - p;
        if (available >= 11) {
            const int count = Pair(p + 1);
            const int high = Pair(p + 3);
            const int low = Pair(p + 5);
            const int type = Pair(p + 7);
            if ((count | high | low) >= 0 && (type == 0 || type == 2 || type == 4) && available >= 11 + 2 * count) {
                quint8* data = m_pool + m_poolSize;
                int bad = 0;
                quint32 sum = quint32(count + high + low + type);
                const char* d = p + 9;
                for (int j = 0; j < count; ++j, d += 2) {
                    const int byte = Pair(d);
                    bad |= byte;
                    data[j] = quint8(byte);
                    sum += quint32(byte);
                }
                const int checksum = Pair(d);
                bad |= checksum;
                if (bad >= 0 && (type == 0 || count >= 2)) {
                    Fields f;
                    f.kind = type == 0 ? Fields::Data : type == 2 ? Fields::Segment : Fields::Extended;
                    f.count = quint32(count);
                    f.address = quint32(high << 8 | low);
                    f.fileChecksum = quint8(checksum);
                    f.calculatedChecksum = quint8(0x100 - (sum & 0xFF));
                    if (f.kind != Fields::Data)
                        f.value = quint32(data[0]) << 8 | data[1];
                    Take(f, number);
                    return LineEnd(d + 2);
                }
            }
        }
        const char* q = LineEnd(p);
        Fields f;
        if (const QString* error = ReadCarefully(p, q - p, f)) {
            m_out.error = HexParseError{*error, QString()};
            return q;
        }
        Take(f, number);
        return q;
    }

    // The field of width characters at 1-based position; a character that is no hex digit sets
    // bad. The callers have checked that the field lies inside the line.
    static quint32 Field(const char* text, qsizetype position, int width, bool& bad)
    {
        quint32 value = 0;
        for (int i = 0; i < width; ++i) {
            const qint8 digit = DigitTable[quint8(text[position - 1 + i])];
            if (digit < 0)
                bad = true;
            value = value * 16 + quint32(digit < 0 ? 0 : digit);
        }
        return value;
    }

    // Reads one ':' line field by field; returns the message of what makes it unusable, or null.
    // A short line would otherwise supply invented bytes.
    const QString* ReadCarefully(const char* text, qsizetype length, Fields& f)
    {
        static const QString errorInFile = QString::fromLatin1(HexErrorInFile);
        if (length < 11)
            return &errorInFile;
        bool bad = false;
        f.count = Field(text, 2, 2, bad);
        if (bad)
            return &errorInFile;
        const char t0 = text[7];
        const char t1 = text[8];
        if (t0 != '0' || (t1 != '0' && t1 != '2' && t1 != '4'))
            return nullptr; // skipped unread
        f.kind = t1 == '0' ? Fields::Data : t1 == '2' ? Fields::Segment : Fields::Extended;
        const QString* malformed = f.kind == Fields::Data      ? &errorInFile
                                   : f.kind == Fields::Segment ? &BadSegment
                                                               : &BadExtended;
        f.address = Field(text, 4, 4, bad);
        if (bad)
            return f.kind == Fields::Data ? &BadAddress : malformed;
        if (length < 11 + 2 * qsizetype(f.count))
            return malformed;
        quint8* data = m_pool + m_poolSize;
        quint32 sum = f.count + (f.address >> 8) + (f.address & 0xFF) + quint32(t1 - '0');
        for (quint32 j = 0; j < f.count; ++j) {
            data[j] = quint8(Field(text, 10 + 2 * j, 2, bad));
            sum += data[j];
        }
        f.fileChecksum = quint8(Field(text, 10 + 2 * f.count, 2, bad));
        if (bad)
            return malformed;
        f.calculatedChecksum = quint8(0x100 - (sum & 0xFF));
        if (f.kind != Fields::Data) {
            if (f.count < 2)
                return malformed;
            f.value = (quint32(data[0]) << 8) | data[1];
        }
        return nullptr;
    }

    // Acts on a record read whole: its bytes are already at the end of the pool.
    void Take(const Fields& f, qsizetype number)
    {
        if (f.kind == Fields::Skipped)
            return;
        if (f.fileChecksum != f.calculatedChecksum) {
            // A record whose checksum does not match its contents may carry any corruption.
            m_out.error = HexParseError{QString::fromLatin1(HexErrorInFile),
                                        QStringLiteral("Line ") + QString::number(number) +
                                            QStringLiteral(": record checksum ") + HexWord(f.fileChecksum, 2) +
                                            QStringLiteral(", calculated ") + HexWord(f.calculatedChecksum, 2)};
            return;
        }
        switch (f.kind) {
        case Fields::Skipped: return;
        case Fields::Segment: m_base = quint64(f.value) * 16; return;
        case Fields::Extended:
            m_base = quint64(f.value) * 65536;
            if (!m_inhx32) {
                m_inhx32 = true;
                m_out.events.push_back({HexParseEvent::Kind::Inhx32, number, 0, false});
            }
            return;
        case Fields::Data: break;
        }
        if (f.count == 0)
            return;
        const quint64 address = m_base + f.address;
        if (address == DeviceWordAddress) {
            const quint8* data = m_pool + m_poolSize;
            const bool complete = f.count >= 2;
            m_out.events.push_back({HexParseEvent::Kind::DeviceWord, number,
                                    complete ? quint16(data[0] | (data[1] << 8)) : quint16(0), complete});
        }
        m_out.records.push_back({address, quint32(m_poolSize), f.count});
        m_poolSize += f.count;
    }

    const char* m_p;
    const char* const m_end;
    HexFileContent& m_out;
    quint8* m_pool = nullptr;
    size_t m_poolSize = 0;
    quint64 m_base = 0;
    bool m_inhx32 = false;
};
} // namespace

HexFileContent ParseHexRecords(QByteArrayView text)
{
    HexFileContent content;
    Parser(text, content, content.m_bytes).Run();
    return content;
}
