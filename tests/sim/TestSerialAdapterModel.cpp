#include "SerialAdapterModel.h"
#include "core/link/EventWait.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <vector>

// The adapter model must be exactly as fast as the line and adapter it models: never faster (a
// reply before its bytes could have crossed the wire), and not slower by a wake-up granularity of
// its own, which would make every round trip of the link look longer than the hardware's.
class TestSerialAdapterModel : public QObject
{
    Q_OBJECT

private slots:
    void roundTripsTakeTheLineAndTheLatency()
    {
        // One byte out, its echo back, 40 times in turn, at 115200 with a 1 ms latency timer:
        // each round trip is two byte times plus the latency.
        SerialAdapterModel model(1, 62);
        model.SetRate(115200);
        const qint64 byteNs = 10'000'000'000LL / 115200;
        const qint64 floorNs = 1'000'000 + 2 * byteNs;
        QElapsedTimer clock;
        std::vector<qint64> trips;
        QObject context;
        std::function<void()> send;
        auto atHost = [&](const QByteArray& bytes) {
            QCOMPARE(bytes, QByteArray("8"));
            trips.push_back(clock.nsecsElapsed());
            // The host answers from its event loop, not from inside the delivery.
            QTimer::singleShot(0, &context, send);
        };
        send = [&] {
            if (trips.size() >= 40)
                return;
            clock.start();
            model.ToBox(QByteArray("x"), [&](const QByteArray& atBox) {
                QCOMPARE(atBox, QByteArray("x"));
                model.ToHost(QByteArray("8"), atHost);
            });
        };
        send();
        QVERIFY(WaitForCondition([&] { return trips.size() >= 40; }, 5000));
        for (const qint64 trip : trips)
            QVERIFY2(trip >= floorNs, qPrintable(QString::number(trip)));
        // A busy machine may delay a few wake-ups; the typical one is on time.
        std::sort(trips.begin(), trips.end());
        const qint64 median = trips[trips.size() / 2];
        QVERIFY2(median < floorNs + 400'000, qPrintable(QStringLiteral("median %1 ns").arg(median)));
    }

    void fullPacketsGoAtOnceAndTheRestAfterTheLatency()
    {
        // 130 bytes at 57600 with a 16 ms latency: two full packets of 62 as soon as each is
        // complete, then the last 6 bytes one latency after the first of them arrived.
        SerialAdapterModel model(16, 62);
        model.SetRate(57600);
        const qint64 byteNs = 10'000'000'000LL / 57600;
        QElapsedTimer clock;
        std::vector<std::pair<qint64, qsizetype>> packets;
        clock.start();
        model.ToHost(QByteArray(130, 'y'),
                     [&](const QByteArray& bytes) { packets.emplace_back(clock.nsecsElapsed(), bytes.size()); });
        QVERIFY(WaitForCondition([&] { return packets.size() >= 3; }, 2000));
        QCOMPARE(packets.size(), size_t(3));
        QCOMPARE(packets[0].second, qsizetype(62));
        QCOMPARE(packets[1].second, qsizetype(62));
        QCOMPARE(packets[2].second, qsizetype(6));
        QVERIFY(packets[0].first >= 62 * byteNs);
        QVERIFY(packets[1].first >= 124 * byteNs);
        QVERIFY(packets[2].first >= 125 * byteNs + 16'000'000);
        // A full packet does not wait for the latency timer.
        QVERIFY2(packets[1].first < 124 * byteNs + 8'000'000, qPrintable(QString::number(packets[1].first)));
    }

    void repliesWaitForTheBoxsWork()
    {
        // The box acknowledges a byte, then its chips work for 20 ms: the acknowledgement leaves at
        // once, the completion only when the work is done.
        SerialAdapterModel model(1, 62);
        model.SetRate(115200);
        QElapsedTimer clock;
        std::vector<std::pair<qint64, QByteArray>> packets;
        auto atHost = [&](const QByteArray& bytes) { packets.emplace_back(clock.nsecsElapsed(), bytes); };
        clock.start();
        model.ToBox(QByteArray("x"), [&](const QByteArray&) {
            model.ToHost(QByteArray("8"), atHost);
            model.HoldReplies(20'000'000);
            model.ToHost(QByteArray("d"), atHost);
        });
        QVERIFY(WaitForCondition([&] { return packets.size() >= 2; }, 2000));
        QCOMPARE(packets[0].second, QByteArray("8"));
        QCOMPARE(packets[1].second, QByteArray("d"));
        QVERIFY2(packets[0].first < 10'000'000, qPrintable(QString::number(packets[0].first)));
        QVERIFY2(packets[1].first >= 21'000'000, qPrintable(QString::number(packets[1].first)));
    }
};

QTEST_GUILESS_MAIN(TestSerialAdapterModel)
#include "TestSerialAdapterModel.moc"
