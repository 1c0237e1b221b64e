#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <functional>

class HistoryLog;
class ProgrammerIdentity;

// What a printout or a text file of the history holds: three header lines that say which program,
// file and programmer produced the results, then the history, oldest line first.
namespace HistoryReport {

// H1: the program and the moment of the report (the system's short date and time formats);
// H2: the main window's title; H3: the software version of the support files and the connected
// programmer's hardware, firmware and serial number.
QStringList HeaderLines(const QDateTime& now, const QString& windowTitle, const QString& softwareVersion,
                        const ProgrammerIdentity& identity);

// The text file: the header lines, one blank line, then every history line in display order.
// lineDone is told the number (from 0) of each history line as it is taken.
QStringList TextFileLines(const QStringList& header, const HistoryLog& history,
                          const std::function<void(int)>& lineDone = {});

// Writes lines as text (UTF-8, so the paths in it stay exact; one line each, CR LF) through a
// temporary file renamed into place; false with the reason in *error when the file could not be
// written whole.
bool WriteTextFile(const QString& path, const QStringList& lines, QString* error);

// Where a printout puts its lines, in printer units: line height h = text height + 4, a top margin
// of two lines, and a page ended once y reaches five lines above its bottom.
struct PageLayout {
    int pageHeight = 0;
    int lineHeight = 1;

    int TopMargin() const { return 2 * lineHeight; }
    // A page is ended (its footer printed) once y reaches this.
    int FooterFrom() const { return pageHeight - 5 * lineHeight; }
    // Lines a page is counted with: page height div h - 2 (at least 1).
    int LinesPerPage() const;
    // The page total the footers show for a history of n lines: p = ceil(n / L) pages of history,
    // then ceil((n + 4p + 3) / L) with four lines of margins and footer per page and the three
    // header lines. An empty history takes one page.
    int PageTotal(int lineCount) const;
    // The pages the print loop fills with headerLines header lines and lineCount history lines:
    // each page starts at the top margin, takes lines of h and is ended once y reaches FooterFrom.
    int PagesPrinted(int lineCount, int headerLines) const;
    // What the footers show: the page total, unless the printout runs to more pages than it
    // counts (a page height of whole lines fits one line fewer than the count assumes), so that no
    // footer ever reads "[Page# 2 of 1]".
    int FooterTotal(int lineCount, int headerLines) const
    {
        return std::max(PageTotal(lineCount), PagesPrinted(lineCount, headerLines));
    }
};

// The footer of page page of total.
QString PageFooter(int page, int total);

} // namespace HistoryReport
