#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <deque>
#include <functional>

class QSocketNotifier;

// The timing of a serial line behind a USB serial adapter: bytes cross the wire one byte time
// apart (10 bits at the line rate, both directions), and the adapter holds what it received from
// the box until its buffer fills a packet or its latency timer (1 to 16 ms) expires, then hands
// it to the host in one piece.
//
// Every event (a byte reaching the box, a byte reaching the adapter, the latency timer) has an
// exact due time in nanoseconds, and the model wakes when the earliest one is due. A late wake-up
// never shifts the model's own timeline: events are applied in due order at their due times, and
// the box's replies start from the moment the request reached it, not from when the model woke.
// The wake-up uses a nanosecond timer where the platform has one (a millisecond timer would make
// every round trip up to a millisecond longer than the line it models).
class SerialAdapterModel : public QObject
{
    Q_OBJECT
public:
    using Deliver = std::function<void(const QByteArray&)>;

    SerialAdapterModel(int latencyMs, int packetBytes, QObject* parent = nullptr);
    ~SerialAdapterModel() override;

    void SetRate(qint32 baud) { m_baud = baud; }
    int LatencyMs() const { return m_latencyMs; }

    // Bytes the box sends; deliver receives them at the host, packet by packet.
    void ToHost(const QByteArray& bytes, Deliver deliver);
    // Bytes the host sends; deliver receives them at the box as they come off the wire.
    void ToBox(const QByteArray& bytes, Deliver deliver);
    // The box works for ns from now (or from the end of the work it is already busy with): the
    // replies it sends from now on leave when that work is done.
    void HoldReplies(qint64 ns);

private:
    struct Timed {
        qint64 due; // ns on m_clock
        char byte;
    };
    qint64 ByteTimeNs() const { return 10'000'000'000LL / m_baud; }
    qint64 LatencyNs() const { return qint64(m_latencyMs) * 1'000'000; }
    // The model's present: the due time of the event being applied, else the wall clock.
    qint64 Now() const { return m_applying ? m_eventTime : m_clock.nsecsElapsed(); }
    // The earliest pending event's due time, or -1 when nothing is under way.
    qint64 NextDue() const;
    // When the model must next wake: a byte reaching the box, or the adapter handing a packet to
    // the host. Bytes filling the adapter's buffer need no wake-up of their own; they are applied
    // in order when the model wakes.
    qint64 NextWake() const;
    // Applies every event due by now, in due order, then arms the wake-up for the next one.
    void Advance();
    void ApplyNext(qint64 now);
    void HandToHost();
    void Schedule();
    void ArmWakeup(qint64 delayNs);

    QElapsedTimer m_clock;
    QTimer m_timer; // fallback wake-up where no nanosecond timer exists
    int m_timerFd = -1;
    qint64 m_armedFor = -1; // the wake-up armed, ns on m_clock (-1: none)
    QSocketNotifier* m_notifier = nullptr;
    qint32 m_baud = 57600;
    int m_latencyMs;
    int m_packetBytes;
    std::deque<Timed> m_wireToHost, m_wireToBox;
    qint64 m_toHostFree = 0, m_toBoxFree = 0; // when each direction's wire is next free
    qint64 m_boxBusyUntil = 0;                // the box's own work ends (ns on m_clock)
    QByteArray m_adapterBuffer;
    qint64 m_bufferSince = 0;
    qint64 m_eventTime = 0;
    bool m_applying = false;
    bool m_advancing = false;
    Deliver m_hostDeliver, m_boxDeliver;
};
