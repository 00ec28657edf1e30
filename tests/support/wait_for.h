#pragma once

// Waiting for a condition with the event loop running, for tests and
// benchmarks that drive threads or timers.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <functional>

// True once `done` holds; false after `ms` milliseconds without it.
inline bool WaitFor(const std::function<bool()> &done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}
