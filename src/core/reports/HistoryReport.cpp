#include "core/reports/HistoryReport.h"

#include "core/context/HistoryLog.h"
#include "core/link/ProgrammerIdentity.h"
#include "core/util/SafeFileWriter.h"

#include <QLocale>
#include <algorithm>

namespace HistoryReport {

QStringList HeaderLines(const QDateTime& now, const QString& windowTitle, const QString& softwareVersion,
                        const ProgrammerIdentity& identity)
{
    const QLocale locale = QLocale::system();
    return {QStringLiteral("Kestrix Praxon MCU Programmer History : ") +
                locale.toString(now.date(), QLocale::ShortFormat) + QStringLiteral("   ") +
                locale.toString(now.time(), QLocale::ShortFormat),
            windowTitle,
            QStringLiteral("[SW: ") + softwareVersion + QStringLiteral("] [HWVER: ") + identity.HardwareVersion() +
                QStringLiteral("] [FWVER: ") + identity.FirmwareVersion() + QStringLiteral("] [SN: ") +
                identity.SerialNumber() + u']'};
}

QStringList TextFileLines(const QStringList& header, const HistoryLog& history,
                          const std::function<void(int)>& lineDone)
{
    QStringList lines = header;
    lines << QStringLiteral(" ");
    for (int i = 0; i < history.VisibleCount(); ++i) {
        if (lineDone)
            lineDone(i);
        lines << history.DisplayLine(i).text;
    }
    return lines;
}

bool WriteTextFile(const QString& path, const QStringList& lines, QString* error)
{
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toUtf8() + "\r\n";
    SafeFileWriter writer(path);
    if (writer.Write(bytes))
        return true;
    if (error)
        *error = writer.Error();
    return false;
}

int PageLayout::LinesPerPage() const
{
    return std::max(1, pageHeight / std::max(1, lineHeight) - 2);
}

int PageLayout::PageTotal(int lineCount) const
{
    const int perPage = LinesPerPage();
    const int n = std::max(0, lineCount);
    const int historyPages = (n + perPage - 1) / perPage;
    return std::max(1, (n + 4 * historyPages + 3 + perPage - 1) / perPage);
}

int PageLayout::PagesPrinted(int lineCount, int headerLines) const
{
    const int h = std::max(1, lineHeight);
    int pages = 1;
    int y = TopMargin() + std::max(0, headerLines) * h;
    bool ended = false;
    for (int i = 0; i < lineCount; ++i) {
        if (ended) {
            ++pages;
            y = TopMargin();
            ended = false;
        }
        y += h;
        ended = y >= FooterFrom();
    }
    return pages;
}

QString PageFooter(int page, int total)
{
    return QStringLiteral("[Page# %1 of %2]").arg(page).arg(total);
}

} // namespace HistoryReport
