// The simulator's network serial port serves one client at a time, and a host that closes the
// port and at once opens it again gets it back even when its new connection arrives before the
// old one's close has been seen.
#include "BoxSimulator.h"
#include "Rfc2217Server.h"
#include "core/link/Rfc2217Transport.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

class TestRfc2217Server : public QObject
{
    Q_OBJECT

private:
    static QString Url(const Rfc2217Server& server)
    {
        return QStringLiteral("rfc2217://127.0.0.1:%1").arg(server.Port());
    }

private slots:
    void secondClientIsRefusedWhileTheFirstStays()
    {
        BoxSimulator box;
        Rfc2217Server server(box);
        QString error;
        QVERIFY2(server.Listen(QHostAddress::LocalHost, 0, &error), qPrintable(error));
        Rfc2217Transport first(Url(server));
        QVERIFY2(first.Open(&error), qPrintable(error));
        QVERIFY2(first.Configure(57600, &error), qPrintable(error));

        Rfc2217Transport second(Url(server));
        QVERIFY(!second.Open(&error));
        QCOMPARE(error,
                 QStringLiteral("The server at %1 closed the connection; its port may be in use.").arg(Url(server)));
        // The first client keeps the port and still talks to the box.
        QVERIFY(first.IsOpen());
        QVERIFY2(first.Configure(115200, &error), qPrintable(error));
        QCOMPARE(first.ConfirmedBaud(), 115200);
    }

    void reopenTakesOverOnceTheOldConnectionCloses()
    {
        BoxSimulator box;
        Rfc2217Server server(box);
        QString error;
        QVERIFY2(server.Listen(QHostAddress::LocalHost, 0, &error), qPrintable(error));
        auto old = std::make_unique<Rfc2217Transport>(Url(server));
        QVERIFY2(old->Open(&error), qPrintable(error));

        // The new connection arrives first; the old one closes while the new one waits.
        Rfc2217Transport reopened(Url(server));
        QTimer::singleShot(100, this, [&old] { old->Close(); });
        QElapsedTimer clock;
        clock.start();
        QVERIFY2(reopened.Open(&error), qPrintable(error));
        QVERIFY(clock.elapsed() < Rfc2217Transport::ConnectTimeoutMs);
        QVERIFY2(reopened.Configure(57600, &error), qPrintable(error));
        QCOMPARE(reopened.ConfirmedBaud(), 57600);
        QVERIFY(server.HasClient());
    }
};

QTEST_MAIN(TestRfc2217Server)
#include "TestRfc2217Server.moc"
