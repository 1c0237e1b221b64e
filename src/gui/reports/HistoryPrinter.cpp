#include "gui/reports/HistoryPrinter.h"

#include "core/context/HistoryLog.h"
#include "core/reports/HistoryReport.h"
#include "gui/app/FixedPitchFont.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

namespace {

constexpr int LeftMargin = 200;
constexpr double ScreenDpi = 96.0;

// Colours as they come out on paper: the window colour is the paper, the window text black.
QColor PaperColour(HistoryColour colour)
{
    switch (colour.kind) {
    case HistoryColour::Kind::Rgb: return QColor::fromRgb(colour.rgb);
    case HistoryColour::Kind::WindowText: return Qt::black;
    case HistoryColour::Kind::Window: return Qt::white;
    }
    return Qt::black;
}

} // namespace

int PrintHistory(QPrinter& printer, const HistoryPrintJob& job)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return -1;
    // The history list's font at the size it has on the screen.
    QFont font = FixedPitchFont();
    if (font.pixelSize() > 0)
        font.setPointSizeF(font.pixelSize() * 72.0 / ScreenDpi);
    painter.setFont(font);
    const QFontMetrics metrics(painter.font(), &printer);

    HistoryReport::PageLayout layout;
    layout.lineHeight = metrics.height() + 4;
    layout.pageHeight = printer.height();
    const int pageWidth = printer.width();
    const int footerX = pageWidth / 2 - 10;
    const int lineCount = job.history ? job.history->VisibleCount() : 0;
    const int total = layout.FooterTotal(lineCount, int(job.header.size()));
    const int h = layout.lineHeight;

    auto text = [&](int x, int y, const QString& s) { painter.drawText(x, y + metrics.ascent(), s); };
    auto footer = [&](int& y, int page) {
        painter.setPen(Qt::black);
        y += h;
        text(footerX, y, HistoryReport::PageFooter(page, total));
    };
    auto aborted = [&] { return printer.printerState() == QPrinter::Aborted || (job.cancelled && job.cancelled()); };

    int page = 1;
    if (job.pageStarted)
        job.pageStarted(page, total);
    int y = layout.TopMargin();
    if (aborted()) {
        painter.end();
        return -1;
    }
    painter.setPen(Qt::black);
    for (const QString& line : job.header) {
        text(LeftMargin, y, line);
        y += h;
    }
    // A page is started only for a line that needs it, so a history that ends exactly at a page's
    // end leaves no empty page behind.
    bool pageEnded = false;
    for (int i = 0; i < lineCount && !aborted(); ++i) {
        if (pageEnded) {
            printer.newPage();
            ++page;
            y = layout.TopMargin();
            pageEnded = false;
            if (job.pageStarted)
                job.pageStarted(page, total);
            if (aborted())
                break;
        }
        const HistoryLog::Entry& entry = job.history->DisplayLine(i);
        if (job.colour) {
            if (entry.background.kind != HistoryColour::Kind::Window)
                painter.fillRect(LeftMargin, y, pageWidth - 2 * LeftMargin, h, PaperColour(entry.background));
            painter.setPen(PaperColour(entry.textColour));
        } else {
            painter.setPen(Qt::black);
        }
        text(LeftMargin, y, entry.text);
        y += h;
        if (y >= layout.FooterFrom()) {
            footer(y, page);
            pageEnded = true;
        }
    }
    if (aborted()) {
        painter.end();
        return -1;
    }
    if (!pageEnded) {
        while (y < layout.FooterFrom())
            y += h;
        footer(y, page);
    }
    painter.end();
    return page;
}
