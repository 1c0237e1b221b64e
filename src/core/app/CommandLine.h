#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class AppContext;

// The command line: argument 1 is always the file (HEX or ".PXC" control file); later arguments
// starting with "/" are options chosen by their second letter, compared case-insensitively:
// /A Auto Run, /D<name> MCU, /M minimise, /X Auto Run then exit, /L<path> history mirror file.
// Paths are kept exactly as typed (made absolute against the current directory), since file
// systems here are case-sensitive.
namespace CommandLine {

// Interprets args (without the program name), writing the history lines and setting the flags and
// CurrentFile of ctx. cwd is the directory relative paths are taken against.
void Interpret(AppContext& ctx, const QStringList& args, const QString& cwd);

// The path of the first /L option, or empty.
QString LogPath(const QStringList& args);

// What a log written to logPath (absolute) would destroy: the file it is, among the run's inputs,
// as the first argument and the files it leads to name them (the HEX file, its control file, the
// SQTP file and serial-number log the control file names), the settings file, and every file of
// the application directory. Files are compared as files, not by spelling: a link or another
// path to the same file counts. Empty when the path is none of them.
struct LogConflict {
    QString what; // "the HEX file", "the control file", ...
    QString path; // the input's own path
};
std::optional<LogConflict> LogOverwritesInput(const QString& logPath, const QStringList& args, const QString& cwd,
                                              const QString& appDir, const QString& settingsFile);

} // namespace CommandLine
