#include "SerialAdapterModel.h"

#include <QSocketNotifier>
#include <limits>

#ifdef Q_OS_LINUX
#include <sys/timerfd.h>
#include <unistd.h>
#endif

namespace {
constexpr qint64 Never = std::numeric_limits<qint64>::max();
} // namespace

SerialAdapterModel::SerialAdapterModel(int latencyMs, int packetBytes, QObject* parent)
    : QObject(parent), m_latencyMs(qBound(1, latencyMs, 16)), m_packetBytes(qMax(1, packetBytes))
{
    m_clock.start();
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &SerialAdapterModel::Advance);
#ifdef Q_OS_LINUX
    m_timerFd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_timerFd >= 0) {
        m_notifier = new QSocketNotifier(qintptr(m_timerFd), QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] {
            quint64 expirations = 0;
            [[maybe_unused]] const auto n = ::read(m_timerFd, &expirations, sizeof expirations);
            Advance();
        });
    }
#endif
}

SerialAdapterModel::~SerialAdapterModel()
{
    delete m_notifier;
#ifdef Q_OS_LINUX
    if (m_timerFd >= 0)
        ::close(m_timerFd);
#endif
}

void SerialAdapterModel::ToHost(const QByteArray& bytes, Deliver deliver)
{
    m_hostDeliver = std::move(deliver);
    qint64 t = qMax(qMax(Now(), m_toHostFree), m_boxBusyUntil);
    for (const char c : bytes) {
        t += ByteTimeNs();
        m_wireToHost.push_back({t, c});
    }
    m_toHostFree = t;
    if (!m_advancing)
        Schedule();
}

void SerialAdapterModel::ToBox(const QByteArray& bytes, Deliver deliver)
{
    m_boxDeliver = std::move(deliver);
    qint64 t = qMax(Now(), m_toBoxFree);
    for (const char c : bytes) {
        t += ByteTimeNs();
        m_wireToBox.push_back({t, c});
    }
    m_toBoxFree = t;
    if (!m_advancing)
        Schedule();
}

void SerialAdapterModel::HoldReplies(qint64 ns)
{
    m_boxBusyUntil = qMax(m_boxBusyUntil, Now()) + ns;
}

qint64 SerialAdapterModel::NextDue() const
{
    qint64 next = Never;
    if (!m_wireToBox.empty())
        next = qMin(next, m_wireToBox.front().due);
    if (!m_wireToHost.empty())
        next = qMin(next, m_wireToHost.front().due);
    if (!m_adapterBuffer.isEmpty())
        next = qMin(next, m_bufferSince + LatencyNs());
    return next == Never ? -1 : next;
}

qint64 SerialAdapterModel::NextWake() const
{
    qint64 next = m_wireToBox.empty() ? Never : m_wireToBox.front().due;
    // The adapter hands over when its latency timer (started by the first byte in its buffer)
    // expires or when a byte completes a packet, whichever comes first.
    qint64 since = m_adapterBuffer.isEmpty() ? Never : m_bufferSince;
    if (since == Never && !m_wireToHost.empty())
        since = m_wireToHost.front().due;
    if (since != Never) {
        next = qMin(next, since + LatencyNs());
        const qint64 missing = qint64(m_packetBytes) - m_adapterBuffer.size();
        if (missing <= qint64(m_wireToHost.size()))
            next = qMin(next, m_wireToHost[size_t(missing - 1)].due);
    }
    return next == Never ? -1 : next;
}

void SerialAdapterModel::Advance()
{
    m_armedFor = -1; // the wake-up is one-shot
    // A delivery may run the event loop; the outer pass applies whatever falls due meanwhile and
    // arms the next wake-up.
    if (m_advancing)
        return;
    m_advancing = true;
    for (;;) {
        const qint64 now = m_clock.nsecsElapsed();
        const qint64 next = NextDue();
        if (next < 0 || next > now)
            break;
        ApplyNext(now);
    }
    m_advancing = false;
    Schedule();
}

void SerialAdapterModel::ApplyNext(qint64 now)
{
    const qint64 boxDue = m_wireToBox.empty() ? Never : m_wireToBox.front().due;
    const qint64 hostDue = m_wireToHost.empty() ? Never : m_wireToHost.front().due;
    const qint64 flushDue = m_adapterBuffer.isEmpty() ? Never : m_bufferSince + LatencyNs();

    if (boxDue <= hostDue && boxDue <= flushDue) {
        // The bytes that have reached the box by now go in one piece, up to the next event of
        // another kind (a receiver at another line rate frames the stream, not single bytes).
        // Woken on time, that is one byte; after a late wake-up the replies to the earlier bytes
        // start from the last one's arrival.
        const qint64 limit = qMin(now, qMin(hostDue, flushDue));
        QByteArray arrived;
        qint64 last = boxDue;
        while (!m_wireToBox.empty() && m_wireToBox.front().due <= limit) {
            last = m_wireToBox.front().due;
            arrived.append(m_wireToBox.front().byte);
            m_wireToBox.pop_front();
        }
        m_eventTime = last;
        m_applying = true;
        if (m_boxDeliver)
            m_boxDeliver(arrived); // may queue replies, timed from m_eventTime
        m_applying = false;
        return;
    }
    if (hostDue <= flushDue) {
        const Timed next = m_wireToHost.front();
        m_wireToHost.pop_front();
        if (m_adapterBuffer.isEmpty())
            m_bufferSince = next.due;
        m_adapterBuffer.append(next.byte);
        if (m_adapterBuffer.size() >= m_packetBytes) {
            m_eventTime = next.due;
            HandToHost();
        }
        return;
    }
    m_eventTime = flushDue;
    HandToHost();
}

void SerialAdapterModel::HandToHost()
{
    const QByteArray packet = m_adapterBuffer;
    m_adapterBuffer.clear();
    m_applying = true;
    if (m_hostDeliver)
        m_hostDeliver(packet); // a host answering at once writes at the model's present
    m_applying = false;
}

void SerialAdapterModel::Schedule()
{
    const qint64 next = NextWake();
    if (next == m_armedFor)
        return;
    m_armedFor = next;
    ArmWakeup(next < 0 ? -1 : qMax<qint64>(1, next - m_clock.nsecsElapsed()));
}

void SerialAdapterModel::ArmWakeup(qint64 delayNs)
{
#ifdef Q_OS_LINUX
    if (m_timerFd >= 0) {
        itimerspec wake{};
        if (delayNs > 0) {
            wake.it_value.tv_sec = time_t(delayNs / 1'000'000'000);
            wake.it_value.tv_nsec = long(delayNs % 1'000'000'000);
        }
        timerfd_settime(m_timerFd, 0, &wake, nullptr); // a zero value disarms it
        return;
    }
#endif
    if (delayNs < 0) {
        m_timer.stop();
        return;
    }
    m_timer.start(int((delayNs + 999'999) / 1'000'000));
}
