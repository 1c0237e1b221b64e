#include "ScriptedOperator.h"
#include "core/app/CommandLine.h"
#include "core/context/AppContext.h"
#include "core/context/ExitStatus.h"
#include "core/options/ControlFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {
void WriteFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QStringList Texts(HistoryLog& log)
{
    QStringList lines = log.DisplayText();
    lines.removeFirst(); // the ring's initial empty line
    return lines;
}
} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT
private slots:
    void HexFileWithLowerCaseOptions()
    {
        QTemporaryDir dir;
        ScriptedOperator op;
        AppContext ctx(op, dir.path());
        CommandLine::Interpret(ctx, {QStringLiteral("Board.hex"), QStringLiteral("/a"), QStringLiteral("/x")},
                               dir.path());
        const QString full = dir.path() + QStringLiteral("/Board.hex");
        QCOMPARE(ctx.File().hexPath, full); // kept as typed, made absolute
        QVERIFY(ctx.Flags().FileFromCommandLine);
        QVERIFY(!ctx.Flags().ControlFileGiven);
        QVERIFY(ctx.Flags().AutoRunPending);
        QVERIFY(ctx.Flags().ExitOnErrors);
        QCOMPARE(Texts(ctx.History()),
                 QStringList({"Command-line Parameters Received: ", "  1: Board.hex", "  2: /a", "  3: /x", "  ",
                              "Command-line HEX File Specified: ", "  " + full,
                              QStringLiteral("Command-line Action Specified: ").leftJustified(40) + "Auto Run",
                              QStringLiteral("Command-line Action Specified: ").leftJustified(40) + "Exit on Errors"}));
        QCOMPARE(ctx.History().DisplayLine(1).background, HistoryColours::Shaded);
        QCOMPARE(ctx.History().Newest().textColour, HistoryColour::Window()); // highlight style
        QVERIFY(op.boxes.isEmpty());
    }

    void ExitOptionAloneImpliesAutoRun()
    {
        ScriptedOperator op;
        AppContext ctx(op, QStringLiteral("/tmp"));
        CommandLine::Interpret(ctx, {QStringLiteral("/data/x.HEX"), QStringLiteral("/X")}, QStringLiteral("/tmp"));
        QVERIFY(ctx.Flags().AutoRunPending);
        QVERIFY(ctx.Flags().ExitOnErrors);
        QCOMPARE(ctx.File().hexPath, QStringLiteral("/data/x.HEX"));
    }

    void McuOption()
    {
        ScriptedOperator op;
        AppContext ctx(op, QStringLiteral("/tmp"));
        CommandLine::Interpret(ctx,
                               {QStringLiteral("/p/a.hex"), QStringLiteral("/d16f877"),
                                QStringLiteral("/L/tmp/Run.log"), QStringLiteral("/"), QStringLiteral("plain")},
                               QStringLiteral("/tmp"));
        QVERIFY(ctx.Flags().McuFromCommandLine);
        QCOMPARE(ctx.File().mcuName, QStringLiteral("16F877"));
        QVERIFY(!ctx.Flags().AutoRunPending);
        QCOMPARE(ctx.History().Newest().text,
                 QStringLiteral("Command-line MCU Specified: ").leftJustified(40) + "16F877");
        QCOMPARE(CommandLine::LogPath(
                     {QStringLiteral("/p/a.hex"), QStringLiteral("/d16f877"), QStringLiteral("/l/tmp/Run.log")}),
                 QStringLiteral("/tmp/Run.log"));
        QCOMPARE(CommandLine::LogPath({QStringLiteral("/L/first")}), QString()); // argument 1 is always the file
    }

    void OnlyArgumentIsAnOption()
    {
        ScriptedOperator op;
        AppContext ctx(op, QStringLiteral("/tmp"));
        CommandLine::Interpret(ctx, {QStringLiteral("/A")}, QStringLiteral("/tmp"));
        QCOMPARE(ctx.File().hexPath, QStringLiteral("/A"));
        QVERIFY(!ctx.Flags().AutoRunPending);
    }

    void ControlFileWithoutHexFile()
    {
        QTemporaryDir dir;
        const QString control = dir.filePath(QStringLiteral("Line3.pxc"));
        WriteFile(control, "[CONTROL]\r\nOTHER=1\r\n");
        ScriptedOperator op;
        AppContext ctx(op, dir.path());
        CommandLine::Interpret(
            ctx,
            {control, QStringLiteral("/A"), QStringLiteral("/M"), QStringLiteral("/X"), QStringLiteral("/D16F877")},
            dir.path());
        QVERIFY(ctx.Flags().ControlFileGiven);
        QCOMPARE(ctx.File().controlPath, control);
        QVERIFY(ctx.File().hexPath.isEmpty());
        QVERIFY(!ctx.Flags().AutoRunPending);
        QVERIFY(!ctx.Flags().ExitOnErrors);
        QVERIFY(!ctx.Flags().MinimizeOnStartup);
        QVERIFY(ctx.Flags().McuFromCommandLine);
        const QStringList lines = Texts(ctx.History());
        QVERIFY(lines.contains(QStringLiteral("Command-line Control File Specified For: ")));
        QCOMPARE(lines.last(), QStringLiteral("Command-line MCU Specified: ").leftJustified(40) + "16F877");
    }

    void ControlFileNamesItsHexFile()
    {
        QTemporaryDir dir;
        const QString control = dir.filePath(QStringLiteral("board.PXC"));
        WriteFile(control, "[Control]\r\nHexFile=/work/Board.hex\r\n");
        ScriptedOperator op;
        AppContext ctx(op, dir.path());
        CommandLine::Interpret(ctx, {control, QStringLiteral("/X")}, dir.path());
        QCOMPARE(ctx.File().hexPath, QStringLiteral("/work/Board.hex"));
        QCOMPARE(ctx.File().controlPath, control);
        QVERIFY(ctx.Flags().ExitOnErrors);
    }

    void MissingControlFile()
    {
        QTemporaryDir dir;
        const QString control = dir.filePath(QStringLiteral("gone.PXC"));
        ScriptedOperator op;
        AppContext ctx(op, dir.path());
        CommandLine::Interpret(ctx, {control}, dir.path());
        QCOMPARE(ctx.File().controlPath, control);
        QCOMPARE(ctx.File().hexPath, control);
        QCOMPARE(op.boxes.size(), 1);
        QCOMPARE(op.boxes[0].caption, QStringLiteral("Required File Missing"));
        QCOMPARE(op.boxes[0].text, QStringLiteral("Specified Command-line Control File Missing: \r") + control);
        QCOMPARE(op.boxes[0].icon, BoxIcon::Error);
        QCOMPARE(op.sounds, QList<SoundKind>{SoundKind::Error});
        const QStringList lines = Texts(ctx.History());
        const int at = int(lines.indexOf(QStringLiteral("Specified Command-line Control File Missing: ")));
        QVERIFY(at > 0);
        QCOMPARE(ctx.History().DisplayLine(at + 1).textColour, HistoryColours::Red);
    }

    void NoArgumentsWriteNothing()
    {
        ScriptedOperator op;
        AppContext ctx(op, QStringLiteral("/tmp"));
        CommandLine::Interpret(ctx, {}, QStringLiteral("/tmp"));
        QCOMPARE(ctx.History().VisibleCount(), 1);
        QVERIFY(!ctx.Flags().FileFromCommandLine);
    }

    void ControlPathFindsAnyCase()
    {
        QTemporaryDir dir;
        WriteFile(dir.filePath(QStringLiteral("board.pxc")), "[CONTROL]\r\n");
        QCOMPARE(ControlFile::ControlPathFor(dir.filePath(QStringLiteral("board.hex"))),
                 dir.filePath(QStringLiteral("board.pxc")));
        QCOMPARE(ControlFile::ControlPathFor(dir.filePath(QStringLiteral("other.hex"))),
                 dir.filePath(QStringLiteral("other.PXC")));
        QVERIFY(ControlFile::IsControlFile(QStringLiteral("/x/y.PxC")));
        QVERIFY(!ControlFile::IsControlFile(QStringLiteral("/x/pxc.hex")));
    }

    void ExitStatusMapping_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("fileError");
        QTest::addColumn<int>("status");
        QTest::newRow("success") << 0 << false << 0;
        QTest::newRow("task failed") << 0x8 << false << 8;
        QTest::newRow("not responding") << 0x2 << false << 2;
        QTest::newRow("user abort with task failed") << 0x48 << false << 0x48;
        QTest::newRow("VDD too low alone is not 0") << 0x100 << false << 0x88;
        QTest::newRow("voltage on VDD") << 0x4000 << false << 0x88;
        QTest::newRow("unknown error") << 0x88 << false << 0x88;
        QTest::newRow("port error and MCLR") << 0x801 << false << 0x89;
        QTest::newRow("file error") << 0 << true << 128;
    }
    void ExitStatusMapping()
    {
        QFETCH(int, code);
        QFETCH(bool, fileError);
        QFETCH(int, status);
        QCOMPARE(ExitStatus::FromExitCode(code, fileError), status);
    }

    void ExitStatusNeverZeroForAFailure()
    {
        for (int word = 1; word <= 0xFFFF; ++word)
            QVERIFY2(ExitStatus::FromExitCode(word, false) != 0, qPrintable(QString::number(word, 16)));
        QCOMPARE(ExitStatus::WordLine(0x4108), QStringLiteral("praxon: exit word: 0x4108"));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "TestCommandLine.moc"
