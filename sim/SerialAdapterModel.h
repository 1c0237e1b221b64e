#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <deque>
#include <functional>

// The timing of a serial line behind a USB serial adapter: bytes cross the wire one byte time
// apart (10 bits at the line rate, both directions), and the adapter holds what it received from
// the box until its buffer fills a packet or its latency timer (1 to 16 ms) expires, then hands
// it to the host in one piece. Driven by a 1 ms timer while anything is under way.
class SerialAdapterModel : public QObject
{
    Q_OBJECT
public:
    using Deliver = std::function<void(const QByteArray&)>;

    SerialAdapterModel(int latencyMs, int packetBytes, QObject* parent = nullptr);

    void SetRate(qint32 baud) { m_baud = baud; }
    int LatencyMs() const { return m_latencyMs; }

    // Bytes the box sends; deliver receives them at the host, packet by packet.
    void ToHost(const QByteArray& bytes, Deliver deliver);
    // Bytes the host sends; deliver receives them at the box as they come off the wire.
    void ToBox(const QByteArray& bytes, Deliver deliver);

private:
    struct Timed {
        qint64 due; // ns on m_clock
        char byte;
    };
    qint64 ByteTimeNs() const { return 10'000'000'000LL / m_baud; }
    void Tick();

    QElapsedTimer m_clock;
    QTimer m_timer;
    qint32 m_baud = 57600;
    int m_latencyMs;
    int m_packetBytes;
    std::deque<Timed> m_wireToHost, m_wireToBox;
    qint64 m_toHostFree = 0, m_toBoxFree = 0; // when each direction's wire is next free
    QByteArray m_adapterBuffer;
    qint64 m_bufferSince = 0;
    Deliver m_hostDeliver, m_boxDeliver;
};
