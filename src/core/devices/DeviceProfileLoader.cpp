#include "core/devices/DeviceProfileLoader.h"

#include "core/image/ConfigurationWords.h"
#include "core/image/InformationReport.h"
#include "core/model/MemoryImage.h"

#include "core/context/AppContext.h"
#include "core/devices/DeviceSelection.h"
#include "core/devices/SupportFiles.h"
#include "core/devices/TemplateLoader.h"
#include "core/model/DeviceProfile.h"
#include "core/model/FieldSelectorSlots.h"
#include "core/util/HexText.h"
#include "core/util/IniFile.h"

#include <algorithm>
#include <climits>

namespace {
// OptionTable entries whose availability follows SC.
constexpr int OptionSerialNumbering = 37;
constexpr int OptionSerialInEe = 64;
constexpr int OptionSerialInCode = 65;

// Lines longer than this break the table format and are ignored.
constexpr int MaxLineLength = 255;
constexpr int FieldLabelWidth = 16;
constexpr int XcalLabelWidth = 10;

// Reads one device section with typed defaults.
class SectionReader
{
public:
    SectionReader(const IniFile& file, const QString& section) : m_file(file), m_section(section) {}

    QString Text(const char* key, const char* defaultValue) const
    {
        return m_file.ReadString(m_section, QString::fromLatin1(key), QString::fromLatin1(defaultValue));
    }
    // Values outside low .. high are clamped to the nearest limit.
    int Integer(const char* key, qint64 defaultValue, qint64 low = INT_MIN, qint64 high = INT_MAX) const
    {
        return int(std::clamp(m_file.ReadInteger(m_section, QString::fromLatin1(key), defaultValue), low, high));
    }
    bool Bool(const char* key, bool defaultValue) const
    {
        return m_file.ReadBool(m_section, QString::fromLatin1(key), defaultValue);
    }
    // Hexadecimal text without prefix; an empty value reads as 0xF. Only the low 16 bits are kept.
    quint16 Hex(const QString& key, const char* defaultValue) const
    {
        return quint16(ParseHexText(m_file.ReadString(m_section, key, QString::fromLatin1(defaultValue))));
    }
    QStringList SortedLines() const
    {
        QStringList lines = m_file.ReadSectionLines(m_section);
        SortTableLines(lines);
        return lines;
    }

private:
    const IniFile& m_file;
    QString m_section;
};

// The largest value each numeric device key may hold: sizes and addresses must fit the image
// buffers (word addresses; an 18X CFGLOC is a byte address), counts must stay small enough
// that the loops they drive end. A key that is absent is not checked (its default applies).
struct KeyLimit {
    const char* key;
    qint64 high;
    qint64 high18X;
};
constexpr qint64 LastWord = MemoryImage::CodeWords - 1;
constexpr KeyLimit KeyLimits[] = {
    {"ROM", LastWord, LastWord},
    {"EE", MemoryImage::EeElements - 1, MemoryImage::EeElements - 1},
    {"EELOC", LastWord, LastWord},
    {"IDLOC", LastWord - MemoryImage::IdElements, LastWord - MemoryImage::IdElements},
    {"CFGLOC", LastWord - DeviceProfile::MaxConfigWords, 2 * LastWord - 2 * DeviceProfile::MaxConfigWords},
    {"BCALLOC", LastWord, LastWord},
    {"CALOFFST", LastWord, LastWord},
    {"CAL", LastWord, LastWord},
    {"XCAL", 0xFFFF, 0xFFFF},
    {"PANEL", 2 * MemoryImage::CodeWords, 2 * MemoryImage::CodeWords},
    {"PANELC", 2 * MemoryImage::CodeWords, 2 * MemoryImage::CodeWords},
    {"PAW", 0x10000, 0x10000},
    {"SC", 0xFFFF, 0xFFFF},
    {"IDMASK", 0xFFFF, 0xFFFF},
    {"CFGWORDS", 0xFFFF, 0xFFFF},
};

// The first key of the device whose value is out of range, as "KEY=value"; empty when all fit.
// With BCAL the calibration area is twice CAL words, so CAL may be at most half as large.
QString OutOfRangeKey(const IniFile& file, const QString& section, CoreFamily core)
{
    const bool doubledCal = file.ReadBool(section, QStringLiteral("BCAL"), false);
    for (const KeyLimit& limit : KeyLimits) {
        const QString key = QString::fromLatin1(limit.key);
        const QString text = file.ReadString(section, key, QString());
        if (text.trimmed().isEmpty())
            continue;
        qint64 high = core == CoreFamily::Core18X ? limit.high18X : limit.high;
        if (doubledCal && key == QLatin1String("CAL"))
            high /= 2;
        // A value the reader cannot take as a number reads as -1 against both defaults.
        const qint64 value = file.ReadInteger(section, key, -1);
        if (value != file.ReadInteger(section, key, 0) || value < 0 || value > high)
            return key + u'=' + text.trimmed();
    }
    return QString();
}

void ReadKeys(const SectionReader& in, DeviceProfile& p, OptionTable& options)
{
    p.rom = in.Integer("ROM", 0);
    p.ee = in.Integer("EE", 0);
    p.core = CoreFamilyFromText(in.Text("CORE", "UNKNOWN"));
    p.coreText = CoreFamilyText(p.core);
    p.idMask = quint16(in.Integer("IDMASK", p.core == CoreFamily::Core18X ? 0xF80 : 0xFF80));
    p.plates = in.Text("PLATES", "NONE");
    p.serial = in.Bool("SERIAL", true);
    p.parity = in.Bool("PARITY", false);
    p.flash = in.Bool("FLASH", false);
    p.panel = in.Integer("PANEL", 0);
    p.panelCount = in.Integer("PANELC", 1);
    if (p.panel > 0)
        p.panelCount = int(qint64(p.rom) * 2 / p.panel);
    p.paw = in.Integer("PAW", 1);
    p.singleWordWrites = p.paw <= 1;

    p.sc = in.Integer("SC", 3);
    options.SetPresent(OptionSerialNumbering, false);
    options.SetPresent(OptionSerialInEe, false);
    options.SetPresent(OptionSerialInCode, false);
    if (p.sc & 1) {
        options.SetPresent(OptionSerialNumbering, true);
        options.SetPresent(OptionSerialInCode, true);
    }
    if ((p.sc & 2) && p.ee > 0) {
        options.SetPresent(OptionSerialNumbering, true);
        options.SetPresent(OptionSerialInEe, true);
    }

    p.eeLoc = in.Integer("EELOC", 0);
    p.idLoc = in.Integer("IDLOC", 0);
    p.cfgLoc = in.Integer("CFGLOC", 0x2007);
    const QString pmod = in.Text("PMOD", "A");
    p.pmod = pmod.isEmpty() ? QChar(u'A') : pmod.at(0);
    p.bcal = in.Bool("BCAL", false);
    p.bcalLoc = in.Integer("BCALLOC", 0);
    p.calOffset = in.Integer("CALOFFST", 0);
    p.cal = in.Integer("CAL", 0);
    if (p.bcal)
        p.cal *= 2;
    p.calMask = in.Hex(QStringLiteral("CALMASK"), "0000");
    p.hasCalibration = p.cal >= 1;
    if (p.hasCalibration)
        p.xcal = in.Integer("XCAL", 0);
    p.hasExtraCalibration = p.hasCalibration && p.xcal >= 1;
}

// "*XCAL_title_choice=hex": each line adds a choice; the last line's title becomes the caption.
// The "_" parts are taken from the key only, so a value can never supply a missing part.
void ReadExtraCalibration(const SectionReader& in, const QStringList& lines, DeviceProfile& p)
{
    p.xcalChoices.clear();
    for (const QString& line : lines) {
        if (!line.startsWith(u'*') || line.size() > MaxLineLength || !line.contains(u'='))
            continue;
        QString key = DeviceList::KeyOf(line);
        const QString hex = DeviceList::CodeOf(line);
        if (key.count(u'_') < 2)
            continue;
        if (!SplitAtSeparator(key, u'_').contains(QLatin1String("XCAL"), Qt::CaseInsensitive))
            continue;
        const QString title = SplitAtSeparator(key, u'_');
        const QString& choice = key;
        if (int(p.xcalChoices.size()) >= DeviceProfile::MaxXcalChoices)
            continue;
        p.xcalTitle = title;
        p.xcalChoices.push_back(
            XcalChoice{quint16(ParseHexText(hex)), choice.leftJustified(XcalLabelWidth, u' ') + " [" + hex + u']'});
    }
    p.xcal1Mask = in.Hex(QStringLiteral("XCAL1MASK"), "0");
}

// The digits at the odd 1-based positions of the text (L div 2 + 1 of them), at most eight.
// A position past the end, or a character that is not a word number 0-7, adds no entry.
void ParseConfigSequence(const QString& text, DeviceProfile& p)
{
    p.cfgSeqCount = 0;
    const qsizetype count = text.size() / 2 + 1;
    for (qsizetype i = 0; i < count && p.cfgSeqCount < DeviceProfile::MaxConfigWords; ++i) {
        const qsizetype at = 2 * i;
        if (at >= text.size())
            break;
        const QChar c = text.at(at);
        if (c >= u'0' && c <= u'7')
            p.cfgSeq[p.cfgSeqCount++] = c.unicode() - u'0';
    }
}

void ReadConfigWords(const SectionReader& in, DeviceProfile& p)
{
    p.cfgWords = std::clamp(in.Integer("CFGWORDS", 1) & 0xFF, 1, DeviceProfile::MaxConfigWords);
    ParseConfigSequence(in.Text("CFGSEQ", "0,1,3,4,6,2,5"), p);
    for (int n = 0; n < p.cfgWords; ++n) {
        const QString suffix = n == 0 ? QString() : QString::number(n);
        p.words[n].implementedMask = in.Hex(QStringLiteral("FUSEMASK") + suffix, "ffff");
        p.words[n].protectMask = in.Hex(QStringLiteral("CPMASK") + suffix, "0000");
    }
}

// The hex text shown in an option label: as written, or "HH:LL" for the 18X core.
QString OptionValueText(const QString& hex, CoreFamily core)
{
    if (core == CoreFamily::Core18X)
        return hex.left(2) + u':' + hex.mid(2, 2);
    return hex;
}

// "_" [ "CFG" d "_" ] field "_" option "=" hex: adds one option to the named field of its word.
// As with the extra-calibration lines, every "_" part must be in the key.
void AddFieldLine(const QString& line, DeviceProfile& p)
{
    if (!line.startsWith(u'_') || line.size() > MaxLineLength || !line.contains(u'='))
        return;
    QString key = DeviceList::KeyOf(line).mid(1);
    const QString hex = DeviceList::CodeOf(line);
    if (!key.contains(u'_'))
        return;
    QString fieldName = SplitAtSeparator(key, u'_');
    int wordIndex = 0;
    if (p.cfgWords > 1 && fieldName.contains(QLatin1String("CFG"), Qt::CaseInsensitive)) {
        const QChar digit = fieldName.size() > 3 ? fieldName.at(3) : QChar();
        if (digit < u'0' || digit > u'7' || !key.contains(u'_'))
            return;
        wordIndex = digit.unicode() - u'0';
        fieldName = SplitAtSeparator(key, u'_');
    }
    const QString& optionName = key;

    ConfigWord& word = p.words[wordIndex];
    auto field =
        std::find_if(word.fields.begin(), word.fields.end(), [&](const ConfigField& f) { return f.name == fieldName; });
    if (field == word.fields.end()) {
        if (word.FieldCount() >= ConfigWord::MaxFields)
            return;
        ConfigField added;
        added.name = fieldName;
        added.displayName = fieldName;
        word.fields.push_back(added);
        field = word.fields.end() - 1;
    }
    if (int(field->options.size()) >= ConfigField::MaxOptions)
        return;
    field->options.push_back(ConfigOption{quint16(ParseHexText(hex)), optionName.leftJustified(FieldLabelWidth, u' ') +
                                                                          " [" + OptionValueText(hex, p.core) + u']'});
}
} // namespace

QString SectionNameOfKey(const QString& key)
{
    if (!key.isEmpty() && IsSupportMarker(key.back()))
        return key.left(key.size() - 2);
    return key;
}

QString SupportLevelOfKey(const QString& key)
{
    if (key.endsWith(u'*'))
        return QStringLiteral("Beta");
    if (key.endsWith(u'~'))
        return QStringLiteral("Partial");
    return QStringLiteral("FULL");
}

void LoadDeviceProfile(AppContext& ctx)
{
    const IniFile table(ctx.AppFile(QString::fromLatin1(DeviceTableFile)));
    LoadDeviceProfile(ctx, table);
}

void LoadDeviceProfile(AppContext& ctx, const IniFile& table)
{
    DeviceProfile& p = ctx.Profile();
    // Every value is re-read below; the reset also empties the configuration-word table, the
    // selected word and CFGLOC, and sets the support level back to "FULL".
    p = DeviceProfile{};
    p.cfgLoc = 0;
    p.cfgWords = 0;
    ctx.Image().SetLastChecksum(0); // the first checksum of the new device is always logged

    const QString line = ctx.Devices().SelectedLine();
    p.deviceKey = DeviceList::KeyOf(line);
    p.deviceCode = DeviceList::CodeOf(line);
    p.sectionName = SectionNameOfKey(p.deviceKey);
    p.supportLevel = SupportLevelOfKey(p.deviceKey);

    p.tableVersion = table.ReadString(QStringLiteral("PRAXON"), QStringLiteral("VERSION"), QStringLiteral("NONE"));
    p.tableSoftware = table.ReadString(QStringLiteral("PRAXON"), QStringLiteral("SOFTWARE"), QStringLiteral("NONE"));
    if (p.tableSoftware != QLatin1String(InstalledSoftwareVersion))
        ReportVersionMismatch(ctx.Operator(), QStringLiteral("FUSE TABLES"));

    // EXT moves every further key of the device to the same-named section of another table.
    const QString ext = table.ReadString(p.sectionName, QStringLiteral("EXT"), QStringLiteral("NO"));
    IniFile extension;
    const IniFile* source = &table;
    if (!ext.isEmpty() && ext.compare(QLatin1String("NO"), Qt::CaseInsensitive) != 0) {
        p.extFile = ext;
        extension.Load(ctx.AppFile(ext));
        source = &extension;
    }
    const SectionReader in(*source, p.sectionName);

    const QString badKey =
        OutOfRangeKey(*source, p.sectionName,
                      CoreFamilyFromText(source->ReadString(p.sectionName, QStringLiteral("CORE"), QString())));
    if (!badKey.isEmpty()) {
        // The device is refused: nothing of its section is used, and no run may start on it.
        ctx.Operator().ShowError(QStringLiteral("Table File Error"),
                                 QStringLiteral("Error - Device ") + p.sectionName +
                                     QStringLiteral(" has a value out of range: ") + badKey +
                                     QStringLiteral(". Please update supporting files."));
        ctx.Flags().AutoRunPending = false;
        ctx.History().AddLine(QStringLiteral("  Device table value out of range for MCU: ") + p.sectionName + u' ' +
                                  badKey,
                              HistoryStyle::FileError);
        ctx.Window().SetMcuText(p.deviceKey);
        ctx.Image().ApplyProfileToGrids(p);
        return;
    }

    ReadKeys(in, p, ctx.Options());
    const QStringList lines = in.SortedLines();
    if (p.hasExtraCalibration)
        ReadExtraCalibration(in, lines, p);
    ReadConfigWords(in, p);
    ctx.FieldSelectors().SetWordCount(p.cfgWords);

    p.manufacturer = in.Text("Man", "MICROCHIP");
    p.pwr = in.Integer("PWR", 5, 0, 255);
    p.pwrOff = in.Integer("PWROFF", 6, 0, 255);
    p.vmode = in.Integer("VMODE", 3, 0, 65535);

    for (const QString& fieldLine : lines)
        AddFieldLine(fieldLine, p);

    p.selectedWord = 0;
    ctx.Window().SetMcuText(p.deviceKey);
    if (p.core == CoreFamily::Unknown)
        p.cfgLoc = 0;

    // Every socket starts on the first extra-calibration choice of the new device.
    if (p.hasExtraCalibration && !p.xcalChoices.empty()) {
        for (int socket = 0; socket < MemoryImage::SocketCount; ++socket) {
            ctx.Image().Calibration(socket).xcalChoice = 0;
            ctx.Image().Calibration(socket).xcalValue = p.xcalChoices.front().value;
        }
    }
    if (p.hasExtraCalibration || p.bcal)
        ctx.Image().SetSelectedCalSocket(0);
    ctx.Image().ApplyProfileToGrids(p);
    // The device's operations and task tree; problems are reported there and loading goes on.
    LoadTemplates(ctx, p.sectionName);

    // Still to be wired in as their subsystems arrive: the option refresh and the ID edit
    // lengths.
    CopyConfigMasks(ctx);
    ctx.FieldSelectors().Fill(ctx.Profile());
    ShowFuseSummary(ctx);
    BuildInformationReport(ctx);
    if (!p.serial && ctx.Bindings().parallelDeviceLoaded)
        ctx.Bindings().parallelDeviceLoaded();

    ctx.History().AddLine(QStringLiteral("  Loaded settings for MCU: "), HistoryStyle::FileInformation);
    ctx.History().AppendColumn(p.sectionName, 40, HistoryStyle::FileInformation);
}
