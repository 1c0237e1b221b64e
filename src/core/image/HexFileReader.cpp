#include "core/image/HexFileReader.h"

#include "core/context/AppContext.h"
#include "core/devices/DeviceProfileLoader.h"
#include "core/options/OptionIndex.h"
#include "core/util/ErrorOut.h"
#include "core/util/HexText.h"

#include <QFile>
#include <QFileInfo>

#include <array>
#include <unordered_set>
#include <vector>

namespace {
constexpr int ValueColumn = 40;

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

// A full code buffer written in 16-byte INHX32 records is about 12 MB of text and in one-byte
// records about 55 MB; a file beyond this is no device's HEX file and is refused unread.
constexpr qint64 MaxHexFileBytes = 128 * 1024 * 1024;
// Lines that are neither record nor comment are each named up to this many, then counted.
constexpr int IgnoredLinesNamed = 20;

const QString ErrorInFile = QStringLiteral("Error in HEX file.");
const QString BadAddress = QStringLiteral("Bad Address in HEX file.");
const QString BadSegment = QStringLiteral("Bad Segment Address in HEX file.");
const QString BadExtended = QStringLiteral("Bad Extended Address in HEX file.");
const QString EeTooLong = QStringLiteral("EE Data exceeds 1024 bytes.");
const QString Ee18TooLong = QStringLiteral("EE Data (18x) exceeds 4097 bytes.");

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

// One line of the file, without its line break.
struct Line {
    const char* text;
    qsizetype length;
    qsizetype number; // 1-based

    // The hexadecimal field of width characters at 1-based position. A field cut short by the end
    // of the line is read from the characters that are there; an empty one reads as 0xF, as the
    // shared hex-text parser reads an empty text. A character that is no hex digit sets bad.
    quint32 Field(qsizetype position, int width, bool& bad) const
    {
        const qsizetype start = position - 1;
        const qsizetype available = std::min<qsizetype>(width, length - start);
        if (available <= 0)
            return 0xF;
        quint32 value = 0;
        for (qsizetype i = 0; i < available; ++i) {
            const qint8 digit = DigitTable[quint8(text[start + i])];
            if (digit < 0)
                bad = true;
            value = value * 16 + quint32(digit < 0 ? 0 : digit);
        }
        return value;
    }
    bool Starts(char c) const { return length > 0 && text[0] == c; }
};

// Calls visit(line) for every line; a line ends at CR LF, LF or a lone CR. A UTF-8 byte-order
// mark at the start of the file and blanks and tabs at the start of each line are dropped, so an
// indented record or the first record of a file saved with a mark is read like any other.
template <typename Visit> void ForEachLine(const QByteArray& content, Visit visit)
{
    const char* p = content.constData();
    const char* const end = p + content.size();
    if (content.startsWith("\xEF\xBB\xBF"))
        p += 3;
    qsizetype number = 0;
    while (p < end) {
        const char* q = p;
        while (q < end && *q != '\n' && *q != '\r')
            ++q;
        const char* start = p;
        while (start < q && (*start == ' ' || *start == '\t'))
            ++start;
        visit(Line{start, q - start, ++number});
        if (q < end && *q == '\r' && q + 1 < end && q[1] == '\n')
            q += 2;
        else if (q < end)
            ++q;
        p = q;
    }
}

// A parsed record: what the second and third passes look at.
struct Record {
    enum Kind { Skipped, Data, Segment, Extended };
    Kind kind = Skipped;
    int count = 0;
    quint32 address = 0; // the record's 16-bit address field
    quint32 value = 0;   // segment or extended address value
    std::array<quint8, 255> data{};
    quint8 fileChecksum = 0;
    quint8 calculatedChecksum = 0;
};

// Parses a ':' line. Records other than data, extended segment and extended linear address are
// skipped unread. The three kinds read must be complete up to their checksum: a short line would
// otherwise supply invented bytes.
Record ParseRecord(const Line& line)
{
    Record r;
    if (line.length < 11)
        throw ErrorOut(ErrorInFile);
    bool bad = false;
    r.count = int(line.Field(2, 2, bad));
    if (bad)
        throw ErrorOut(ErrorInFile);
    const char t0 = line.text[7];
    const char t1 = line.text[8];
    if (t0 != '0' || (t1 != '0' && t1 != '2' && t1 != '4'))
        return r;
    r.kind = t1 == '0' ? Record::Data : t1 == '2' ? Record::Segment : Record::Extended;
    const QString& malformed = r.kind == Record::Data      ? ErrorInFile
                               : r.kind == Record::Segment ? BadSegment
                                                           : BadExtended;

    r.address = line.Field(4, 4, bad);
    if (bad)
        throw ErrorOut(r.kind == Record::Data ? BadAddress : malformed);
    if (line.length < 11 + 2 * qsizetype(r.count))
        throw ErrorOut(malformed);
    quint32 sum = quint32(r.count) + (r.address >> 8) + (r.address & 0xFF) + (t1 - '0');
    for (int j = 0; j < r.count; ++j) {
        r.data[size_t(j)] = quint8(line.Field(10 + 2 * j, 2, bad));
        sum += r.data[size_t(j)];
    }
    r.fileChecksum = quint8(line.Field(10 + 2 * r.count, 2, bad));
    if (bad)
        throw ErrorOut(malformed);
    r.calculatedChecksum = quint8(0x100 - (sum & 0xFF));
    if (r.kind != Record::Data) {
        if (r.count < 2)
            throw ErrorOut(malformed);
        r.value = (quint32(r.data[0]) << 8) | r.data[1];
    }
    return r;
}

QString AddressText(quint64 address)
{
    return QStringLiteral("@: 0x") + HexWord(address, 4);
}

class HexFileReader
{
public:
    HexFileReader(AppContext& ctx, const QString& path)
        : m_ctx(ctx), m_path(path), m_history(ctx.History()), m_image(ctx.Image()), m_status(ctx.Image().LoadStatus())
    {
    }

    void Read()
    {
        LogIntroduction();
        if (!QFileInfo::exists(m_path)) {
            const QString line = QStringLiteral("   HEX File does not exist!");
            m_history.AddLine(line, HistoryStyle::FileError);
            m_ctx.Operator().ShowError(QStringLiteral("Required File Missing"), line + QStringLiteral(":\r") + m_path);
            MarkUnusable();
            return;
        }
        m_ctx.Window().SetTitle(QStringLiteral("Praxon - ") + m_path);
        m_image.ClearImage();
        m_status.Reset();
        try {
            QFile file(m_path);
            if (!file.open(QIODevice::ReadOnly))
                throw ErrorOut(QStringLiteral("Cannot read HEX file:\r") + m_path + u'\r' + file.errorString());
            // At most one byte more than the limit is read, so a device or pipe posing as a
            // file is refused as surely as a huge file.
            const qint64 size = file.size();
            if (size > MaxHexFileBytes)
                RefuseSize(size);
            m_content = file.read(MaxHexFileBytes + 1);
            if (m_content.size() > MaxHexFileBytes)
                RefuseSize(m_content.size());
            if (file.error() != QFileDevice::NoError)
                throw ErrorOut(QStringLiteral("Cannot read HEX file:\r") + m_path + u'\r' + file.errorString());
            file.close();

            LogOptionNotes();
            DeviceNamePass();
            DeviceWordPass();
            if (!m_ctx.Flags().DeviceLoaded && !m_status.DeviceRecordFound)
                UseSelectedMcu();
            ComputeWindows();
            StoringPass();
        } catch (const ErrorOut&) {
            MarkUnusable();
            throw;
        }
        m_ctx.Flags().NoValidFile = false;
        m_ctx.File().hexTimeStamp = QFileInfo(m_path).lastModified().toMSecsSinceEpoch();
    }

private:
    bool Option(int index) const { return m_ctx.Options().Raw(index) != 0; }

    void Log(const QString& text, HistoryStyle style) { m_history.AddLine(text, style); }
    void Log(const QString& text, const QString& value, HistoryStyle style)
    {
        m_history.AddLine(text, style);
        m_history.AppendColumn(value, ValueColumn, style);
    }

    void MarkUnusable()
    {
        m_ctx.Flags().NoValidFile = true;
        m_ctx.File().hexTimeStamp = 0;
    }

    [[noreturn]] void RefuseSize(qint64 size)
    {
        const QString detail = QStringLiteral("The file is ") + QString::number(size) +
                               QStringLiteral(" bytes long; no device's HEX file exceeds ") +
                               QString::number(MaxHexFileBytes) + QStringLiteral(" bytes.");
        Log(ErrorInFile, HistoryStyle::FileError);
        Log(QStringLiteral("  ") + detail, HistoryStyle::FileError);
        throw ErrorOut(ErrorInFile + u'\r' + detail);
    }

    void LogIntroduction()
    {
        Log(QStringLiteral("  "), HistoryStyle::Normal);
        Log(QStringLiteral("Using Control File: "), HistoryStyle::FileInformation);
        const QString& control = m_ctx.File().controlPath;
        if (control.isEmpty()) {
            Log(QStringLiteral("  No Control File to use"), HistoryStyle::FileWarning);
        } else if (QFileInfo::exists(control)) {
            Log(QStringLiteral("  ") + control, HistoryStyle::FileInformation);
        } else {
            Log(QStringLiteral("Control File Missing:"), HistoryStyle::FileWarning);
            Log(QStringLiteral("  ") + control, HistoryStyle::FileWarning);
        }
        Log(QStringLiteral("Opening HEX File: "), HistoryStyle::FileInformation);
        Log(QStringLiteral("  ") + m_path, HistoryStyle::FileInformation);
    }

    void LogOptionNotes()
    {
        if (Option(OptionIndex::EeOverride))
            Log(QStringLiteral("  Option Setting - Override EEDATA Record"), HistoryStyle::Highlight);
        if (Option(OptionIndex::FuseOverride))
            Log(QStringLiteral("  Option Setting - Override FUSE Record"), HistoryStyle::Highlight);
        if (Option(OptionIndex::IdOverride))
            Log(QStringLiteral("  Option Setting - Override ID Record"), HistoryStyle::Highlight);
        if (Option(OptionIndex::McuOverride))
            Log(QStringLiteral("  Option Setting - Use MCU: "), m_ctx.File().mcuName, HistoryStyle::Highlight);
        Log(QStringLiteral("  Assuming HEX format: "), QStringLiteral("INHX8M"), HistoryStyle::FileInformation);
    }

    // A profile loaded because of the file: the grids follow it and the next checksum is logged.
    void LoadProfile()
    {
        LoadDeviceProfile(m_ctx);
        m_ctx.Flags().DeviceLoaded = true;
        m_image.ApplyProfileToGrids(m_ctx.Profile());
        m_image.SetLastChecksum(0);
    }

    // ";PIC<name>" comment lines name the device. A name given more than once is acted on once,
    // in the place of its last line, so the selection ends where the file's order leaves it while
    // a file repeating one name costs one profile load and an unknown name one report.
    void DeviceNamePass()
    {
        std::vector<QByteArray> names;
        ForEachLine(m_content, [&names](const Line& line) {
            if (line.length < 4 || line.text[0] != ';' || line.text[1] != 'P' || line.text[2] != 'I' ||
                line.text[3] != 'C')
                return;
            names.emplace_back(line.text + 4, line.length - 4);
        });
        std::unordered_set<QByteArray> later;
        std::vector<QByteArray> distinct;
        for (auto it = names.rbegin(); it != names.rend(); ++it)
            if (later.insert(*it).second)
                distinct.push_back(*it);
        for (auto it = distinct.rbegin(); it != distinct.rend(); ++it) {
            const QString name = QString::fromLatin1(*it);
            if (m_ctx.Flags().McuFromCommandLine) {
                Log(QStringLiteral("  CMD Ignore - Device Record: "), name, HistoryStyle::FileWarning);
            } else if (Option(OptionIndex::McuOverride)) {
                Log(QStringLiteral("  Option Ignore - Device Record: "), name, HistoryStyle::FileWarning);
            } else {
                Log(QStringLiteral("  Found Device Record: "), name, HistoryStyle::FileInformation);
                if (SelectDeviceByName(m_ctx, name)) {
                    m_status.DeviceRecordFound = true;
                    LoadProfile();
                }
            }
        }
    }

    // Every record is parsed (so a malformed file stops here, before any device is acted on);
    // only a data record starting at byte address 0xFFFE is looked at: its first two bytes are the
    // device code, low byte first.
    void DeviceWordPass()
    {
        quint64 base = 0;
        qsizetype ignored = 0;
        ForEachLine(m_content, [this, &base, &ignored](const Line& line) {
            if (!line.Starts(':')) {
                if (line.length > 0 && !line.Starts(';') && ++ignored <= IgnoredLinesNamed)
                    Log(QStringLiteral("  WARNING: Not a record, line ignored: "), QString::number(line.number),
                        HistoryStyle::FileWarning);
                return;
            }
            const Record r = ParseRecord(line);
            if (r.kind != Record::Skipped && r.fileChecksum != r.calculatedChecksum)
                RefuseChecksum(line.number, r);
            switch (r.kind) {
            case Record::Skipped: return;
            case Record::Segment: base = quint64(r.value) * 16; return;
            case Record::Extended:
                base = quint64(r.value) * 65536;
                if (!m_status.Inhx32Seen) {
                    m_status.Inhx32Seen = true;
                    Log(QStringLiteral("  Identified HEX format: "), QStringLiteral("INHX32"),
                        HistoryStyle::FileInformation);
                }
                return;
            case Record::Data: break;
            }
            if (base + r.address != DeviceWordAddress || r.count < 1)
                return;
            m_status.DeviceRecordFound = true;
            if (r.count < 2)
                return;
            ActOnDeviceCode(quint16(r.data[0] | (r.data[1] << 8)));
        });
        if (ignored > IgnoredLinesNamed)
            Log(QStringLiteral("  WARNING: More lines ignored: "), QString::number(ignored - IgnoredLinesNamed),
                HistoryStyle::FileWarning);
    }

    // A record whose checksum does not match its contents may carry any corruption: the file is
    // not used, as a short record is not.
    [[noreturn]] void RefuseChecksum(qsizetype number, const Record& r)
    {
        const QString detail = QStringLiteral("Line ") + QString::number(number) +
                               QStringLiteral(": record checksum ") + HexWord(r.fileChecksum, 2) +
                               QStringLiteral(", calculated ") + HexWord(r.calculatedChecksum, 2);
        Log(ErrorInFile, HistoryStyle::FileError);
        Log(QStringLiteral("  ") + detail, HistoryStyle::FileError);
        throw ErrorOut(ErrorInFile + u'\r' + detail);
    }

    void ActOnDeviceCode(quint16 code)
    {
        const QString text = HexWord(code, 4);
        Log(QStringLiteral("  Found ZORBANT Device Record: "), text, HistoryStyle::FileInformation);
        const bool fromCommandLine = m_ctx.Flags().McuFromCommandLine;
        const bool fromOptions = Option(OptionIndex::McuOverride);
        if (fromCommandLine)
            Log(QStringLiteral("  CMD Ignore - Device Record: "), text, HistoryStyle::FileWarning);
        if (fromOptions)
            Log(QStringLiteral("  Option Ignore - Device Record: "), text, HistoryStyle::FileWarning);
        if (!fromCommandLine && !fromOptions) {
            SelectDeviceByCode(m_ctx, code);
            LoadProfile();
        }
    }

    void UseSelectedMcu()
    {
        const QString& name = m_ctx.File().mcuName;
        Log(QStringLiteral("  WARNING: Device Record not found "), HistoryStyle::FileWarning);
        Log(QStringLiteral("    Using Selected MCU: "), name, HistoryStyle::FileWarning);
        SelectDeviceByName(m_ctx, QString(name));
        LoadProfile();
    }

    void ComputeWindows()
    {
        const DeviceProfile& p = m_ctx.Profile();
        m_idFirst = 2 * quint64(qMax(p.idLoc, 0));
        m_idLast = m_idFirst + 8;
        m_configFirst = p.core == CoreFamily::Core18X ? quint64(qMax(p.cfgLoc, 0)) : 2 * quint64(qMax(p.cfgLoc, 0));
        m_configLast = m_configFirst + 2 * quint64(qMax(p.cfgWords, 0)) - 1;
        m_device18 = p.core == CoreFamily::Core18X;
        // 5X/XX calibration words follow program memory in the code buffer.
        m_programEnd = quint64(qMax(p.rom, 0)) + (m_device18 ? 0 : quint64(qMax(p.cal, 0)));
    }

    bool InIdWindow(quint64 a) const { return a >= m_idFirst && a <= m_idLast; }
    bool InConfigWindow(quint64 a) const { return a >= m_configFirst && a <= m_configLast; }

    void StoringPass()
    {
        m_written.assign(size_t(CodeLimit), false);
        quint64 base = 0;
        ForEachLine(m_content, [this, &base](const Line& line) {
            if (!line.Starts(':'))
                return;
            const Record r = ParseRecord(line);
            if (r.kind == Record::Skipped)
                return;
            switch (r.kind) {
            case Record::Segment: base = quint64(r.value) * 16; return;
            case Record::Extended: base = quint64(r.value) * 65536; return;
            case Record::Data: StoreData(base + r.address, r); return;
            case Record::Skipped: return;
            }
        });
        if (m_beyondCount > 0)
            Log(QStringLiteral("  WARNING: Data beyond program memory ignored: "),
                AddressText(m_beyondFirst) + QStringLiteral(", ") + QString::number(m_beyondCount) +
                    QStringLiteral(" bytes"),
                HistoryStyle::FileWarning);
        if (m_twiceCount > 0)
            Log(QStringLiteral("  WARNING: Address written twice, later kept: "),
                AddressText(m_twiceFirst) + QStringLiteral(", ") + QString::number(m_twiceCount) +
                    QStringLiteral(" bytes"),
                HistoryStyle::FileWarning);
    }

    void StoreData(quint64 a, const Record& r)
    {
        quint16 currentWord = 0;
        for (int j = 0; j < r.count; ++j, ++a) {
            const quint8 byte = r.data[size_t(j)];
            if (a < CodeLimit)
                StoreLow(a, byte, currentWord);
            else if (a >= Id18First && a <= Id18Last)
                StoreId18(a, byte);
            else if (a >= Config18First && a < Config18End)
                StoreConfig18(a, byte);
            else if (a >= Ee18First && a < Ee18End)
                StoreEe18(a, byte);
            // Anything else at or above 0x200000 is not part of any PIC memory: ignored.
        }
    }

    // Byte addresses below 0x200000: code, with the 5X/XX ID, configuration and EE windows.
    void StoreLow(quint64 a, quint8 byte, quint16& currentWord)
    {
        const bool is18 = m_status.Is18X;
        if (!is18 && InIdWindow(a)) {
            m_status.Id5xMissing = false;
            if (Option(OptionIndex::IdOverride))
                Log(QStringLiteral("  Option Ignore - ID Record "), AddressText(a), HistoryStyle::FileWarning);
            else
                Log(QStringLiteral("  Found ID Record (5x/xx): "), AddressText(a), HistoryStyle::FileInformation);
        }
        if (!is18 && InConfigWindow(a)) {
            m_status.Fuse5xMissing = false;
            if (Option(OptionIndex::FuseOverride))
                Log(QStringLiteral("  Option Ignore - Fuse Record "), AddressText(a), HistoryStyle::FileWarning);
            else
                Log(QStringLiteral("  Found Fuse Record (5x/xx): "), AddressText(a), HistoryStyle::FileInformation);
        }
        // On a PIC18 device this window is program memory, whatever the file's first words are.
        if (!is18 && !m_device18 && a >= Ee5xFirst && a <= Ee5xLast) {
            if (Option(OptionIndex::EeOverride) && m_status.Ee5xMissing) {
                Log(QStringLiteral("  Option Ignore - EEDATA Record: "), AddressText(a), HistoryStyle::FileWarning);
                m_status.Ee5xMissing = false;
            }
            if (a - Ee5xFirst > Ee5xLimit)
                throw ErrorOut(EeTooLong);
            // One EE byte per 16-bit HEX word: the high bytes carry nothing.
            if (a % 2 == 0)
                m_image.EeFileBuffer()[size_t((a - Ee5xFirst) / 2)] = byte;
            if (m_status.Ee5xMissing) {
                m_status.Ee5xMissing = false;
                Log(m_status.Width5X ? QStringLiteral("  Found EEDATA (5X) ") : QStringLiteral("  Found EEDATA (xx) "),
                    AddressText(a), HistoryStyle::FileInformation);
            }
            return;
        }
        if (!is18 && (a == DeviceWordAddress || a == DeviceWordAddress + 1))
            return;

        quint16& element = m_image.CodeBuffer()[size_t(a / 2)];
        NoteCodeByte(a, element, byte);
        if (a % 2 == 0) {
            element = quint16((element & 0xFF00) | byte);
            currentWord = quint16((currentWord & 0xFF00) | byte);
        } else {
            element = quint16((element & 0x00FF) | (byte << 8));
            currentWord = quint16((currentWord & 0x00FF) | (byte << 8));
        }
        Classify(a, currentWord);
    }

    // Counts code bytes the device cannot hold and bytes given a second, different value; the
    // later value is stored either way.
    void NoteCodeByte(quint64 a, quint16 element, quint8 byte)
    {
        const bool deviceWord = a == DeviceWordAddress || a == DeviceWordAddress + 1;
        if (a / 2 >= m_programEnd && !deviceWord && !InIdWindow(a) && !InConfigWindow(a)) {
            if (m_beyondCount++ == 0)
                m_beyondFirst = a;
        }
        if (m_written[size_t(a)]) {
            const quint8 old = quint8(a % 2 == 0 ? element : element >> 8);
            if (old != byte && m_twiceCount++ == 0)
                m_twiceFirst = a;
        } else {
            m_written[size_t(a)] = true;
        }
    }

    // Width classification after a code byte. The configuration-word bytes and the 5X/XX ID and
    // configuration windows never count, since their values are not instructions.
    void Classify(quint64 a, quint16& currentWord)
    {
        const bool excluded =
            (a >= ConfigWordBytesFirst && a <= ConfigWordBytesLast) || InIdWindow(a) || InConfigWindow(a);
        if (excluded)
            return;
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
        if (Option(OptionIndex::IdOverride))
            Log(QStringLiteral("  Option Ignore - ID Record (18x): "), AddressText(a), HistoryStyle::FileWarning);
        m_status.Id18Missing = false;
        Log(QStringLiteral("  Found ID (18x) "), AddressText(a), HistoryStyle::FileInformation);
        m_image.IdFileBytes()[size_t(a - Id18First)] = byte;
    }

    void StoreConfig18(quint64 a, quint8 byte)
    {
        Mark18X();
        if (Option(OptionIndex::FuseOverride))
            Log(QStringLiteral("  Option Ignore - FUSE Record (18x): "), AddressText(a), HistoryStyle::FileWarning);
        m_status.Fuse18Missing = false;
        Log(QStringLiteral("  Found FUSE Data (18x) "), AddressText(a), HistoryStyle::FileInformation);
        quint16& word = m_image.ConfigFileWords()[size_t((a - Config18First) / 2)];
        word = a % 2 == 0 ? quint16((word & 0xFF00) | byte) : quint16((word & 0x00FF) | (byte << 8));
    }

    void StoreEe18(quint64 a, quint8 byte)
    {
        Mark18X();
        if (Option(OptionIndex::EeOverride) && m_status.Ee18Missing) {
            Log(QStringLiteral("  Option Ignore - EEDATA Record (18x): "), AddressText(a), HistoryStyle::FileWarning);
            m_status.Ee18Missing = false;
        }
        if (m_status.Ee18Missing) {
            m_status.Ee18Missing = false;
            Log(QStringLiteral("  Found EEDATA (18X) "), AddressText(a), HistoryStyle::FileInformation);
        }
        const quint64 offset = a - Ee18First;
        if (offset >= quint64(MemoryImage::EeElements))
            throw ErrorOut(Ee18TooLong);
        m_image.EeFileBuffer()[size_t(offset)] = byte;
    }

    AppContext& m_ctx;
    const QString m_path;
    HistoryLog& m_history;
    MemoryImage& m_image;
    HexLoadStatus& m_status;
    QByteArray m_content;
    quint64 m_idFirst = 0;
    quint64 m_idLast = 0;
    quint64 m_configFirst = 0;
    quint64 m_configLast = 0;
    bool m_device18 = false;
    quint64 m_programEnd = 0;
    std::vector<bool> m_written;
    quint64 m_beyondFirst = 0;
    qint64 m_beyondCount = 0;
    quint64 m_twiceFirst = 0;
    qint64 m_twiceCount = 0;
};
} // namespace

void ReadHexFile(AppContext& ctx, const QString& path)
{
    HexFileReader(ctx, path).Read();
}
