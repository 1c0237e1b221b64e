#include "core/app/CommandLine.h"

#include "core/context/AppContext.h"
#include "core/options/ControlFile.h"
#include "core/util/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace CommandLine {

namespace {
constexpr int StatusColumn = 40;

void OptionLine(AppContext& ctx, const QString& what, const QString& value)
{
    ctx.History().AddLine(what, HistoryStyle::Highlight);
    ctx.History().AppendColumn(value, StatusColumn, HistoryStyle::Highlight);
}

QString Absolute(const QString& path, const QString& cwd)
{
    if (path.isEmpty())
        return path;
    const QFileInfo info(QDir(cwd), path);
    return QDir::cleanPath(info.absoluteFilePath());
}

// The identity of an existing file (device and inode), following links.
std::optional<std::pair<dev_t, ino_t>> FileIdentity(const QString& path)
{
    struct stat info {
    };
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return std::make_pair(info.st_dev, info.st_ino);
}
} // namespace

std::optional<LogConflict> LogOverwritesInput(const QString& logPath, const QStringList& args, const QString& cwd,
                                              const QString& appDir, const QString& settingsFile)
{
    const auto log = FileIdentity(logPath);
    if (!log || args.isEmpty())
        return std::nullopt; // a log file that does not exist yet overwrites nothing
    std::vector<LogConflict> inputs;
    const QString first = Absolute(args.first(), cwd);
    QString control;
    if (ControlFile::IsControlFile(first)) {
        control = first;
        inputs.push_back({QStringLiteral("the control file"), control});
        inputs.push_back({QStringLiteral("the HEX file"), ControlFile::HexFileOf(control)});
    } else {
        inputs.push_back({QStringLiteral("the HEX file"), first});
        control = ControlFile::ControlPathFor(first);
        inputs.push_back({QStringLiteral("the control file"), control});
    }
    const QString controlDir = QFileInfo(control).path();
    inputs.push_back({QStringLiteral("the SQTP file"),
                      Absolute(ControlFile::ReadSerialValue(control, QStringLiteral("SQTPF"), QString()), controlDir)});
    inputs.push_back({QStringLiteral("the serial number log"),
                      Absolute(ControlFile::ReadSerialValue(control, QStringLiteral("LOGF"), QString()), controlDir)});
    inputs.push_back({QStringLiteral("the settings file"), settingsFile});
    if (!appDir.isEmpty()) {
        for (const QFileInfo& entry : QDir(appDir).entryInfoList(QDir::Files | QDir::Hidden | QDir::System))
            inputs.push_back({QStringLiteral("a file of the installation"), entry.absoluteFilePath()});
    }
    for (const LogConflict& input : inputs) {
        if (FileIdentity(input.path) == log)
            return input;
    }
    return std::nullopt;
}

QString LogPath(const QStringList& args)
{
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg.size() > 2 && arg.startsWith(u'/') && arg.at(1).toUpper() == u'L')
            return arg.mid(2);
    }
    return QString();
}

void Interpret(AppContext& ctx, const QStringList& args, const QString& cwd)
{
    if (args.isEmpty())
        return;
    HistoryLog& history = ctx.History();
    ProgramFlags& flags = ctx.Flags();
    CurrentFile& file = ctx.File();

    history.AddLine(QStringLiteral("Command-line Parameters Received: "), HistoryStyle::FileInformation);
    for (qsizetype i = 0; i < args.size(); ++i)
        history.AddLine(QStringLiteral("  %1: %2").arg(i + 1).arg(args.at(i)), HistoryStyle::FileInformation);
    history.AddLine(QStringLiteral("  "), HistoryStyle::FileInformation);

    // Argument 1 is the file, whatever it looks like.
    const QString path = Absolute(args.first(), cwd);
    flags.ControlFileGiven = ControlFile::IsControlFile(path);
    if (!flags.ControlFileGiven) {
        file.hexPath = path;
        history.AddLine(QStringLiteral("Command-line HEX File Specified: "), HistoryStyle::FileInformation);
    } else if (QFileInfo(path).isFile()) {
        file.controlPath = path;
        const IniFile control(path);
        file.hexPath = Absolute(control.ReadString(QStringLiteral("CONTROL"), QStringLiteral("HEXFILE"), QString()),
                                QFileInfo(path).path());
        history.AddLine(QStringLiteral("Command-line Control File Specified For: "), HistoryStyle::FileInformation);
    } else {
        file.controlPath = path;
        file.hexPath = path;
        const QString text = QStringLiteral("Specified Command-line Control File Missing: ");
        history.AddLine(text, HistoryStyle::Error);
        MessageRequest box;
        box.caption = QStringLiteral("Required File Missing");
        box.text = text + u'\r' + path;
        box.icon = BoxIcon::Error;
        box.sound = SoundKind::Error;
        ctx.Operator().ShowMessage(box);
    }
    flags.FileFromCommandLine = true;
    history.AddLine(QStringLiteral("  ") + file.hexPath, HistoryStyle::FileInformation);

    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg.size() < 2 || !arg.startsWith(u'/'))
            continue;
        const bool haveHex = !file.hexPath.isEmpty();
        switch (arg.at(1).toUpper().unicode()) {
        case u'A':
            if (haveHex) {
                flags.AutoRunPending = true;
                OptionLine(ctx, QStringLiteral("Command-line Action Specified: "), QStringLiteral("Auto Run"));
            }
            break;
        case u'D':
            flags.McuFromCommandLine = true;
            file.mcuName = arg.mid(2).toUpper();
            OptionLine(ctx, QStringLiteral("Command-line MCU Specified: "), file.mcuName);
            break;
        case u'M':
            if (haveHex) {
                flags.MinimizeOnStartup = true;
                OptionLine(ctx, QStringLiteral("Command-line Action Specified: "),
                           QStringLiteral("Minimize on Startup"));
            }
            break;
        case u'X':
            if (haveHex) {
                flags.AutoRunPending = true;
                flags.ExitOnErrors = true;
                OptionLine(ctx, QStringLiteral("Command-line Action Specified: "), QStringLiteral("Exit on Errors"));
            }
            break;
        default: break; // /L is taken before start-up; anything else is ignored
        }
    }
}

} // namespace CommandLine
