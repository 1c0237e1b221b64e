#include "link/EventWait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

bool WaitForCondition(const std::function<bool()>& done, int timeoutMs)
{
    if (done())
        return true;
    QElapsedTimer clock;
    clock.start();
    // A ticking timer guarantees that WaitForMoreEvents wakes up to look at the clock.
    QTimer tick;
    tick.setInterval(2);
    tick.start();
    while (!done()) {
        if (clock.elapsed() >= timeoutMs)
            return done();
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}
