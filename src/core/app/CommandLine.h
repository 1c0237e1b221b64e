#pragma once

#include <QString>
#include <QStringList>

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

} // namespace CommandLine
