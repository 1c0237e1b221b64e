#include "core/options/ControlFile.h"

#include "core/context/AppContext.h"
#include "core/model/OptionDefinitions.h"
#include "core/model/OptionIndex.h"
#include "core/options/OptionKeysWriter.h"
#include "core/options/SettingsSink.h"
#include "core/util/ErrorOut.h"
#include "core/util/HexText.h"
#include "core/util/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace ControlFile {

namespace {
const QString OptionsSection = QStringLiteral("OPTIONS");
const QString ControlSection = QStringLiteral("CONTROL");
const QString SerialSection = QStringLiteral("SERIALNUM");
constexpr qint64 LargestLength = 65535;
constexpr qint64 LargestAddress = 0xFFFFFF;

class IniSink : public SettingsSink
{
public:
    explicit IniSink(IniFile& file) : m_file(file) {}
    void WriteString(const QString& section, const QString& key, const QString& value) override
    {
        m_file.WriteString(section, key, value);
    }
    void WriteInteger(const QString& section, const QString& key, qint64 value) override
    {
        m_file.WriteInteger(section, key, value);
    }
    void EraseSection(const QString& section) override { m_file.EraseSection(section); }

private:
    IniFile& m_file;
};

// Reads an option under its own key, with the key's absent value as the default.
void ReadOption(AppContext& ctx, const IniFile& file, int index)
{
    const OptionDefinition* definition = FindOptionDefinition(index);
    ctx.Options().SetValue(index, file.ReadBool(QString::fromLatin1(definition->section),
                                                QString::fromLatin1(definition->key), definition->absent != 0));
}

qint64 HexNumber(const QString& text)
{
    return qint64(ParseHexText(text));
}

// The start address of the chosen placement must be a location: a negative one, or one beyond
// the 24 bits the programmer is sent, would put the number nowhere on the part. The operator is
// told at once; the address is kept as written, and the serialize step fails every socket until
// it is corrected (it also checks the address against the device's memory, which is not known
// yet here).
void CheckStartAddress(AppContext& ctx, const IniFile& file, const SerialNumberSettings& serial)
{
    const qint64 address = serial.codeSpace ? serial.codeStartAddress : serial.eeStartAddress;
    if (address >= 0 && address <= LargestAddress)
        return;
    MessageRequest box;
    box.caption = QStringLiteral("Serial Number Error");
    box.text = QStringLiteral("Invalid Serial Number Start Address (%1 = %2) in Control File:\r%3")
                   .arg(serial.codeSpace ? QStringLiteral("cstartadd") : QStringLiteral("estartadd"))
                   .arg(address)
                   .arg(file.Path());
    box.icon = BoxIcon::Warning;
    box.sound = SoundKind::Warning;
    ctx.Operator().ShowMessage(box);
}

void ReadSerialNumbers(AppContext& ctx, const IniFile& file)
{
    SerialNumberSettings& serial = ctx.SerialSettings();
    OptionTable& options = ctx.Options();
    const bool automatic = file.ReadBool(SerialSection, QStringLiteral("Auto"), true);
    options.SetValue(OptionIndex::AutoIncrement, automatic);
    serial.autoNumbering = automatic;
    serial.sqtpFile = file.ReadString(SerialSection, QStringLiteral("SQTPF"), QStringLiteral("[none selected]"));
    serial.logFile = file.ReadString(SerialSection, QStringLiteral("LOGF"), QStringLiteral("[none]"));
    serial.sqtpReady = false;
    serial.sqtpInUse = false;
    serial.lastHexText = file.ReadString(SerialSection, QStringLiteral("last_hex"), serial.lastHexText);
    serial.currentNumber = HexNumber(serial.lastHexText);
    serial.currentText = serial.lastHexText;
    for (int socket = 0; socket < SerialNumberSettings::SocketCount; ++socket) {
        const QString text =
            file.ReadString(SerialSection, QStringLiteral("last_") + QChar(u'a' + socket), QStringLiteral("0"));
        serial.lastSocketTexts.at(size_t(socket)) = text;
        serial.lastSocketNumbers.at(size_t(socket)) = HexNumber(text);
    }
    const bool codeSpace = file.ReadBool(SerialSection, QStringLiteral("Codespace"), true);
    options.SetSerialInCode(codeSpace);
    serial.codeSpace = codeSpace;
    ReadOption(ctx, file, OptionIndex::EncodeRetlw);

    const qint64 length = file.ReadInteger(SerialSection, QStringLiteral("length"), 1);
    if (length < 0 || length > LargestLength)
        throw ErrorOut(
            QStringLiteral("Invalid Serial Number Length (%1) in Control File:\r%2").arg(length).arg(file.Path()));
    // Kept as written: serial numbering refuses a length its buffers cannot hold, with a message,
    // rather than numbering parts with a length nobody chose.
    serial.length = quint16(length);
    serial.eeStartAddress = file.ReadInteger(SerialSection, QStringLiteral("estartadd"), 0);
    serial.codeStartAddress = file.ReadInteger(SerialSection, QStringLiteral("cstartadd"), 0);
    CheckStartAddress(ctx, file, serial);
}
} // namespace

void Read(AppContext& ctx)
{
    const QString& path = ctx.File().controlPath;
    IniFile file;
    // A missing file gives every default; one that is there but cannot be read must not: its
    // options would silently become factory values.
    if (!path.isEmpty() && !file.Load(path) && QFileInfo::exists(path)) {
        QFile probe(path);
        const QString reason =
            probe.open(QIODevice::ReadOnly) ? QStringLiteral("it cannot be read") : probe.errorString();
        throw ErrorOut(QStringLiteral("Control File cannot be read:\r%1\r%2").arg(path, reason));
    }
    Read(ctx, file);
}

void Read(AppContext& ctx, const IniFile& file)
{
    using namespace OptionIndex;
    OptionTable& options = ctx.Options();
    CurrentFile& current = ctx.File();

    ReadOption(ctx, file, McuOverride);
    ReadOption(ctx, file, NoRead);
    // The control file's DEV names the MCU of its HEX file; the store's DEV is only the working
    // default for a control file without the key. A device record in the HEX file may still select
    // another device when the file is read (unless MCUoverride is set). /D beats both.
    if (!ctx.Flags().McuFromCommandLine)
        current.mcuName = file.ReadString(OptionsSection, QStringLiteral("DEV"), ctx.Workstation().DefaultDeviceName());

    ReadOption(ctx, file, LockView);
    if (options.IsSet(LockView))
        options.SetValue(CompactView, true);
    else
        ReadOption(ctx, file, CompactView);

    for (int index :
         {MicrochipChecksum, BlankCheck, Erase, ProgramCode, ProgramId, ProgramEe, EeEditorOff, ProgramConfig, Verify,
          WarnProtection, ProgramCal, IncludeDevice, IncludeConfig, IncludeEe, IncludeCal})
        ReadOption(ctx, file, index);

    options.SetBit4(file.ReadInteger(OptionsSection, QStringLiteral("bit4"), 1));

    for (int index : {EeOverride, FuseOverride, IdOverride, SkipBlank, SkipPowerCycle, NoForcePowerOff, NoConfirm})
        ReadOption(ctx, file, index);
    if (ctx.Profile().core != CoreFamily::Core5X)
        ReadOption(ctx, file, NoVdd);
    else
        options.SetValue(NoVdd, false);

    ReadOption(ctx, file, HideOptions);
    options.SetOptionsHidden(options.IsSet(HideOptions));
    options.SetPassword(file.ReadString(ControlSection, QStringLiteral("PSED"), QString()));
    options.SetPulseWidthPosition(int(file.ReadInteger(ControlSection, QStringLiteral("PPW"), 1)));

    ReadOption(ctx, file, SerialNumbering);
    ReadOption(ctx, file, UseSqtp);

    ReadSerialNumbers(ctx, file);
}

bool Write(AppContext& ctx)
{
    const QString path = ctx.File().controlPath;
    if (path.isEmpty() || ctx.File().optionAccessMode == 2)
        return true;
    IniFile file(path);
    // Stations sharing this file advance its counter: a save never takes it back below what the
    // file holds (only the counter reset lowers it, and that writes the key itself).
    const QString counter = file.ReadString(SerialSection, QStringLiteral("last_hex"), QString());
    SerialNumberSettings& serial = ctx.SerialSettings();
    if (!counter.isEmpty() && qint64(ParseHexText(counter)) > qint64(ParseHexText(serial.lastHexText)))
        serial.lastHexText = counter;
    IniSink sink(file);
    WriteOptionKeys(ctx, sink, OptionKeysTarget::ControlFile);
    QString reason;
    if (file.Save(&reason))
        return true;
    MessageRequest box;
    box.caption = QStringLiteral("File Error");
    box.text = QStringLiteral("Error Writing to Control File: ") + path + u'\r' + reason;
    box.icon = BoxIcon::Error;
    box.sound = SoundKind::Error;
    box.buttons = OkButton | CancelButton;
    ctx.Operator().ShowMessage(box);
    return false;
}

QString ReadSerialValue(const QString& controlPath, const QString& key, const QString& fallback)
{
    if (controlPath.isEmpty())
        return fallback;
    return IniFile(controlPath).ReadString(SerialSection, key, fallback);
}

bool WriteSerialValue(const QString& controlPath, const QString& key, const QString& value, QString* errorText)
{
    if (controlPath.isEmpty()) {
        if (errorText)
            *errorText = QStringLiteral("no control file");
        return false;
    }
    IniFile file(controlPath);
    file.WriteString(SerialSection, key, value);
    return file.Save(errorText);
}

QString HexFileOf(const QString& controlPath)
{
    const IniFile file(controlPath);
    const QString hex = file.ReadString(ControlSection, QStringLiteral("HEXFILE"), QString());
    if (hex.isEmpty())
        return hex;
    return QDir::cleanPath(QFileInfo(QDir(QFileInfo(controlPath).path()), hex).absoluteFilePath());
}

bool IsControlFile(const QString& path)
{
    return QFileInfo(path).suffix().compare(QLatin1String("PXC"), Qt::CaseInsensitive) == 0;
}

QString ControlPathFor(const QString& hexPath)
{
    const QFileInfo info(hexPath);
    const QString base = info.completeBaseName();
    const QString wanted = info.path() + u'/' + base + QStringLiteral(".PXC");
    if (QFileInfo::exists(wanted))
        return wanted;
    const QDir dir(info.path());
    const QStringList candidates = dir.entryList({base + QStringLiteral(".pxc")}, QDir::Files, QDir::Name);
    for (const QString& name : candidates) {
        if (name.compare(base + QStringLiteral(".PXC"), Qt::CaseInsensitive) == 0)
            return dir.filePath(name);
    }
    return wanted;
}

} // namespace ControlFile
