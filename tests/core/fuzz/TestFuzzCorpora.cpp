// Replays every fuzz target's seed corpus (fuzz/corpora.txt, fuzz/seeds/<target>/) and its
// regression inputs (tests/data/fuzz/<target>/, inputs that once crashed, hung or overflowed)
// through the target. A target aborts when one of its checks fails, which fails this test; under
// the sanitizer build an overflow does too.
#include "FuzzTargets.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>

namespace {

const QString Root = QStringLiteral(PRAXON_SOURCE_DIR);

QStringList Patterns(const QString& target)
{
    QFile list(Root + QStringLiteral("/fuzz/corpora.txt"));
    if (!list.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray& raw : list.readAll().split('\n')) {
        const QStringList words = QString::fromLatin1(raw).simplified().split(u' ', Qt::SkipEmptyParts);
        if (!words.isEmpty() && words[0] == target)
            return words.mid(1);
    }
    return {};
}

QStringList Inputs(const QString& target, bool regressionsOnly)
{
    QStringList patterns;
    if (!regressionsOnly)
        patterns = Patterns(target) << QStringLiteral("fuzz/seeds/%1/*").arg(target);
    patterns << QStringLiteral("tests/data/fuzz/%1/*").arg(target);
    QStringList files;
    for (const QString& pattern : patterns) {
        const QFileInfo info(Root + u'/' + pattern);
        const QDir dir(info.path(), info.fileName(), QDir::Name, QDir::Files);
        for (const QString& name : dir.entryList())
            files << dir.filePath(name);
    }
    return files;
}

} // namespace

class TestFuzzCorpora : public QObject
{
    Q_OBJECT

private slots:
    void ReplaysEveryInput_data()
    {
        QTest::addColumn<int>("target");
        for (int i = 0; i < int(std::size(PraxonFuzz::Targets)); ++i)
            QTest::newRow(PraxonFuzz::Targets[i].name) << i;
    }

    void ReplaysEveryInput()
    {
        QFETCH(int, target);
        const PraxonFuzz::Target& t = PraxonFuzz::Targets[target];
        const QStringList files = Inputs(QString::fromLatin1(t.name), false);
        // Every target but the SQTP reader has shipped files to start from; all have seeds.
        QVERIFY2(files.size() >= 2, qPrintable(QStringLiteral("too few inputs for ") + t.name));
        for (const QString& path : files) {
            QFile file(path);
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
            const QByteArray bytes = file.readAll();
            QElapsedTimer timer;
            timer.start();
            t.run(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
            // A hang found by the fuzzer is a regression input too: each input must be quick.
            QVERIFY2(timer.elapsed() < 5000, qPrintable(path));
        }
    }
};

QTEST_GUILESS_MAIN(TestFuzzCorpora)
#include "TestFuzzCorpora.moc"
