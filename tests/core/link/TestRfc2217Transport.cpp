// The RFC 2217 client against a scripted server, and the Telnet codec both ends share.

#include "core/link/EventWait.h"
#include "core/link/Rfc2217.h"
#include "core/link/Rfc2217Transport.h"
#include "core/link/TelnetCodec.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

using namespace Rfc2217;

class TestRfc2217Transport : public QObject
{
    Q_OBJECT

private slots:
    void codecSplitsDataAndCommandsAcrossCalls()
    {
        TelnetCodec codec;
        // "a", IAC IAC (data 0xFF), IAC DO 44, sub-negotiation split over two feeds, "b".
        auto first = codec.Feed(QByteArray("a") + char(Iac) + char(Iac) + char(Iac) + char(Do) + char(OptComPort) +
                                char(Iac) + char(Sb) + char(OptComPort) + char(101) + char(Iac));
        auto second = codec.Feed(QByteArray(1, char(Iac)) + char(0) + char(Iac) + char(Se) + "b");
        QCOMPARE(first.size(), size_t(2));
        QCOMPARE(first[0].bytes, QByteArray("a\xFF"));
        QCOMPARE(first[1].kind, TelnetCodec::Event::Kind::Option);
        QCOMPARE(first[1].verb, Do);
        QCOMPARE(second.size(), size_t(2));
        QCOMPARE(second[0].kind, TelnetCodec::Event::Kind::Subnegotiation);
        QCOMPARE(second[0].bytes, QByteArray("\x65\xFF\x00", 3));
        QCOMPARE(second[1].bytes, QByteArray("b"));
        QCOMPARE(TelnetCodec::EscapeData(QByteArray::fromHex("01FF02")), QByteArray::fromHex("01FFFF02"));
        QCOMPARE(TelnetCodec::Subnegotiation(OptComPort, QByteArray::fromHex("01FF")),
                 QByteArray::fromHex("FFFA2C01FFFFFFF0"));
    }

    void targetsParse()
    {
        QString host;
        quint16 port = 0;
        QVERIFY(Rfc2217Transport::ParseTarget(QStringLiteral("rfc2217://127.0.0.1:4001"), &host, &port));
        QCOMPARE(host, QStringLiteral("127.0.0.1"));
        QCOMPARE(port, quint16(4001));
        QVERIFY(!Rfc2217Transport::ParseTarget(QStringLiteral("rfc2217://127.0.0.1"), &host, &port));
        QVERIFY(!Rfc2217Transport::ParseTarget(QStringLiteral("/dev/ttyUSB0"), &host, &port));
    }

    void negotiatesSettingsDtrPurgeAndEscapesData()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        QTcpSocket* peer = nullptr;
        QByteArray fromClient;
        TelnetCodec serverCodec;
        QList<TelnetCodec::Event> seen;
        connect(&server, &QTcpServer::newConnection, this, [&] {
            peer = server.nextPendingConnection();
            connect(peer, &QTcpSocket::readyRead, this, [&] {
                const QByteArray bytes = peer->readAll();
                fromClient += bytes;
                for (const auto& e : serverCodec.Feed(bytes)) {
                    seen << e;
                    // A cooperative server: agree to COM-PORT-OPTION, confirm every setting.
                    if (e.kind == TelnetCodec::Event::Kind::Option && e.verb == Will && e.option == OptComPort)
                        peer->write(TelnetCodec::Option(Do, OptComPort));
                    if (e.kind == TelnetCodec::Event::Kind::Subnegotiation)
                        peer->write(TelnetCodec::Subnegotiation(
                            OptComPort, QByteArray(1, char(quint8(e.bytes[0]) + ServerOffset)) + e.bytes.mid(1)));
                }
            });
        });

        Rfc2217Transport transport(QStringLiteral("rfc2217://127.0.0.1:%1").arg(server.serverPort()));
        QString error;
        QVERIFY2(transport.Open(&error), qPrintable(error));
        QVERIFY2(transport.Configure(57600, &error), qPrintable(error));
        QCOMPARE(transport.ConfirmedBaud(), 57600);
        auto subnegotiations = [&] {
            QList<QByteArray> list;
            for (const auto& e : seen)
                if (e.kind == TelnetCodec::Event::Kind::Subnegotiation)
                    list << e.bytes;
            return list;
        };
        QVERIFY(fromClient.contains(TelnetCodec::Option(Will, OptComPort)));
        QCOMPARE(subnegotiations().value(0), QByteArray::fromHex("010000E100")); // 57600, network order
        QVERIFY(subnegotiations().contains(QByteArray::fromHex("0208")));
        QVERIFY(subnegotiations().contains(QByteArray::fromHex("0301")));
        QVERIFY(subnegotiations().contains(QByteArray::fromHex("0401")));

        seen.clear();
        QVERIFY(transport.SetDtr(true, &error));
        QVERIFY(transport.SetDtr(false, &error));
        QVERIFY(transport.Purge(true, true, &error));
        QVERIFY(transport.Write(QByteArray::fromHex("3CFF3E"), &error));
        QVERIFY(WaitForCondition([&] { return seen.size() >= 4; }, 2000));
        QCOMPARE(subnegotiations(), (QList<QByteArray>{QByteArray::fromHex("0508"), QByteArray::fromHex("0509"),
                                                       QByteArray::fromHex("0C03")}));
        QCOMPARE(seen.last().bytes, QByteArray::fromHex("3CFF3E")); // sent as 3C FF FF 3E, decoded back
        QVERIFY(fromClient.endsWith(QByteArray::fromHex("3CFFFF3E")));

        // Data from the server with a doubled 0xFF, and a line-state report used for the error category.
        peer->write(QByteArray::fromHex("38FFFF64") +
                    TelnetCodec::Subnegotiation(OptComPort, QByteArray::fromHex("6A08")));
        QVERIFY(WaitForCondition([&] { return transport.BytesAvailable() >= 3; }, 2000));
        QCOMPARE(transport.Take(10), QByteArray::fromHex("38FF64"));
        bool ok = false;
        QVERIFY(WaitForCondition([&] { return transport.TakeLineErrors(&ok).testFlag(LineError::Framing); }, 2000));

        // The server goes away: writes fail.
        peer->abort();
        QVERIFY(WaitForCondition([&] { return !transport.IsOpen(); }, 2000));
        QVERIFY(!transport.Write("x", &error));
    }

    void refusesServersWithoutComPortControl()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        connect(&server, &QTcpServer::newConnection, this, [&] {
            QTcpSocket* peer = server.nextPendingConnection();
            connect(peer, &QTcpSocket::readyRead, peer, [peer] {
                peer->readAll();
                peer->write(TelnetCodec::Option(Dont, OptComPort));
            });
        });
        Rfc2217Transport transport(QStringLiteral("rfc2217://127.0.0.1:%1").arg(server.serverPort()));
        QString error;
        QVERIFY(!transport.Open(&error));
        QVERIFY(error.contains(QStringLiteral("RFC 2217")));

        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
        const quint16 unused = closed.serverPort();
        closed.close();
        Rfc2217Transport nobody(QStringLiteral("rfc2217://127.0.0.1:%1").arg(unused));
        QVERIFY(!nobody.Open(&error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestRfc2217Transport)
#include "TestRfc2217Transport.moc"
