#include "core/options/SettingsStore.h"

#include "core/context/AppContext.h"
#include "core/model/OptionDefinitions.h"
#include "core/model/OptionIndex.h"
#include "core/options/ControlFile.h"
#include "core/options/OptionKeysWriter.h"
#include "core/options/OptionRefresh.h"
#include "core/options/SettingsFileFormat.h"
#include "core/options/SettingsSink.h"
#include "core/util/ErrorOut.h"
#include "core/util/IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <memory>

namespace SettingsStore {

namespace {
const QString OptionsSection = QStringLiteral("OPTIONS");
const QString ControlSection = QStringLiteral("CONTROL");
const QString SocketsSection = QStringLiteral("SOCKETS");
const QString PortsSection = QStringLiteral("PORTS");
const QString HistorySection = QStringLiteral("HEX HISTORY");
const QString HistoryPathKey = QStringLiteral("path");
const QString DefaultDevice = QStringLiteral("18F252");
const QString FallbackDevice = QStringLiteral("16F877");
constexpr int UnsetPosition = -4;
constexpr int UnsetSize = 200;

QString Key(const QString& section, const QString& key)
{
    return section + u'/' + key;
}

QString SocketKey(int socket)
{
    return QString(QChar(u'A' + socket));
}

// The store opened at this installation's key path.
class Store
{
public:
    explicit Store(const QString& appDir)
        : m_settings(SettingsFileFormat::Format(), QSettings::UserScope, "Kestrix", "PX")
    {
        m_settings.beginGroup(KeyPath(appDir));
    }
    QSettings& Settings() { return m_settings; }

private:
    QSettings m_settings;
};

// What the load reads from: the store or a preset file, with the same sections and keys.
class Source
{
public:
    virtual ~Source() = default;
    virtual QString String(const QString& section, const QString& key, const QString& fallback) const = 0;
    virtual qint64 Integer(const QString& section, const QString& key, qint64 fallback) const = 0;
    bool Bool(const QString& section, const QString& key, bool fallback) const
    {
        return Integer(section, key, fallback ? 1 : 0) != 0;
    }
    // The recent-file list, in list order.
    virtual QStringList RecentFiles() const = 0;
};

class StoreSource : public Source
{
public:
    explicit StoreSource(QSettings& settings) : m_settings(settings) {}
    QString String(const QString& section, const QString& key, const QString& fallback) const override
    {
        const QVariant value = m_settings.value(Key(section, key));
        return value.isValid() ? value.toString() : fallback;
    }
    qint64 Integer(const QString& section, const QString& key, qint64 fallback) const override
    {
        bool ok = false;
        const qint64 value = m_settings.value(Key(section, key)).toLongLong(&ok);
        return ok ? value : fallback;
    }
    // The store keeps the list as an ordered array: its keys cannot hold '/' and keep no order.
    // The array's size is taken from the file, so at most the list's own length is read: a
    // damaged or hostile size must not make the start-up walk billions of entries.
    QStringList RecentFiles() const override
    {
        QStringList paths;
        const int count = qMin(m_settings.beginReadArray(HistorySection), WorkstationSettings::MaxRecentFiles);
        for (int i = 0; i < count; ++i) {
            m_settings.setArrayIndex(i);
            paths << m_settings.value(HistoryPathKey).toString();
        }
        m_settings.endArray();
        return paths;
    }

private:
    QSettings& m_settings;
};

class PresetSource : public Source
{
public:
    explicit PresetSource(const QString& path) : m_file(path) {}
    QString String(const QString& section, const QString& key, const QString& fallback) const override
    {
        return m_file.ReadString(section, key, fallback);
    }
    qint64 Integer(const QString& section, const QString& key, qint64 fallback) const override
    {
        return m_file.ReadInteger(section, key, fallback);
    }
    // One key per path, in file order.
    QStringList RecentFiles() const override { return m_file.ReadSection(HistorySection); }

private:
    IniFile m_file;
};

class StoreSink : public SettingsSink
{
public:
    explicit StoreSink(QSettings& settings) : m_settings(settings) {}
    void WriteString(const QString& section, const QString& key, const QString& value) override
    {
        m_settings.setValue(Key(section, key), value);
    }
    void WriteInteger(const QString& section, const QString& key, qint64 value) override
    {
        m_settings.setValue(Key(section, key), value);
    }
    void EraseSection(const QString& section) override { m_settings.remove(section); }

private:
    QSettings& m_settings;
};

void ReadPlacement(QSettings& settings, RememberedWindow window, WindowPlacement& record)
{
    const StoreSource store(settings);
    const QString section = QString::fromLatin1(PlacementSection(window));
    const qint64 top = store.Integer(section, QStringLiteral("TOP"), UnsetPosition);
    const qint64 left = store.Integer(section, QStringLiteral("LEFT"), UnsetPosition);
    const qint64 width = store.Integer(section, QStringLiteral("WIDTH"), UnsetSize);
    const qint64 height = store.Integer(section, QStringLiteral("HEIGHT"), UnsetSize);
    if (top > UnsetPosition)
        record.top = int(top);
    if (left > UnsetPosition)
        record.left = int(left);
    if (width > UnsetSize)
        record.width = int(width);
    if (height > UnsetSize)
        record.height = int(height);
    record.open = int(store.Integer(section, QStringLiteral("OPEN"), 0));
}

void WritePlacement(QSettings& settings, RememberedWindow window, const WindowPlacement& record)
{
    const QString section = QString::fromLatin1(PlacementSection(window));
    settings.setValue(Key(section, QStringLiteral("TOP")), record.top);
    settings.setValue(Key(section, QStringLiteral("LEFT")), record.left);
    settings.setValue(Key(section, QStringLiteral("WIDTH")), record.width);
    settings.setValue(Key(section, QStringLiteral("HEIGHT")), record.height);
    settings.setValue(Key(section, QStringLiteral("OPEN")), record.open);
}

void ReadOption(AppContext& ctx, const Source& source, int index)
{
    const OptionDefinition* definition = FindOptionDefinition(index);
    ctx.Options().SetValue(index,
                           source.Bool(OptionsSection, QString::fromLatin1(definition->key), definition->absent != 0));
}

// The last opened file: a HEX file (its control file beside it) or a control file naming its HEX.
void TakeLastFile(AppContext& ctx, const Source& source)
{
    CurrentFile& file = ctx.File();
    const QString last = source.String(ControlSection, QStringLiteral("HEXFILE"), QString());
    if (!ControlFile::IsControlFile(last)) {
        file.hexPath = last;
        file.controlPath = last.isEmpty() ? QString() : ControlFile::ControlPathFor(last);
        ctx.Flags().ControlFileGiven = false;
    } else {
        file.controlPath = last;
        ctx.Flags().ControlFileGiven = true;
        file.hexPath = QFileInfo(last).isFile() ? ControlFile::HexFileOf(last) : QString();
    }
}

void ReadWorkstation(AppContext& ctx, const Source& source)
{
    using namespace OptionIndex;
    WorkstationSettings& station = ctx.Workstation();
    ReadOption(ctx, source, CompactView);
    ReadOption(ctx, source, MicrochipChecksum);
    station.SetViewItems(
        source.Bool(OptionsSection, QStringLiteral("SHOWTASKS"), true),
        source.Bool(OptionsSection, QStringLiteral("SHOWINFO"), true),
        int(source.Integer(OptionsSection, QStringLiteral("VBAR1"), WorkstationSettings::DefaultTreeWidth)),
        int(source.Integer(OptionsSection, QStringLiteral("HBAR1"), WorkstationSettings::DefaultInformationHeight)));
    const qint64 port = source.Integer(OptionsSection, QStringLiteral("PORT"), 0);
    ctx.Window().SetPortIndex(port >= 0 && port < WorkstationSettings::PortCount ? int(port) : 0);
    for (int index : {McuOverride, NoRead, HighSpeed, SkipPowerCycle, NoForcePowerOff, NoConfirm})
        ReadOption(ctx, source, index);
    if (ctx.Profile().serial)
        ReadOption(ctx, source, NoVdd);
    else
        ctx.Options().SetValue(NoVdd, false);

    for (int socket = 0; socket < WorkstationSettings::SocketCount; ++socket)
        station.SetSocketInUse(socket, false);
    for (int socket = 0; socket < WorkstationSettings::SocketCount; ++socket)
        station.SetSocketInUse(socket, source.Bool(SocketsSection, SocketKey(socket), socket == 0));

    for (int number = 1; number <= WorkstationSettings::PortCount; ++number)
        station.SetStoredPortTarget(number,
                                    source.String(PortsSection, WorkstationSettings::PortName(number), QString()));

    QStringList recent;
    for (const QString& path : source.RecentFiles()) {
        if (!path.isEmpty())
            recent << path;
    }
    station.SetRecentFiles(recent);
}

void Fallback(AppContext& ctx)
{
    ctx.Window().SetPortIndex(0);
    if (ctx.File().mcuName.isEmpty() && !ctx.Flags().McuFromCommandLine)
        ctx.File().mcuName = FallbackDevice;
    ResetOptionsToFactory(ctx);
    ctx.Workstation().ApplyViewItems();
    ctx.Workstation().SetLoading(false);
}
} // namespace

QString KeyPath(const QString& appDir)
{
    QString path = QStringLiteral("Software/Kestrix/PX");
    const QStringList parts = QString(appDir).replace(u'\\', u'/').split(u'/', Qt::SkipEmptyParts);
    for (const QString& part : parts)
        path += u'/' + part;
    return path + QStringLiteral("/ini");
}

QString FileName()
{
    return QSettings(SettingsFileFormat::Format(), QSettings::UserScope, "Kestrix", "PX").fileName();
}

void Load(AppContext& ctx, bool mayTakeLastFile)
{
    WorkstationSettings& station = ctx.Workstation();
    station.SetLoading(true);
    try {
        Store store(ctx.AppDir());
        for (int w = 0; w < RememberedWindowCount; ++w) {
            const auto window = RememberedWindow(w);
            ReadPlacement(store.Settings(), window, station.Placement(window));
            station.ApplyPlacement(window);
        }

        ctx.Options().SetAllPresentAndOn();
        station.SetDefaultDeviceName(DefaultDevice);

        const QString presetPath = ctx.AppFile(QString::fromLatin1(PresetFileName));
        const bool import = QFileInfo(presetPath).isFile();
        std::unique_ptr<Source> source;
        if (import)
            source = std::make_unique<PresetSource>(presetPath);
        else
            source = std::make_unique<StoreSource>(store.Settings());

        ctx.Options().SetPulseWidthPosition(1);
        if (mayTakeLastFile && ctx.File().hexPath.isEmpty())
            TakeLastFile(ctx, *source);
        if (!ctx.Flags().McuFromCommandLine)
            station.SetDefaultDeviceName(source->String(OptionsSection, QStringLiteral("DEV"), DefaultDevice));
        ReadWorkstation(ctx, *source);
        source.reset();

        ControlFile::Read(ctx);

        // The preset is deleted only once its settings are safely in the store.
        if (import && Save(ctx))
            QFile::remove(presetPath);
        station.ApplyViewItems();
        station.SetLoading(false);
    } catch (const ErrorOut&) {
        Fallback(ctx);
        throw;
    }
}

bool Save(AppContext& ctx)
{
    WorkstationSettings& station = ctx.Workstation();
    if (station.busyCursor)
        station.busyCursor(true);

    const bool compact = ctx.Options().IsSet(OptionIndex::CompactView);
    for (int w = 0; w < RememberedWindowCount; ++w) {
        const auto window = RememberedWindow(w);
        station.CapturePlacement(window, window == RememberedWindow::Main && compact);
    }

    Store store(ctx.AppDir());
    QSettings& settings = store.Settings();
    if (!station.ApplyingPlacement()) {
        for (int w = 0; w < RememberedWindowCount; ++w)
            WritePlacement(settings, RememberedWindow(w), station.Placement(RememberedWindow(w)));
    }

    StoreSink sink(settings);
    const OptionTable& options = ctx.Options();
    sink.WriteBool(OptionsSection, QStringLiteral("COMPACTVIEW"), options.IsSet(OptionIndex::CompactView));
    sink.WriteBool(OptionsSection, QStringLiteral("CKSUMMC"), options.IsSet(OptionIndex::MicrochipChecksum));
    sink.WriteBool(OptionsSection, QStringLiteral("SHOWTASKS"), station.ShowTasks());
    sink.WriteBool(OptionsSection, QStringLiteral("SHOWINFO"), station.ShowInformation());
    sink.WriteInteger(OptionsSection, QStringLiteral("VBAR1"), station.TreeWidth());
    sink.WriteInteger(OptionsSection, QStringLiteral("HBAR1"), station.InformationHeight());
    sink.WriteInteger(OptionsSection, QStringLiteral("PORT"), ctx.Window().PortIndex());
    for (int socket = 0; socket < WorkstationSettings::SocketCount; ++socket)
        sink.WriteBool(SocketsSection, SocketKey(socket), station.SocketInUse(socket));
    sink.WriteString(ControlSection, QStringLiteral("HEXFILE"),
                     ctx.Flags().ControlFileGiven ? ctx.File().controlPath : ctx.File().hexPath);
    sink.WriteInteger(ControlSection, QStringLiteral("PPW"), 1);
    // The port map is written out with its defaults so that it can be edited in the store.
    for (int number = 1; number <= WorkstationSettings::PortCount; ++number) {
        const QString stored = station.StoredPortTarget(number);
        sink.WriteString(PortsSection, WorkstationSettings::PortName(number),
                         stored.isEmpty() ? station.DefaultPortTarget(number) : stored);
    }

    const QStringList& recent = station.RecentFiles();
    if (!recent.isEmpty()) {
        settings.remove(HistorySection);
        settings.beginWriteArray(HistorySection, int(recent.size()));
        for (int i = 0; i < recent.size(); ++i) {
            settings.setArrayIndex(i);
            settings.setValue(HistoryPathKey, recent.at(i));
        }
        settings.endArray();
    }

    if (ctx.File().optionAccessMode != 2)
        WriteOptionKeys(ctx, sink, OptionKeysTarget::SettingsStore);

    settings.endGroup();
    settings.sync();
    const bool saved = settings.status() == QSettings::NoError;
    if (station.busyCursor)
        station.busyCursor(false);
    if (!saved) {
        MessageRequest box;
        box.caption = QStringLiteral("File Error");
        QString reason = SettingsFileFormat::LastWriteError();
        if (reason.isEmpty())
            reason = settings.status() == QSettings::AccessError
                         ? QStringLiteral("the file cannot be written")
                         : QStringLiteral("the file is not in the store's format");
        box.text = QStringLiteral("Error Writing to Settings File: ") + settings.fileName() + u'\r' + reason;
        box.icon = BoxIcon::Error;
        box.sound = SoundKind::Error;
        ctx.Operator().ShowMessage(box);
    }
    return saved;
}

QString ReadValue(const AppContext& ctx, const QString& section, const QString& key, const QString& fallback)
{
    Store store(ctx.AppDir());
    return StoreSource(store.Settings()).String(section, key, fallback);
}

bool WriteValue(const AppContext& ctx, const QString& section, const QString& key, const QString& value)
{
    Store store(ctx.AppDir());
    QSettings& settings = store.Settings();
    StoreSink(settings).WriteString(section, key, value);
    settings.endGroup();
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace SettingsStore
