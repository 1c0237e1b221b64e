#include "core/link/LinkClock.h"

#include "core/link/EventWait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <unordered_map>

struct RealLinkClock::Timers {
    QElapsedTimer started;
    int nextId = 1;
    std::unordered_map<int, QTimer*> running;
};

RealLinkClock::RealLinkClock() : m_timers(std::make_unique<Timers>())
{
    m_timers->started.start();
}

RealLinkClock::~RealLinkClock()
{
    for (auto& [id, timer] : m_timers->running)
        delete timer;
}

qint64 RealLinkClock::NowMs() const
{
    return m_timers->started.elapsed();
}

bool RealLinkClock::WaitFor(const std::function<bool()>& done, int ms)
{
    return WaitForCondition(done, ms);
}

void RealLinkClock::ProcessEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

int RealLinkClock::StartTimer(int ms, std::function<void()> fire)
{
    const int id = m_timers->nextId++;
    auto* timer = new QTimer;
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    // The timer leaves the table before fire runs, so fire may start or stop others, and is
    // deleted later because its own signal is still being delivered.
    QObject::connect(timer, &QTimer::timeout, timer, [this, id, timer, fire = std::move(fire)] {
        m_timers->running.erase(id);
        timer->deleteLater();
        fire();
    });
    m_timers->running.emplace(id, timer);
    timer->start(ms);
    return id;
}

void RealLinkClock::StopTimer(int id)
{
    const auto it = m_timers->running.find(id);
    if (it == m_timers->running.end())
        return;
    it->second->stop();
    it->second->deleteLater();
    m_timers->running.erase(it);
}

// Counts the events the application delivers, whatever their kind: queued signals of a
// loopback port, socket and timer events.
class SteppedLinkClock::EventCounter : public QObject
{
public:
    EventCounter() { QCoreApplication::instance()->installEventFilter(this); }
    ~EventCounter() override
    {
        if (QCoreApplication::instance())
            QCoreApplication::instance()->removeEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        Q_UNUSED(watched);
        Q_UNUSED(event);
        ++count;
        return false;
    }
    quint64 count = 0;
};

SteppedLinkClock::SteppedLinkClock() = default;
SteppedLinkClock::~SteppedLinkClock() = default;

bool SteppedLinkClock::RunEvents()
{
    if (!QCoreApplication::instance())
        return false;
    if (!m_events)
        m_events = std::make_unique<EventCounter>();
    const quint64 before = m_events->count;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return m_events->count != before;
}

void SteppedLinkClock::ProcessEvents()
{
    // A loop that only polls still lets time pass, so its watchdog can expire.
    if (!RunEvents())
        AdvanceTo(m_nowUs + 1000);
}

bool SteppedLinkClock::WaitFor(const std::function<bool()>& done, int ms)
{
    const qint64 end = m_nowUs + qint64(ms) * 1000;
    while (!done()) {
        if (RunEvents())
            continue;
        if (m_nowUs >= end)
            return done();
        // Nothing can change before the next timer, so time jumps to it (or to the wait's end).
        qint64 next = end;
        if (!m_due.empty() && m_due.begin()->first < next)
            next = m_due.begin()->first;
        AdvanceTo(qMax(next, m_nowUs));
    }
    return true;
}

void SteppedLinkClock::BytesSent(int count, int baud)
{
    if (baud > 0)
        AdvanceTo(m_nowUs + qint64(count) * 10 * 1000000 / baud);
}

int SteppedLinkClock::StartTimer(int ms, std::function<void()> fire)
{
    const int id = m_nextId++;
    m_due.emplace(m_nowUs + qint64(ms) * 1000, Timer{id, std::move(fire)});
    return id;
}

void SteppedLinkClock::StopTimer(int id)
{
    for (auto it = m_due.begin(); it != m_due.end(); ++it) {
        if (it->second.id == id) {
            m_due.erase(it);
            return;
        }
    }
}

void SteppedLinkClock::AdvanceTo(qint64 us)
{
    // Timers fire in deadline order, each with the clock at its own deadline; a fire that waits
    // moves the clock on itself, so the loop looks at the table afresh each time.
    while (!m_due.empty() && m_due.begin()->first <= us) {
        auto first = m_due.begin();
        m_nowUs = qMax(m_nowUs, first->first);
        const std::function<void()> fire = std::move(first->second.fire);
        m_due.erase(first);
        fire();
    }
    m_nowUs = qMax(m_nowUs, us);
}
