// The history print dialog printing into a PDF file (read back with ghostscript: its pages, their
// text and, in colour, the shaded band of a file-information line), the "Printer Error" path with
// no printer, and the text-file mode.
#include "ScriptedOperator.h"
#include "TestPaths.h"
#include "core/context/AppContext.h"
#include "gui/reports/TPXprnform.h"

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QWidget>
#include <QtTest>

namespace {
QByteArray Ghostscript(const QStringList& arguments)
{
    QProcess gs;
    gs.start(QStringLiteral("gs"), QStringList{QStringLiteral("-q"), QStringLiteral("-dNOPAUSE"),
                                               QStringLiteral("-dBATCH"), QStringLiteral("-dSAFER")} +
                                       arguments);
    if (!gs.waitForFinished(60000) || gs.exitCode() != 0)
        return {};
    return gs.readAllStandardOutput();
}

// Whether the page image holds a pixel of the shaded background (192, 207, 204).
bool HasShadedBand(const QString& png)
{
    const QImage image(png);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (qAbs(c.red() - 192) < 4 && qAbs(c.green() - 207) < 4 && qAbs(c.blue() - 204) < 4)
                return true;
        }
    return false;
}
} // namespace

class TestTPXprnform : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("gs")).isEmpty())
            QSKIP("ghostscript (scripts/install-deps.sh) reads the printed PDF");
    }

    void PrintsPagesWithHeaderFootersAndColours_data()
    {
        QTest::addColumn<bool>("colour");
        QTest::addColumn<int>("lines");
        QTest::newRow("colour, several pages") << true << 300;
        QTest::newRow("plain, several pages") << false << 300;
        QTest::newRow("empty history, one page") << true << 0;
    }
    void PrintsPagesWithHeaderFootersAndColours()
    {
        QFETCH(bool, colour);
        QFETCH(int, lines);
        QTemporaryDir dir;
        ScriptedOperator op;
        AppContext ctx(op, TestPaths::ShippedData());
        QWidget owner;
        owner.setWindowTitle(QStringLiteral("Praxon - /tmp/sample.hex"));
        TPXprnform dialog(ctx, &owner);
        dialog.SetPrinters({[] { return QStringList{QStringLiteral("Office")}; }, [] { return QString(); }});
        ctx.History().Initialise();
        if (lines > 0)
            ctx.History().AddLine(QStringLiteral("Opening HEX File: sample.hex"), HistoryStyle::FileInformation);
        for (int i = 1; i < lines; ++i)
            ctx.History().AddLine(QStringLiteral("line %1").arg(i));
        const QString pdf = dir.filePath(QStringLiteral("history.pdf"));
        dialog.SetPdfOutput(pdf);
        dialog.Open();
        QCOMPARE(dialog.PrinterLabel()->text(), QStringLiteral("Printer: Office"));
        QCOMPARE(dialog.StatusLabel()->text(), QStringLiteral("READY"));
        dialog.PlainBox()->setChecked(!colour);

        const int pages = dialog.RunAction();
        QVERIFY(!dialog.isVisible());

        // Every page ends with its footer; the total the footers give is the pages printed.
        // (ghostscript writes the gaps between words as tabs)
        const QString text = QString::fromLatin1(Ghostscript({QStringLiteral("-sDEVICE=txtwrite"),
                                                              QStringLiteral("-sOutputFile=-"), pdf}))
                                 .simplified();
        QVERIFY2(text.contains(QLatin1String("Kestrix Praxon MCU Programmer History : ")), qPrintable(text));
        QVERIFY(text.contains(QLatin1String("Praxon - /tmp/sample.hex")));
        QVERIFY(text.contains(QLatin1String("[SW: ")));
        const QRegularExpression footer(QStringLiteral("\\[Page# (\\d+) of (\\d+)\\]"));
        QList<int> numbers;
        int total = 0;
        for (auto m = footer.globalMatch(text); m.hasNext();) {
            const auto match = m.next();
            numbers << match.captured(1).toInt();
            total = match.captured(2).toInt();
        }
        QCOMPARE(numbers.size(), pages);
        QCOMPARE(total, pages);
        for (int i = 0; i < numbers.size(); ++i)
            QCOMPARE(numbers[i], i + 1);
        QCOMPARE(pages > 1, lines > 0);
        QCOMPARE(QString::fromLatin1(
                     Ghostscript({QStringLiteral("-dNODISPLAY"), QStringLiteral("-dNOSAFER"), QStringLiteral("-c"),
                                  QStringLiteral("(%1) (r) file runpdfbegin pdfpagecount = quit").arg(pdf)}))
                     .trimmed()
                     .toInt(),
                 pages);

        // Only a colour printout fills the file-information line's band.
        const QString png = dir.filePath(QStringLiteral("page1.png"));
        Ghostscript({QStringLiteral("-sDEVICE=png16m"), QStringLiteral("-r40"), QStringLiteral("-dFirstPage=1"),
                     QStringLiteral("-dLastPage=1"), QStringLiteral("-sOutputFile=") + png, pdf});
        QCOMPARE(HasShadedBand(png), colour && lines > 0);
    }

    void NoPrinterAndTextFile()
    {
        QTemporaryDir dir;
        ScriptedOperator op;
        AppContext ctx(op, TestPaths::ShippedData());
        TPXprnform dialog(ctx);
        dialog.SetPrinters({[] { return QStringList(); }, [] { return QString(); }});
        dialog.Open();
        const QString noPrinter = QStringLiteral("Default Printer not Found. Please Install a Printer.");
        QCOMPARE(op.Captions(), QStringList{QStringLiteral("Printer Error")});
        QCOMPARE(op.Texts(), QStringList{noPrinter});
        QCOMPARE(op.boxes.value(0).sound, SoundKind::Warning);
        QCOMPARE(dialog.StatusLabel()->text(), noPrinter);
        QCOMPARE(dialog.PrinterLabel()->text(), QStringLiteral("Printer: "));

        // File mode forces plain output and waits for a file name; leaving it keeps plain ticked.
        dialog.PlainBox()->setChecked(false);
        dialog.FileModeBox()->setChecked(true);
        QVERIFY(dialog.PlainBox()->isChecked() && !dialog.PlainBox()->isEnabled());
        QCOMPARE(dialog.ActionButton()->text(), QStringLiteral("S&ave"));
        QVERIFY(!dialog.ActionButton()->isEnabled() && !dialog.OptionsButton()->isEnabled());
        dialog.FileModeBox()->setChecked(false);
        QVERIFY(dialog.PlainBox()->isChecked() && dialog.PlainBox()->isEnabled());
        QCOMPARE(dialog.ActionButton()->text(), QStringLiteral("&Print"));

        dialog.FileModeBox()->setChecked(true);
        const QString path = dir.filePath(QStringLiteral("history"));
        op.QueueFile(path);
        dialog.FileSelectButton()->click();
        QCOMPARE(op.fileRequests.value(0).caption, QStringLiteral("History to File"));
        QVERIFY(dialog.ActionButton()->isEnabled());
        ctx.History().Initialise();
        ctx.History().AddLine(QStringLiteral("Done"));
        QCOMPARE(dialog.RunAction(), 0);
        QCOMPARE(dialog.StatusLabel()->text(), QStringLiteral("Finished"));
        QFile file(path + QStringLiteral(".txt"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> saved = file.readAll().split('\n');
        QVERIFY(saved.value(0).startsWith("Kestrix Praxon MCU Programmer History : "));
        QCOMPARE(saved.value(3), QByteArray(" \r"));
        QCOMPARE(saved.mid(4, ctx.History().VisibleCount()).last(), QByteArray("Done\r"));

        // A cancelled chooser clears the name and says so.
        op.QueueFile(QString());
        dialog.FileSelectButton()->click();
        QCOMPARE(op.Captions().last(), QStringLiteral("File Selection Error"));
        QVERIFY(dialog.FileNameEdit()->text().isEmpty() && !dialog.ActionButton()->isEnabled());
    }

    // "&Options": a cancelled set-up says so and keeps the printer; a chosen printer is shown. Either
    // way the dialog comes back.
    void OptionsChoosesThePrinter()
    {
        ScriptedOperator op;
        AppContext ctx(op, TestPaths::ShippedData());
        TPXprnform dialog(ctx);
        dialog.SetPrinters({[] {
                                return QStringList{QStringLiteral("Office"), QStringLiteral("Lab")};
                            },
                            [] { return QStringLiteral("Office"); }});
        QString chosen;
        bool hiddenDuringSetup = true;
        dialog.SetSetupDialog([&](QPrinter& printer) {
            hiddenDuringSetup = hiddenDuringSetup && !dialog.isVisible();
            Q_UNUSED(printer);
            return chosen;
        });
        dialog.Open();
        dialog.OptionsButton()->click();
        QCOMPARE(op.Captions(), QStringList{QStringLiteral("Printer Error")});
        QCOMPARE(op.Texts(), QStringList{QStringLiteral("Error attempting to access installed printers.")});
        QCOMPARE(op.boxes.value(0).sound, SoundKind::Warning);
        QCOMPARE(dialog.PrinterLabel()->text(), QStringLiteral("Printer: Office"));
        QVERIFY(dialog.isVisible());
        chosen = QStringLiteral("Lab");
        dialog.OptionsButton()->click();
        QCOMPARE(op.Captions().size(), 1);
        QCOMPARE(dialog.PrinterLabel()->text(), QStringLiteral("Printer: Lab"));
        QVERIFY(dialog.isVisible() && hiddenDuringSetup);
    }

    // "&Cancel" during a print job stops it at the next page, reports no printer error and hides
    // the dialog.
    void CancelStopsAPrintJob()
    {
        QTemporaryDir dir;
        ScriptedOperator op;
        AppContext ctx(op, TestPaths::ShippedData());
        TPXprnform dialog(ctx);
        dialog.SetPrinters({[] { return QStringList{QStringLiteral("Office")}; }, [] { return QString(); }});
        ctx.History().Initialise();
        for (int i = 0; i < 400; ++i)
            ctx.History().AddLine(QStringLiteral("line %1").arg(i));
        dialog.SetPdfOutput(dir.filePath(QStringLiteral("history.pdf")));
        dialog.Open();
        QTimer::singleShot(0, dialog.CancelButton(), &QPushButton::click);
        QCOMPARE(dialog.RunAction(), -1);
        QVERIFY(!dialog.isVisible());
        QVERIFY(op.boxes.isEmpty());
        QVERIFY(dialog.StatusLabel()->text().startsWith(QLatin1String("Printing Page Number: 1 of ")));
    }
};

QTEST_MAIN(TestTPXprnform)
#include "TestTPXprnform.moc"
