#pragma once

#include <QtGlobal>
#include <functional>
#include <map>
#include <memory>

// Time as the link sees it: every pause, read time-out and the reply watchdog is measured on a
// LinkClock. The program runs on RealLinkClock; tests of the link and the engine run on a
// SteppedLinkClock, on which the box's 250 ms pauses and 2.5 s watchdog take no real time.
class LinkClock
{
public:
    virtual ~LinkClock() = default;

    // Milliseconds since the clock started; never goes back.
    virtual qint64 NowMs() const = 0;
    // Processes events until done() is true or ms milliseconds have passed; returns done().
    virtual bool WaitFor(const std::function<bool()>& done, int ms) = 0;
    // One round of the event loop that does not wait.
    virtual void ProcessEvents() = 0;
    // The time count bytes take on a line of baud bits per second (8N1: ten bits a byte).
    virtual void BytesSent(int count, int baud)
    {
        Q_UNUSED(count);
        Q_UNUSED(baud);
    }
    // Calls fire once, ms from now, unless StopTimer(id) comes first. A timer may be started or
    // stopped from inside another timer's fire, and its own fire may wait on the clock.
    virtual int StartTimer(int ms, std::function<void()> fire) = 0;
    virtual void StopTimer(int id) = 0;
};

// The wall clock: Qt's precise timers and the event loop's own waits.
class RealLinkClock final : public LinkClock
{
public:
    RealLinkClock();
    ~RealLinkClock() override;
    qint64 NowMs() const override;
    bool WaitFor(const std::function<bool()>& done, int ms) override;
    void ProcessEvents() override;
    int StartTimer(int ms, std::function<void()> fire) override;
    void StopTimer(int id) override;

private:
    struct Timers;
    std::unique_ptr<Timers> m_timers;
};

// A clock that moves only when the link has nothing to do: a wait with no event to process
// moves it on to the next timer or the wait's end, and bytes sent move it by their line time.
// For a box that answers at once (the in-process simulator on a loopback port), a run's
// pauses, time-outs and watchdog expiries happen in their true order and at their true times,
// without the real waiting.
class SteppedLinkClock final : public LinkClock
{
public:
    SteppedLinkClock();
    ~SteppedLinkClock() override;
    qint64 NowMs() const override { return m_nowUs / 1000; }
    bool WaitFor(const std::function<bool()>& done, int ms) override;
    void ProcessEvents() override;
    void BytesSent(int count, int baud) override;
    int StartTimer(int ms, std::function<void()> fire) override;
    void StopTimer(int id) override;

    // Moves the clock on by ms (firing the timers that fall due on the way).
    void Advance(int ms) { AdvanceTo(m_nowUs + qint64(ms) * 1000); }

private:
    class EventCounter;
    // One round of events; false when there was nothing to process.
    bool RunEvents();
    void AdvanceTo(qint64 us);

    struct Timer {
        int id;
        std::function<void()> fire;
    };
    qint64 m_nowUs = 0;
    int m_nextId = 1;
    std::multimap<qint64, Timer> m_due; // by deadline in microseconds
    std::unique_ptr<EventCounter> m_events;
};
