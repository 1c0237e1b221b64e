#pragma once

#include "BoxSimulator.h"
#include "ChipGeometry.h"
#include "TestPaths.h"
#include "core/link/BoxProtocol.h"

#include <QByteArray>
#include <QTest>
#include <memory>

// Drives a BoxSimulator byte for byte, as a host on a 57600 line would, and collects its replies.
class BoxHarness
{
public:
    BoxHarness()
    {
        box.AttachHost([this](const QByteArray& bytes) { received += bytes; });
    }

    static ChipGeometry Geometry(const QString& device)
    {
        ChipGeometry g;
        QString error;
        if (!ChipGeometry::Load(TestPaths::ShippedData() + QStringLiteral("PXMCU.TBL"), device, &g, &error))
            qFatal("%s", qPrintable(error));
        return g;
    }

    void Insert(int socket, const QString& device)
    {
        box.InsertChip(socket, std::make_unique<SimulatedChip>(Geometry(device)));
    }

    // Sends bytes and returns what the box answered to them.
    QByteArray Send(const QByteArray& bytes)
    {
        received.clear();
        box.HostBytes(bytes);
        return received;
    }

    void Pulse()
    {
        box.HostDtr(true);
        box.HostDtr(false);
    }

    // Reset, then start the application firmware.
    void Boot()
    {
        Pulse();
        QCOMPARE(Send("<R>"), QByteArray("f"));
    }

    static QByteArray Frame(quint8 command) { return QByteArray("<") + char(command) + '>'; }
    // The reply to a frame: three acknowledgements and the echo.
    static QByteArray Echo(quint8 command) { return QByteArray("888") + char(command); }

    // Data bytes as the host sends them: 0x5C doubled.
    static QByteArray Escaped(const QByteArray& data)
    {
        QByteArray out;
        for (const char c : data) {
            out.append(c);
            if (quint8(c) == BoxProtocol::Escape)
                out.append(c);
        }
        return out;
    }

    // A parameter block with the operation code, the 24-bit value V, the sockets, count rule and
    // item unit; the rest as given by the caller afterwards.
    static QByteArray Block(quint8 code, quint32 value, quint8 sockets, quint8 rule = BoxProtocol::CountLastIndex,
                            quint8 unit = BoxProtocol::UnitWord, quint16 mask = 0, quint8 count = 0,
                            quint8 flags = BoxProtocol::FlagWriteAll)
    {
        using namespace BoxProtocol;
        QByteArray pb(ParameterBlockSize, '\0');
        pb[PbOperation] = char(code);
        pb[PbValueLow] = char(value & 0xFF);
        pb[PbValueLow + 1] = char((value >> 8) & 0xFF);
        pb[PbValueLow + 2] = char((value >> 16) & 0xFF);
        pb[PbSocketMask] = char(sockets);
        pb[PbCountRule] = char(rule);
        pb[PbItemUnit] = char(unit);
        pb[PbCount] = char(count);
        pb[PbMaskLow] = char(mask & 0xFF);
        pb[PbMaskHigh] = char(mask >> 8);
        pb[PbFlags] = char(flags);
        return pb;
    }

    // Loads block and script (commands 2 and 0) and checks the box took both.
    void Load(const QByteArray& block, const QByteArray& script)
    {
        using namespace BoxProtocol;
        const QByteArray b = Send(Frame(CmdParameterBlock) + Escaped(block));
        QCOMPARE(b, Echo(CmdParameterBlock) + QByteArray(Escaped(block).size(), '8') + 'd');
        const QByteArray s = Send(Frame(CmdPayload) + Escaped(QByteArray(1, char(script.size())) + script));
        QCOMPARE(s,
                 Echo(CmdPayload) + QByteArray(Escaped(QByteArray(1, char(script.size())) + script).size(), '8') + 'd');
    }

    // Executes the loaded operation and sends words (low byte first); returns the box's answer
    // to the data (the echo is checked).
    QByteArray ExecuteSending(const QVector<quint16>& words)
    {
        QByteArray data;
        for (const quint16 w : words) {
            data.append(char(w & 0xFF));
            data.append(char(w >> 8));
        }
        return ExecuteSendingBytes(data);
    }
    QByteArray ExecuteSendingBytes(const QByteArray& data)
    {
        using namespace BoxProtocol;
        const QByteArray echo = Send(Frame(CmdExecute));
        if (echo != Echo(CmdExecute))
            return echo;
        return Send(Escaped(data));
    }

    // Executes the loaded read operation with n read requests; returns the data bytes and checks
    // the reply pattern ('8' and a byte per request, 'd' after the last).
    QByteArray ExecuteReading(int requests)
    {
        using namespace BoxProtocol;
        const QByteArray echo = Send(Frame(CmdExecute));
        if (echo != Echo(CmdExecute))
            return {};
        const QByteArray reply = Send(QByteArray(requests, char(ReadRequest)));
        if (reply.size() != 2 * requests + 1 || reply.back() != 'd')
            return {};
        QByteArray data;
        for (int i = 0; i < requests; ++i) {
            if (reply[2 * i] != '8')
                return {};
            data.append(reply[2 * i + 1]);
        }
        return data;
    }

    QByteArray Status()
    {
        using namespace BoxProtocol;
        const QByteArray reply = Send(Frame(CmdReadStatus));
        if (reply.size() != 4 + StatusReplySize + 1 || !reply.startsWith(Echo(CmdReadStatus)) || reply.back() != 'd')
            return {};
        return reply.mid(4, StatusReplySize);
    }

    static quint32 FailLocation(const QByteArray& status, int socket)
    {
        return quint8(status[3 * socket]) | quint8(status[3 * socket + 1]) << 8 |
               quint32(quint8(status[3 * socket + 2])) << 16;
    }

    BoxSimulator box;
    QByteArray received;
};
