#include "core/commands/HexFileReader.h"

#include "core/context/AppContext.h"
#include "core/devices/DeviceProfileLoader.h"
#include "core/devices/DeviceSelection.h"
#include "core/image/HexImageStore.h"
#include "core/image/HexRecordParser.h"
#include "core/model/OptionIndex.h"
#include "core/util/ErrorOut.h"
#include "core/util/HexText.h"

#include <QFile>
#include <QFileInfo>

#include <unordered_set>
#include <vector>

namespace {
constexpr int ValueColumn = 40;

// A full code buffer written in 16-byte INHX32 records is about 12 MB of text and in one-byte
// records about 55 MB; a file beyond this is no device's HEX file and is refused unread.
constexpr qint64 MaxHexFileBytes = 128 * 1024 * 1024;

const QString ErrorInFile = QString::fromLatin1(HexErrorInFile);

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
            QByteArray text = file.read(MaxHexFileBytes + 1);
            if (text.size() > MaxHexFileBytes)
                RefuseSize(text.size());
            if (file.error() != QFileDevice::NoError)
                throw ErrorOut(QStringLiteral("Cannot read HEX file:\r") + m_path + u'\r' + file.errorString());
            file.close();

            LogOptionNotes();
            const HexFileContent content = ParseHexRecords(text);
            text.clear();
            ActOnDeviceNames(content.deviceNames);
            ReportEvents(content);
            if (!m_ctx.Flags().DeviceLoaded && !m_status.DeviceRecordFound)
                UseSelectedMcu();
            Store(content);
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
    void ActOnDeviceNames(const std::vector<QByteArray>& names)
    {
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

    // What the file's records said before any of them is stored, in file order: lines that are no
    // record, the INHX32 format, and the device word (its first two bytes are the device code). A
    // file that cannot be used stops here, after the device records before the fault are acted on.
    void ReportEvents(const HexFileContent& content)
    {
        for (const HexParseEvent& event : content.events) {
            switch (event.kind) {
            case HexParseEvent::Kind::IgnoredLine:
                Log(QStringLiteral("  WARNING: Not a record, line ignored: "), QString::number(event.line),
                    HistoryStyle::FileWarning);
                break;
            case HexParseEvent::Kind::Inhx32:
                m_status.Inhx32Seen = true;
                Log(QStringLiteral("  Identified HEX format: "), QStringLiteral("INHX32"),
                    HistoryStyle::FileInformation);
                break;
            case HexParseEvent::Kind::DeviceWord:
                m_status.DeviceRecordFound = true;
                if (event.complete)
                    ActOnDeviceCode(event.code);
                break;
            }
        }
        if (content.error) {
            const HexParseError& error = *content.error;
            if (error.detail.isEmpty())
                throw ErrorOut(error.message);
            Log(error.message, HistoryStyle::FileError);
            Log(QStringLiteral("  ") + error.detail, HistoryStyle::FileError);
            throw ErrorOut(error.message + u'\r' + error.detail);
        }
        const qsizetype named = HexFileContent::IgnoredLinesNamed;
        if (content.ignoredLines > named)
            Log(QStringLiteral("  WARNING: More lines ignored: "), QString::number(content.ignoredLines - named),
                HistoryStyle::FileWarning);
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

    void Store(const HexFileContent& content)
    {
        HexImageLayout layout = HexImageLayout::Of(m_ctx.Profile());
        layout.idOverride = Option(OptionIndex::IdOverride);
        layout.fuseOverride = Option(OptionIndex::FuseOverride);
        layout.eeOverride = Option(OptionIndex::EeOverride);
        const HexStoreResult result = StoreHexContent(content, layout, m_image);
        for (const HexDiagnostic& line : result.diagnostics)
            Log(line.text, line.value,
                line.kind == HexDiagnostic::Kind::Warning ? HistoryStyle::FileWarning : HistoryStyle::FileInformation);
        if (!result.error.isEmpty())
            throw ErrorOut(result.error);
    }

    AppContext& m_ctx;
    const QString m_path;
    HistoryLog& m_history;
    MemoryImage& m_image;
    HexLoadStatus& m_status;
};
} // namespace

void ReadHexFile(AppContext& ctx, const QString& path)
{
    HexFileReader(ctx, path).Read();
}
