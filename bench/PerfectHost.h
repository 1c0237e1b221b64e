#pragma once

// The floor of a benchmark figure: the time a perfect host (one that answers every packet the
// moment it arrives) needs for the same bytes on the simulator's own model of the line, the USB
// serial adapter and the chips. Shared by the link and Auto Run benchmarks.

#include "BoxSimulator.h"
#include "core/link/BoxEndpoint.h"
#include "core/link/BoxLink.h"
#include "core/link/LinkProgress.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <algorithm>
#include <deque>
#include <vector>

namespace PerfectHost {

constexpr double BitsPerByte = 10.0; // start, 8 data, stop
constexpr int AdapterPacket = 62;    // the simulator's default packet size

// One byte the host sends: how many reply bytes it provokes (the first is its acknowledgement,
// which frees its place in the window when windowed), whether the host then waits for every
// reply before it sends on (the end of an exchange, a progress step of a transfer), and the chip
// time (s) the byte sets off: an erase, or the write cycle it completes. The chips work after
// the byte's replies except a final completion, and later replies wait for the work.
struct HostByte {
    int replies = 1;
    bool windowed = true;
    bool drainAfter = false;
    double busy = 0;
    bool completionAfterWork = false; // the last reply ('d') leaves after the work
};

// Each byte crosses the wire in one byte time (both directions, one at a time each way); the box
// answers when a byte has reached it and its chips are not busy; the adapter holds what it
// receives from the box until its latency timer, started by the first byte in its buffer,
// expires (or a packet is full) and then hands it to the host. The host sends whenever the window
// has room and it is not draining. No host can be faster, so measured / floor is never below 1.
inline double Seconds(const std::vector<HostByte>& bytes, double byteTime, double latency)
{
    struct Reply {
        double arrives; // at the adapter
        bool freesWindow;
    };
    std::deque<Reply> wire;
    double now = 0, toBoxFree = 0, toHostFree = 0, busyUntil = 0;
    size_t next = 0;
    int inFlight = 0, outstanding = 0;
    bool draining = false;
    for (;;) {
        while (next < bytes.size() && !draining && inFlight < BoxLink::Window) {
            const HostByte& b = bytes[next++];
            const double atBox = std::max(now, toBoxFree) + byteTime;
            toBoxFree = atBox;
            const int after = b.busy > 0 && b.completionAfterWork ? 1 : 0;
            for (int r = 0; r < b.replies; ++r) {
                if (r == b.replies - after && b.busy > 0)
                    busyUntil = std::max(busyUntil, atBox) + b.busy;
                toHostFree = std::max({atBox, toHostFree, busyUntil}) + byteTime;
                wire.push_back({toHostFree, r == 0 && b.windowed});
            }
            if (b.busy > 0 && after == 0)
                busyUntil = std::max(busyUntil, atBox) + b.busy;
            if (b.windowed)
                ++inFlight;
            outstanding += b.replies;
            draining = b.drainAfter;
        }
        if (outstanding == 0) {
            if (next == bytes.size())
                return now;
            draining = false;
            continue;
        }
        double handOver = wire.front().arrives + latency;
        if (wire.size() >= size_t(AdapterPacket))
            handOver = std::min(handOver, wire[size_t(AdapterPacket - 1)].arrives);
        for (int taken = 0; !wire.empty() && wire.front().arrives <= handOver && taken < AdapterPacket; ++taken) {
            if (wire.front().freesWindow)
                --inFlight;
            --outstanding;
            wire.pop_front();
        }
        now = handOver;
    }
}

// The link's progress step for a transfer of items.
inline int StepOf(qint64 items)
{
    LinkProgress progress;
    progress.SetupProgress(int(items));
    return progress.Step();
}

// Stands between the host and the timed box and records what the host does (bytes, DTR, line
// rate). Bytes() replays the record, one byte at a time, through a second box without timing
// that holds the same chips, after the run so that the replay costs the run nothing: what that
// box answers to each byte (its reply count, its chip time, whether an exchange is complete) is
// the byte's HostByte. Bytes() returns those sent after Mark() (or after the reset that follows
// it, when asked).
class ReplayEndpoint : public BoxEndpoint
{
public:
    ReplayEndpoint(BoxSimulator& live, BoxSimulator& shadow) : m_live(live), m_shadow(shadow)
    {
        m_shadow.AttachHost([this](const QByteArray& bytes) { m_replies += bytes; });
    }

    void AttachHost(Sink sink) override { m_live.AttachHost(std::move(sink)); }
    void HostLineRate(qint32 baud) override
    {
        m_live.HostLineRate(baud);
        m_events.push_back({Event::Rate, baud, {}});
        // The host takes up the high rate once the reset's speed command has completed.
        if (m_restart && baud == BoxProtocol::HighBaud && m_clock.isValid())
            m_restartedAfterNs = m_clock.nsecsElapsed();
    }
    void HostDtr(bool raised) override
    {
        m_live.HostDtr(raised);
        m_events.push_back({Event::Dtr, raised ? 1 : 0, {}});
    }
    void HostBytes(const QByteArray& bytes) override
    {
        m_live.HostBytes(bytes);
        if (!m_events.empty() && m_events.back().kind == Event::Bytes)
            m_events.back().bytes += bytes;
        else
            m_events.push_back({Event::Bytes, 0, bytes});
    }

    // Starts the record (and the clock) now; with restartAfterReset, a reset that follows (the
    // box completing its speed command) starts it again, so the reset is left out of the record.
    void Mark(bool restartAfterReset = false)
    {
        // An event of its own, so that the bytes after the mark are not merged into those before.
        m_markAt = m_events.size();
        m_events.push_back({Event::Bytes, 0, {}});
        m_restart = restartAfterReset;
        m_clock.start();
        m_restartedAfterNs = 0;
    }
    // Time since the mark, or since the host took up the high line rate after the reset.
    double SecondsSinceMark() const
    {
        return m_clock.isValid() ? (m_clock.nsecsElapsed() - m_restartedAfterNs) / 1e9 : 0;
    }

    std::vector<HostByte> Bytes()
    {
        std::vector<HostByte> out;
        for (size_t e = 0; e < m_events.size(); ++e) {
            const Event& ev = m_events[e];
            if (ev.kind == Event::Rate) {
                m_shadow.HostLineRate(ev.value);
                if (e >= m_markAt && m_restart && ev.value == BoxProtocol::HighBaud)
                    out.clear(); // the reset ends here
                continue;
            }
            if (ev.kind == Event::Dtr) {
                m_shadow.HostDtr(ev.value != 0);
                continue;
            }
            for (const char c : ev.bytes) {
                const HostByte b = Replay(quint8(c));
                if (e >= m_markAt)
                    out.push_back(b);
            }
        }
        return out;
    }

private:
    struct Event {
        enum Kind { Bytes, Dtr, Rate } kind;
        qint32 value;
        QByteArray bytes;
    };

    HostByte Replay(quint8 byte)
    {
        const BoxSimulator::Progress before = m_shadow.CurrentProgress();
        const qint64 chipBefore = m_shadow.ChipTimeNs();
        m_replies.clear();
        m_shadow.HostBytes(QByteArray(1, char(byte)));
        const BoxSimulator::Progress after = m_shadow.CurrentProgress();
        HostByte b;
        b.replies = int(m_replies.size());
        b.windowed = b.replies > 0;
        b.busy = double(m_shadow.ChipTimeNs() - chipBefore) / 1e9;
        const bool completion = !m_replies.isEmpty() && quint8(m_replies.back()) == BoxProtocol::Done;
        b.completionAfterWork = completion;
        // The host needs the answer of an exchange before it goes on: a command's completion, an
        // escape's answer. In a transfer it waits at every progress step.
        if (b.replies > 0 && after.idle && (completion || before.escapePending))
            b.drainAfter = true;
        if (after.transfer && after.itemsDone > before.itemsDone && after.itemsDone % StepOf(after.items) == 0)
            b.drainAfter = true;
        return b;
    }

    BoxSimulator& m_live;
    BoxSimulator& m_shadow;
    QByteArray m_replies;
    std::vector<Event> m_events;
    size_t m_markAt = 0;
    QElapsedTimer m_clock;
    qint64 m_restartedAfterNs = 0;
    bool m_restart = false;
};

} // namespace PerfectHost
