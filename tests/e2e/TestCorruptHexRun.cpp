// An unattended run (/X) on a HEX file with a wrong record checksum: the file is refused, the Auto
// Run never starts, and the program ends with the start-up failure status, saying why in its
// history.

#include "PraxonProcess.h"
#include "TestPaths.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestCorruptHexRun : public QObject
{
    Q_OBJECT
private slots:
    void ChecksumErrorEndsUnattendedRun()
    {
        QTemporaryDir settings;
        QTemporaryDir work;
        const QString hex = work.filePath("corrupt.hex");
        QVERIFY(QFile::copy(TestPaths::Fixtures() + "hex/reader/bad_checksum.hex", hex));
        const QString log = work.filePath("Run.log");
        const PraxonRun run = RunPraxonHeadless(QStringLiteral(PRAXON_EXECUTABLE), {hex, "/X", "/L" + log},
                                                {{"PRAXON_SETTINGS_DIR", settings.path()}});
        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
        const QString all = lines.join(u'\n');
        QCOMPARE(run.status, 128);
        const qsizetype error = lines.indexOf("Error in HEX file.");
        QVERIFY2(error >= 0, qPrintable(all));
        QCOMPARE(lines.value(error + 1), "  Line 2: record checksum 00, calculated 41");
        QVERIFY2(lines.contains("Auto Run not started: no usable HEX file."), qPrintable(all));
        QVERIFY2(run.err.contains("Error in HEX file. | Line 2: record checksum 00, calculated 41"),
                 qPrintable(run.err));
    }
};

QTEST_GUILESS_MAIN(TestCorruptHexRun)
#include "TestCorruptHexRun.moc"
