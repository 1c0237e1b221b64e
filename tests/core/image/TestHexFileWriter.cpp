#include "ImageFixture.h"
#include "core/image/HexFileWriter.h"

#include <QDir>
#include <QTemporaryDir>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

namespace {
QString WriterCases()
{
    return TestPaths::Fixtures() + QStringLiteral("hex/writer/");
}

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A fixture with the device and image of a writer case.
void Prepare(ImageFixture& f, const QString& name)
{
    const QList<CaseLine> lines = ReadCaseFile(WriterCases() + name + ".setup");
    for (const CaseLine& c : lines) {
        if (c.verb == "mcu")
            f.LoadDevice(c.rest);
    }
    for (const CaseLine& c : lines) {
        if (c.verb != "mcu")
            f.Apply(c);
    }
}
} // namespace

class TestHexFileWriter : public QObject
{
    Q_OBJECT
private slots:
    // Each NAME.setup describes a device and an image; NAME.hex is the file expected from it.
    void GoldenCases_data()
    {
        QTest::addColumn<QString>("name");
        const QStringList names = QDir(WriterCases()).entryList({"*.setup"}, QDir::Files, QDir::Name);
        QVERIFY(names.size() >= 6);
        for (const QString& file : names)
            QTest::newRow(qPrintable(file.chopped(6))) << file.chopped(6);
    }
    void GoldenCases()
    {
        QFETCH(QString, name);
        ImageFixture f;
        Prepare(f, name);
        QTemporaryDir dir;
        const QString path = dir.filePath("out.hex");
        QString reason;
        QVERIFY2(WriteHexFile(f.ctx, path, &reason), qPrintable(reason));
        const QString written = QString::fromLatin1(FileBytes(path));
        const QString expected = QString::fromLatin1(FileBytes(WriterCases() + name + ".hex"));
        QVERIFY(!expected.isEmpty());
        QCOMPARE(written.split("\r\n"), expected.split("\r\n"));
    }

    void SaveAsProposesCurrentFileAndAppendsExtension()
    {
        ImageFixture f;
        f.LoadDevice("16F877A");
        QTemporaryDir dir;
        f.ctx.File().hexPath = dir.filePath("Board.HEX");
        f.op.QueueFile(dir.filePath("copy"));
        QVERIFY(SaveHexFileAs(f.ctx));
        QVERIFY(QFile::exists(dir.filePath("copy.hex")));
        QCOMPARE(f.op.fileRequests.size(), 1);
        const FileRequest& request = f.op.fileRequests.first();
        QCOMPARE(request.caption, QStringLiteral("Save HEX File As..."));
        QVERIFY(request.filter.contains("*.hex") && request.filter.contains("*.obj"));
        QCOMPARE(QDir(request.directory), QDir(dir.path()));
        QCOMPARE(request.fileName, QStringLiteral("Board.HEX"));

        f.op.QueueFile(dir.filePath("named.obj"));
        QVERIFY(SaveHexFileAs(f.ctx));
        QVERIFY(QFile::exists(dir.filePath("named.obj")));
        QVERIFY(!QFile::exists(dir.filePath("named.obj.hex")));

        // Cancelling writes nothing and shows nothing.
        QVERIFY(!SaveHexFileAs(f.ctx));
        QVERIFY(f.op.boxes.isEmpty());
    }

    void FailureNamesFileAndReason()
    {
        ImageFixture f;
        f.LoadDevice("16F877A");
        const QString path = "/nonexistent-dir/board.hex";
        f.op.QueueFile(path);
        QVERIFY(!SaveHexFileAs(f.ctx));
        QCOMPARE(f.op.Captions(), QStringList{"File Error"});
        QVERIFY(f.op.Texts().first().contains(path));
        QCOMPARE(f.op.sounds, QList<SoundKind>{SoundKind::Error});
        QString reason;
        QVERIFY(!WriteHexFile(f.ctx, path, &reason));
        QVERIFY(!reason.isEmpty());
    }

    // A write that fails part way (here: the file size limit, as a full disk would) keeps the
    // operator's previous file whole.
    void FailedWriteKeepsPreviousFile()
    {
#ifdef Q_OS_UNIX
        ImageFixture f;
        f.LoadDevice("16F877A");
        std::fill_n(f.ctx.Image().CodeBuffer().begin(), 4096, quint16(0x1234));
        QTemporaryDir dir;
        const QString path = dir.filePath("good.hex");
        const QByteArray good = ":020000000528D1\r\n:00000001FF\r\n";
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(good);
        }
        rlimit old{};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &old) == 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = old;
        small.rlim_cur = 1000;
        QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
        QString reason;
        const bool written = WriteHexFile(f.ctx, path, &reason);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY(!written);
        QVERIFY(!reason.isEmpty());
        QCOMPARE(FileBytes(path), good);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"good.hex"});
#else
        QSKIP("needs a file size limit");
#endif
    }
};

QTEST_GUILESS_MAIN(TestHexFileWriter)
#include "TestHexFileWriter.moc"
