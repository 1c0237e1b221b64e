#include "core/link/EventWait.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

bool WaitForCondition(const std::function<bool()>& done, int timeoutMs)
{
    if (done())
        return true;
    const QDeadlineTimer deadline(timeoutMs, Qt::PreciseTimer);
    // The loop sleeps until an event arrives; a single-shot timer at the deadline guarantees that
    // WaitForMoreEvents wakes up when the time is over, without waking on a fixed tick meanwhile.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    while (!done()) {
        const qint64 remaining = deadline.remainingTime();
        if (remaining <= 0)
            return done();
        if (!wake.isActive())
            wake.start(int(remaining));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}
