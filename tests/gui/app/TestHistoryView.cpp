#include "core/context/HistoryLog.h"
#include "gui/app/FixedPitchFont.h"
#include "gui/app/HistoryHeader.h"
#include "gui/app/HistoryView.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QScrollBar>
#include <QtTest>

namespace {
// True when some pixel of the rectangle has exactly this colour.
bool HasColour(const QImage& image, const QRect& rect, const QColor& colour)
{
    const QRect area = rect.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y).rgb() == colour.rgb())
                return true;
    return false;
}
// Records the region of every paint event a widget receives.
class PaintSpy : public QObject
{
public:
    explicit PaintSpy(QWidget* widget) { widget->installEventFilter(this); }
    QRegion painted;
    void Reset() { painted = QRegion(); }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};
} // namespace

class TestHistoryView : public QObject
{
    Q_OBJECT
private:
    // A shown view of a fixed size over a fresh log.
    struct Shown {
        HistoryLog log;
        HistoryView view{log};
        Shown()
        {
            view.resize(420, 200);
            view.show();
        }
    };

private slots:
    void initTestCase() { QVERIFY(qEnvironmentVariable("QT_QPA_PLATFORM") == QLatin1String("offscreen")); }

    void FontIsFixedPitchTwelvePixels()
    {
        const QFont font = FixedPitchFont();
        QCOMPARE(font.pixelSize(), 12);
        QVERIFY(QFontInfo(font).fixedPitch());
        if (QFontDatabase::hasFamily(QStringLiteral("Courier New")))
            QCOMPARE(font.family(), QStringLiteral("Courier New"));
        else if (QFontDatabase::hasFamily(QStringLiteral("Liberation Mono")))
            QCOMPARE(font.family(), QStringLiteral("Liberation Mono"));
    }

    void HeaderPutsStatusOverColumn40()
    {
        const QString text = HistoryHeader::Text();
        QCOMPARE(text, QStringLiteral(" History                                Status"));
        QCOMPARE(text.indexOf(QStringLiteral("Status")), 40);

        Shown shown;
        QVERIFY(QTest::qWaitForWindowExposed(&shown.view));
        // The header sits directly above the rows, as wide as they are.
        const QRect header = shown.view.Header()->geometry();
        const QRect rows = shown.view.viewport()->geometry();
        QCOMPARE(header.bottom() + 1, rows.top());
        QCOMPARE(header.left(), rows.left());
        QCOMPARE(header.width(), rows.width());
        QVERIFY(header.height() > 0);

        // Scrolling sideways moves the header with the rows.
        shown.log.AddLine(QString(120, u'x'));
        QVERIFY(shown.view.horizontalScrollBar()->maximum() > 0);
        shown.view.horizontalScrollBar()->setValue(50);
        QCOMPARE(shown.view.Header()->Offset(), 50);
    }

    void RowCountFollowsTheLog()
    {
        Shown shown;
        QVERIFY(QTest::qWaitForWindowExposed(&shown.view));
        // The display starts with the one empty line above the first real line.
        QCOMPARE(shown.view.RowCount(), 1);
        QCOMPARE(shown.view.RowText(0), QString());
        for (int i = 0; i < 30; ++i)
            shown.log.AddLine(QStringLiteral("line %1").arg(i));
        QCOMPARE(shown.view.RowCount(), 31);
        QCOMPARE(shown.view.RowText(1), QStringLiteral("line 0"));
        QCOMPARE(shown.view.RowText(30), QStringLiteral("line 29"));
        const QScrollBar* bar = shown.view.verticalScrollBar();
        QCOMPARE(bar->maximum(), 31 - shown.view.FullRowsVisible());
        QCOMPARE(bar->pageStep(), shown.view.FullRowsVisible());
        QCOMPARE(shown.view.FullRowsVisible(), shown.view.viewport()->height() / HistoryView::RowHeight);
    }

    void StyleRoles_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QColor>("text");
        QTest::addColumn<QColor>("background");
        QTest::addColumn<bool>("bold");
        const QColor shaded(192, 207, 204);
        const QColor red(255, 0, 0);
        const QColor green(0, 128, 0);
        const QColor olive(128, 128, 0);
        const QPalette palette = HistoryView(HistoryLog()).palette();
        const QColor windowText = palette.color(QPalette::Text);
        const QColor window = palette.color(QPalette::Base);
        auto row = [](const char* name, HistoryStyle style) -> QTestData& { return QTest::newRow(name) << int(style); };
        row("normal", HistoryStyle::Normal) << windowText << window << false;
        row("file information", HistoryStyle::FileInformation) << windowText << shaded << false;
        row("highlight", HistoryStyle::Highlight) << window << shaded << true;
        row("file warning", HistoryStyle::FileWarning) << olive << shaded << true;
        row("file error", HistoryStyle::FileError) << red << shaded << true;
        row("error", HistoryStyle::Error) << red << window << true;
        row("success", HistoryStyle::Success) << green << window << true;
        row("skipped", HistoryStyle::Skipped) << olive << window << true;
    }
    void StyleRoles()
    {
        QFETCH(int, style);
        QFETCH(QColor, text);
        QFETCH(QColor, background);
        QFETCH(bool, bold);
        HistoryLog log;
        HistoryView view(log);
        log.AddLine(QStringLiteral("styled"), HistoryStyle(style));
        log.AddLine(QStringLiteral("plain"));
        QCOMPARE(view.RowText(1), QStringLiteral("styled"));
        QCOMPARE(view.RowTextColour(1), text);
        QCOMPARE(view.RowBackground(1), background);
        QCOMPARE(view.IsRowBold(1), bold);
        QVERIFY(!view.IsRowBold(2));
    }

    void BoldRuleWithBlackAndWindowText()
    {
        HistoryLog log;
        HistoryView view(log);
        const HistoryColour black = HistoryColour::FromRgb(0, 0, 0);
        const HistoryColour yellow = HistoryColour::FromRgb(255, 255, 0);
        log.AddLine(QStringLiteral("coloured on black"), yellow, black);
        log.AddLine(QStringLiteral("window text on black"), HistoryColour::WindowText(), black);
        log.AddLine(QStringLiteral("window text on red"), HistoryColour::WindowText(), HistoryColours::Red);
        log.AddLine(QStringLiteral("black text on window"), black, HistoryColour::Window());
        QVERIFY(!view.IsRowBold(1));
        QVERIFY(!view.IsRowBold(2));
        QVERIFY(!view.IsRowBold(3));
        QVERIFY(view.IsRowBold(4)); // black is a colour of its own, not the window-text colour
        QCOMPARE(view.RowBackground(1), QColor(0, 0, 0));
        QCOMPARE(view.RowTextColour(1), QColor(255, 255, 0));
    }

    void NewestLineInViewAfterWrapping()
    {
        Shown shown;
        QVERIFY(QTest::qWaitForWindowExposed(&shown.view));
        for (int i = 0; i < 2000; ++i) {
            shown.log.AddLine(QStringLiteral("line %1").arg(i));
            if (i == 100 || i == 1500)
                QVERIFY(shown.view.IsRowInView(shown.view.RowCount() - 1));
        }
        QCOMPARE(shown.view.RowCount(), HistoryLog::Capacity);
        // The top of the display is the oldest kept line, the bottom the newest.
        QCOMPARE(shown.view.RowText(0), QStringLiteral("line 976"));
        QCOMPARE(shown.view.RowText(1023), QStringLiteral("line 1999"));
        QVERIFY(shown.view.IsRowInView(1023));
        QCOMPARE(shown.view.TopRow(), HistoryLog::Capacity - shown.view.FullRowsVisible());
        QVERIFY(!shown.view.IsRowInView(0));

        // With the ring full the scroll position stays while every row moves up: still repainted.
        PaintSpy spy(shown.view.viewport());
        QCoreApplication::processEvents();
        spy.Reset();
        shown.log.AddLine(QStringLiteral("line 2000a"));
        QTRY_VERIFY(spy.painted.contains(shown.view.RowRect(shown.view.TopRow())));

        // Reading old lines does not stop the next line from being brought into view.
        shown.view.verticalScrollBar()->setValue(0);
        QVERIFY(shown.view.IsRowInView(0));
        QVERIFY(!shown.view.IsRowInView(1023));
        shown.log.AddLine(QStringLiteral("line 2001"));
        QVERIFY(shown.view.IsRowInView(1023));
        QCOMPARE(shown.view.RowText(1023), QStringLiteral("line 2001"));
        QCOMPARE(shown.view.RowText(0), QStringLiteral("line 978"));
    }

    void PaintsTheLogsColours()
    {
        Shown shown;
        QVERIFY(QTest::qWaitForWindowExposed(&shown.view));
        for (int i = 0; i < 40; ++i)
            shown.log.AddLine(QStringLiteral("filler %1").arg(i));
        shown.log.AddLine(QStringLiteral("File does not exist: x.hex"), HistoryStyle::FileError);
        shown.log.AddLine(QStringLiteral("Erase"));

        QImage image = shown.view.viewport()->grab().toImage();
        const QRect errorRow = shown.view.RowRect(41);
        const QRect newestRow = shown.view.RowRect(42);
        QVERIFY(shown.view.viewport()->rect().contains(newestRow));
        // The background fills the whole row; the text is drawn in the line's colour.
        QCOMPARE(image.pixelColor(errorRow.right() - 1, errorRow.center().y()), QColor(192, 207, 204));
        QVERIFY(HasColour(image, errorRow, QColor(255, 0, 0)));
        QVERIFY(!HasColour(image, newestRow, QColor(255, 0, 0)));

        // Changing the newest line in place repaints it.
        PaintSpy spy(shown.view.viewport());
        QCoreApplication::processEvents();
        spy.Reset();
        shown.log.AppendColumn(QStringLiteral("Failed"), 34, HistoryStyle::Error);
        QTRY_VERIFY(spy.painted.contains(newestRow));
        QVERIFY(HasColour(shown.view.viewport()->grab().toImage(), newestRow, QColor(255, 0, 0)));
        QCOMPARE(shown.view.RowText(42), QStringLiteral("Erase").leftJustified(34) + QStringLiteral("Failed"));

        // Clicking a line leaves the picture as it was: there is no selection to show.
        image = shown.view.viewport()->grab().toImage();
        QTest::mouseClick(shown.view.viewport(), Qt::LeftButton, {}, errorRow.center());
        QCOMPARE(shown.view.viewport()->grab().toImage(), image);
    }

    void LongLinesWidenTheHorizontalRange()
    {
        Shown shown;
        QVERIFY(QTest::qWaitForWindowExposed(&shown.view));
        QCOMPARE(shown.view.horizontalScrollBar()->maximum(), 0);
        shown.log.AddLine(QStringLiteral("short"));
        QCOMPARE(shown.view.horizontalScrollBar()->maximum(), 0);
        shown.log.AddLine(QStringLiteral("x"));
        shown.log.AppendColumn(QString(70, u'y'), 40, HistoryStyle::Normal);
        const int afterAppend = shown.view.horizontalScrollBar()->maximum();
        QVERIFY(afterAppend > 0);
        shown.log.AddLine(QString(120, u'z'));
        QVERIFY(shown.view.horizontalScrollBar()->maximum() > afterAppend);
    }
};

QTEST_MAIN(TestHistoryView)
#include "TestHistoryView.moc"
