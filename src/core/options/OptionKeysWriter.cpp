#include "core/options/OptionKeysWriter.h"

#include "core/context/AppContext.h"
#include "core/model/OptionDefinitions.h"
#include "core/model/OptionIndex.h"
#include "core/options/SettingsSink.h"
#include "core/util/HexText.h"

namespace {
const QString OptionsSection = QStringLiteral("OPTIONS");
const QString ControlSection = QStringLiteral("CONTROL");
const QString SerialSection = QStringLiteral("SERIALNUM");

constexpr int EeOverrideKeys = 256;
constexpr int EeWordsPerKey = 16;
constexpr int IdOverrideWords = 8;

class Writer
{
public:
    Writer(AppContext& ctx, SettingsSink& sink, OptionKeysTarget target)
        : m_ctx(ctx), m_sink(sink), m_store(target == OptionKeysTarget::SettingsStore)
    {
    }

    void Run()
    {
        using namespace OptionIndex;
        OptionTable& table = m_ctx.Options();
        for (int index :
             {BlankCheck, Erase, ProgramCode, ProgramId, ProgramEe, EeEditorOff, ProgramConfig, Verify, SerialNumbering,
              UseSqtp, WarnProtection, ProgramCal, IncludeDevice, IncludeConfig, IncludeEe, IncludeCal})
            Option(index);
        m_sink.WriteString(OptionsSection, QStringLiteral("DEV"), DeviceName());
        Option(NoRead);
        m_sink.WriteInteger(OptionsSection, QStringLiteral("bit4"), table.Bit4Code());
        Option(EeOverride);
        if (m_store)
            Option(HighSpeed);
        EeOverrideSection();
        Option(FuseOverride);
        FuseOverrideSection();
        Option(McuOverride);
        Option(IdOverride);
        IdOverrideSection();
        for (int index : {SkipBlank, SkipPowerCycle, NoForcePowerOff, NoConfirm, NoVdd})
            Option(index);
        if (!m_store) {
            if (table.IsSet(LockView))
                table.SetValue(CompactView, true);
            Option(LockView);
            Option(CompactView);
            Option(MicrochipChecksum);
        }

        Option(HideOptions);
        if (m_store) {
            m_sink.WriteString(ControlSection, QStringLiteral("HEXFILE"), LastOpenedFile(m_ctx));
        } else {
            m_sink.WriteString(ControlSection, QStringLiteral("PSED"), table.Password());
            m_sink.WriteInteger(ControlSection, QStringLiteral("PPW"), table.PulseWidthPosition());
            m_sink.WriteString(ControlSection, QStringLiteral("HEXFILE"), m_ctx.File().hexPath);
        }

        SerialKeys();
    }

    // The last opened file as the settings store remembers it.
    static QString LastOpenedFile(AppContext& ctx)
    {
        return ctx.Flags().ControlFileGiven ? ctx.File().controlPath : ctx.File().hexPath;
    }

private:
    void Option(int index)
    {
        const OptionDefinition* definition = FindOptionDefinition(index);
        m_sink.WriteBool(QString::fromLatin1(definition->section), QString::fromLatin1(definition->key),
                         m_ctx.Options().IsSet(index));
    }

    QString DeviceName() const
    {
        const QString& name = m_ctx.File().mcuName;
        return name.isEmpty() ? m_ctx.Workstation().DefaultDeviceName() : name;
    }

    void EeOverrideSection()
    {
        const QString section = QStringLiteral("EEOVERRIDE");
        m_sink.EraseSection(section);
        if (!m_ctx.Options().IsEffective(OptionIndex::EeOverride))
            return;
        const auto& ee = m_ctx.Image().EeBuffer();
        for (int key = 0; key < EeOverrideKeys; ++key) {
            QString text;
            text.reserve(EeWordsPerKey * 4);
            for (int i = 0; i < EeWordsPerKey; ++i)
                text += HexWord(ee[size_t(key * EeWordsPerKey + i)], 4);
            m_sink.WriteString(section, QString::number(key), text);
        }
    }

    void FuseOverrideSection()
    {
        if (!m_ctx.Options().IsEffective(OptionIndex::FuseOverride))
            return;
        const auto& words = m_ctx.Image().ConfigWords();
        const int count = qBound(1, m_ctx.Profile().cfgWords, int(words.size()));
        for (int i = 0; i < count; ++i)
            m_sink.WriteInteger(QStringLiteral("FUSEOVERRIDE"), QStringLiteral("CFG%1").arg(i), words[size_t(i)]);
    }

    void IdOverrideSection()
    {
        if (!m_ctx.Options().IsEffective(OptionIndex::IdOverride))
            return;
        const quint16 mask = m_ctx.Options().IdNibbleMask();
        const auto& ids = m_ctx.Image().IdWords();
        for (int i = 0; i < IdOverrideWords; ++i)
            m_sink.WriteInteger(QStringLiteral("IDOVERRIDE"), QStringLiteral("ID%1").arg(i), ids[size_t(i)] & mask);
    }

    void SerialKeys()
    {
        const SerialNumberSettings& serial = m_ctx.SerialSettings();
        m_sink.WriteBool(SerialSection, QStringLiteral("Auto"), serial.autoNumbering);
        Option(OptionIndex::SerialInCode);
        Option(OptionIndex::EncodeRetlw);
        m_sink.WriteInteger(SerialSection, QStringLiteral("length"), serial.length);
        m_sink.WriteInteger(SerialSection, QStringLiteral("estartadd"), qint32(serial.eeStartAddress));
        m_sink.WriteInteger(SerialSection, QStringLiteral("cstartadd"), qint32(serial.codeStartAddress));
        m_sink.WriteString(SerialSection, QStringLiteral("SQTPF"), serial.sqtpFile);
        m_sink.WriteString(SerialSection, QStringLiteral("LOGF"), serial.logFile);
        if (m_store)
            m_sink.WriteString(SerialSection, QStringLiteral("nexthexsn"), serial.currentText);
        for (int socket = 0; socket < SerialNumberSettings::SocketCount; ++socket)
            m_sink.WriteString(SerialSection, QStringLiteral("last_") + QChar(u'a' + socket),
                               serial.lastSocketTexts.at(size_t(socket)));
        m_sink.WriteString(SerialSection, QStringLiteral("last_hex"), serial.lastHexText);
    }

    AppContext& m_ctx;
    SettingsSink& m_sink;
    bool m_store;
};
} // namespace

void WriteOptionKeys(AppContext& ctx, SettingsSink& sink, OptionKeysTarget target)
{
    Writer(ctx, sink, target).Run();
}
