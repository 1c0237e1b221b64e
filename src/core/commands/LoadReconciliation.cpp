#include "core/commands/LoadReconciliation.h"

#include "core/context/AppContext.h"
#include "core/image/BufferChecksum.h"
#include "core/image/ConfigurationWords.h"
#include "core/image/IdLocations.h"
#include "core/image/InformationReport.h"
#include "core/model/OptionIndex.h"
#include "core/options/OptionRefresh.h"
#include "core/util/HexText.h"
#include "core/util/IniFile.h"

namespace {
constexpr int ValueColumn = 40;
constexpr int IdWordBase = 0x2000;
constexpr int Config5xFallback = 0x2007; // where 12-bit HEX writers may put the word instead

class Reconciler
{
public:
    explicit Reconciler(AppContext& ctx)
        : m_ctx(ctx), m_profile(ctx.Profile()), m_image(ctx.Image()), m_status(ctx.Image().LoadStatus()),
          m_nibbleMask(ctx.Options().IdNibbleMask())
    {
    }

    void Run()
    {
        if (!FileUsable()) {
            Refresh();
            return;
        }
        if (m_profile.core == CoreFamily::Core18X)
            Take18x();
        else
            Take5xXx();
        ApplyOverrides();
        Refresh();
    }

private:
    bool Option(int index) const { return m_ctx.Options().Raw(index) != 0; }
    void Log(const QString& text, HistoryStyle style) { m_ctx.History().AddLine(text, style); }
    void Log(const QString& text, const QString& value, HistoryStyle style)
    {
        m_ctx.History().AddLine(text, style);
        m_ctx.History().AppendColumn(value, ValueColumn, style);
    }
    quint16 Code(qint64 wordAddress) const
    {
        return wordAddress >= 0 && wordAddress < MemoryImage::CodeWords ? m_image.CodeBuffer()[size_t(wordAddress)]
                                                                        : quint16(0xFFFF);
    }
    static QString Hex(quint16 value) { return QStringLiteral("0x") + HexWord(value, 4); }

    bool FileUsable()
    {
        const bool hasPath = !m_ctx.File().hexPath.isEmpty();
        if (hasPath && !m_ctx.Flags().NoValidFile)
            return true;
        MessageRequest box;
        box.caption = QStringLiteral("Praxon MCU Programmer"); // a plain box carries the application title
        if (hasPath) {
            Log(QStringLiteral("  WARNING: Error with specified file. "), HistoryStyle::FileError);
            Log(QStringLiteral("    Please open a valid HEX file before proceeding. "), HistoryStyle::FileError);
            box.text =
                QStringLiteral("WARNING: Error with specified file.\rPlease open a valid HEX file before proceeding.");
        } else {
            Log(QStringLiteral("  WARNING: HEX file not specified. "), HistoryStyle::FileWarning);
            Log(QStringLiteral("    Please open a HEX file before proceeding. "), HistoryStyle::FileWarning);
            box.text = QStringLiteral("WARNING: HEX file not specified.\rPlease open a HEX file before proceeding.");
        }
        m_ctx.Operator().ShowMessage(box);
        return false;
    }

    void LogFuseWarning(const QString& family)
    {
        Log(QStringLiteral("  WARNING: ") + family +
                (m_status.Fuse5xMissing ? QStringLiteral(" FUSE Record missing ")
                                        : QStringLiteral(" FUSE Record is Blank ")),
            HistoryStyle::FileWarning);
        Log(QStringLiteral("    Please verify Configuration Word Options "), HistoryStyle::FileWarning);
    }

    // Word 0 of a 5X/XX device after it was taken from the code buffer: logs what was found.
    void ReportFuse5xXx(const QString& family, bool blank)
    {
        const quint16 word0 = m_image.ConfigWords()[0];
        if (Option(OptionIndex::FuseOverride)) {
            if (!blank)
                Log(QStringLiteral("  Option Ignore - FUSE Record (") + family + QStringLiteral(") "), Hex(word0),
                    HistoryStyle::FileWarning);
        } else if (blank) {
            LogFuseWarning(family);
        } else {
            m_status.Fuse5xMissing = false;
        }
        if (!m_status.Fuse5xMissing)
            Log(QStringLiteral("  Loaded FUSE Data (") + family + QStringLiteral(") From HEX File "), Hex(word0),
                HistoryStyle::FileInformation);
    }

    void Take5xXx()
    {
        if (m_status.Is18X)
            Log(QStringLiteral("  ERROR: 18x opcodes not compatible with MCU "), HistoryStyle::FileError);
        auto& config = m_image.ConfigWords();
        if (m_profile.core != CoreFamily::Core5X) {
            if (m_status.Width5X)
                Log(QStringLiteral("  ERROR: 5x opcodes not compatible with MCU "), HistoryStyle::FileError);
            for (int i = 0; i < m_profile.cfgWords && i < MemoryImage::ConfigElements; ++i)
                config[size_t(i)] = Code(qint64(m_profile.cfgLoc) + i);
            ReportFuse5xXx(QStringLiteral("xx"), config[0] == 0x3FFF || config[0] == 0xFFFF);
        } else {
            if (m_status.WidthXX)
                Log(QStringLiteral("  ERROR: xx opcodes not compatible with MCU "), HistoryStyle::FileError);
            const quint16 atCfgLoc = Code(m_profile.cfgLoc);
            if (Blank5x(atCfgLoc)) {
                config[0] = Code(Config5xFallback);
                m_profile.cfgLoc = Config5xFallback;
            } else {
                config[0] = atCfgLoc;
            }
            ReportFuse5xXx(QStringLiteral("5x"), Blank5x(config[0]));
        }

        if (!Option(OptionIndex::EeOverride)) {
            if (!m_status.Ee5xMissing) {
                m_image.CopyEeFromFile();
                Log(QStringLiteral("  Loaded EEData (5x/xx) From HEX File "), HistoryStyle::FileInformation);
            } else if (m_profile.HasEe()) {
                Log(QStringLiteral("  WARNING: EEData (5x/xx) missing "), HistoryStyle::FileWarning);
                Log(QStringLiteral("    Please verify EEData values "), HistoryStyle::FileWarning);
            }
        }

        if (!Option(OptionIndex::IdOverride)) {
            const int source = Code(IdWordBase) != 0xFFFF ? IdWordBase : m_profile.idLoc;
            for (int i = 0; i < 4; ++i)
                m_image.IdWords()[size_t(i)] = (Code(qint64(source) + i) & m_nibbleMask) | m_profile.idMask;
            if (m_status.Id5xMissing) {
                Log(QStringLiteral("  WARNING: ID (5x/xx) Record missing "), HistoryStyle::FileWarning);
                Log(QStringLiteral("    Please verify ID Values "), HistoryStyle::FileWarning);
            } else {
                Log(QStringLiteral("  Loaded ID Data (5x/xx) From HEX File "), HistoryStyle::FileInformation);
            }
        }
        m_image.ExtractCalibration(m_profile.rom, m_profile.cal);
    }

    static bool Blank5x(quint16 word) { return word == 0xFFFF || word == 0x3FFF || word == 0x0FFF; }

    void Take18x()
    {
        if (!m_status.Is18X)
            Log(QStringLiteral("  ERROR: 18x opcodes not found in loaded code "), HistoryStyle::FileError);
        if (!Option(OptionIndex::FuseOverride)) {
            if (m_status.Fuse18Missing) {
                Log(QStringLiteral("  WARNING: 18x FUSE Record missing "), HistoryStyle::FileWarning);
                Log(QStringLiteral("    Please verify Configuration Word Options "), HistoryStyle::FileWarning);
            }
            m_image.ConfigWords() = m_image.ConfigFileWords();
            if (!m_status.Fuse18Missing)
                Log(QStringLiteral("  Loaded FUSE Data (18x) From HEX File "), HistoryStyle::FileInformation);
        }
        if (!Option(OptionIndex::EeOverride)) {
            if (m_status.Ee18Missing) {
                Log(QStringLiteral("  WARNING: EEData (18x) missing "), HistoryStyle::FileWarning);
                Log(QStringLiteral("    Please verify EEData values "), HistoryStyle::FileWarning);
            }
            m_image.CopyEeFromFile();
            if (!m_status.Ee18Missing)
                Log(QStringLiteral("  Loaded EEData (18x) From HEX File "), HistoryStyle::FileInformation);
        }
        if (!Option(OptionIndex::IdOverride)) {
            for (int i = 0; i < 8; ++i)
                m_image.IdWords()[size_t(i)] = (m_image.IdFileBytes()[size_t(i)] & m_nibbleMask) | m_profile.idMask;
            if (m_status.Id18Missing) {
                Log(QStringLiteral("  WARNING: ID (18x) Record missing "), HistoryStyle::FileWarning);
                Log(QStringLiteral("    Please verify ID Values "), HistoryStyle::FileWarning);
            } else {
                Log(QStringLiteral("  Loaded ID Data (18x) From HEX File "), HistoryStyle::FileInformation);
            }
        }
    }

    // The override sections of the control file; a missing file or key gives the defaults.
    void ApplyOverrides()
    {
        const bool ee = Option(OptionIndex::EeOverride);
        const bool fuse = Option(OptionIndex::FuseOverride);
        const bool id = Option(OptionIndex::IdOverride);
        if (!ee && !fuse && !id)
            return;
        const IniFile control(m_ctx.File().controlPath);
        if (ee) {
            const QString section = QStringLiteral("EEOVERRIDE");
            for (int k = 0; k < 256; ++k) {
                const QString value = control.ReadString(section, QString::number(k), QString(64, u'F'));
                for (int j = 0; j < 16; ++j)
                    m_image.EeBuffer()[size_t(16 * k + j)] = quint16(ParseHexText(value.mid(4 * j, 4)));
            }
            Log(QStringLiteral("  Loaded EEData From Saved Options "), HistoryStyle::FileInformation);
        }
        if (fuse) {
            for (int i = 0; i < m_profile.cfgWords && i < MemoryImage::ConfigElements; ++i)
                m_image.ConfigWords()[size_t(i)] = quint16(control.ReadInteger(
                    QStringLiteral("FUSEOVERRIDE"), QStringLiteral("CFG") + QString::number(i), 0xFFFF));
            Log(QStringLiteral("  Loaded FUSE Data From Saved Options "), HistoryStyle::FileInformation);
        }
        if (id) {
            for (int i = 0; i < 8; ++i) {
                const qint64 value =
                    control.ReadInteger(QStringLiteral("IDOVERRIDE"), QStringLiteral("ID") + QString::number(i), 15);
                m_image.IdWords()[size_t(i)] = quint16((value & m_nibbleMask) | m_profile.idMask);
            }
            Log(QStringLiteral("  Loaded ID Data From Saved Options "), HistoryStyle::FileInformation);
        }
    }

    void Refresh()
    {
        m_image.ApplyProfileToGrids(m_profile);
        m_image.NormaliseIdWords(m_profile, m_nibbleMask, Option(OptionIndex::IdOverride));
        ShowIdWords(m_ctx);
        m_profile.selectedWord = 0;
        CopyConfigMasks(m_ctx);
        for (int socket = 0; socket < MemoryImage::SocketCount; ++socket)
            DecodeXcal(m_ctx, m_image.Calibration(socket).xcalValue, socket);
        ComposeAndShowSelectedWord(m_ctx);
        // Bits outside every field become 1, and a field matching none of its options takes its first.
        StoreComposedWords(m_ctx);
        m_ctx.FieldSelectors().Fill(m_ctx.Profile());
        m_image.RefreshEditorView(m_profile, m_image.Display().ShownPage());
        OptionsChanged(m_ctx);
        // While start-up builds the device list the option refresh does nothing: count here.
        if (m_ctx.Flags().StartupInProgress)
            ComputeChecksum(m_ctx);
    }

    AppContext& m_ctx;
    DeviceProfile& m_profile;
    MemoryImage& m_image;
    HexLoadStatus& m_status;
    const quint16 m_nibbleMask;
};
} // namespace

void ReconcileLoad(AppContext& ctx)
{
    Reconciler(ctx).Run();
}
