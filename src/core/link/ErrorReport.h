#pragma once

#include <QString>
#include <functional>

class HistoryLog;
class LinkErrorWord;
class MainWindowState;
class OperatorInterface;
struct ProgramFlags;

// Everything the error report reads or touches besides the word itself.
struct ErrorReportContext {
    LinkErrorWord& errors;
    HistoryLog& history;
    OperatorInterface& op;
    ProgramFlags& flags;
    MainWindowState& window;
    QString portName;         // "COM1" ...
    QString portErrorText;    // the last port error text kept by the reset
    bool poweredForOperation; // selects the "during operation" voltage wordings
    std::function<void()> markHardwareNotAvailable;
};

// Reports the link error word once: red history lines for every set bit, then (while
// StopRequested, and never with ExitOnErrors) one message box per problem. Afterwards bits
// 0x10000 and above are cleared; the low 16 bits stay as the exit code. Returns StopRequested.
bool ReportErrors(ErrorReportContext& ctx);

// Cuts text into lines of width characters, the last holding the rest; an empty text gives one
// line holding a blank.
QStringList CutIntoLines(const QString& text, int width);
