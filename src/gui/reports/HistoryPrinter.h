#pragma once

#include <QStringList>
#include <functional>

class HistoryLog;
class QPrinter;

// Prints the header lines and the history on a printer: the history list's fixed-pitch font, a
// left margin of 200 printer units, every line in its own colours (or plain black), lines on a
// coloured background over a band of that colour, and a "[Page# n of N]" footer on every page.
struct HistoryPrintJob {
    QStringList header;
    const HistoryLog* history = nullptr;
    bool colour = false;
    // Told each page as it starts (page, total); may pump events, so Cancel can abort the job.
    std::function<void(int page, int total)> pageStarted;
    // Asked after each page start: true ends the job there. The print engines on this platform
    // cannot always abort a job themselves, so the job stops drawing on its own.
    std::function<bool()> cancelled;
};

// Returns the number of pages printed, or -1 when the printer could not be started or the job
// was aborted.
int PrintHistory(QPrinter& printer, const HistoryPrintJob& job);
