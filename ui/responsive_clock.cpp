#include "responsive_clock.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace kelmor {

std::int64_t ResponsiveClock::MonotonicMs() {
    static QElapsedTimer sinceStart = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return sinceStart.elapsed();
}

void ResponsiveClock::Sleep(int ms) {
    if (ms <= 0) {
        QEventLoop loop;
        loop.processEvents(QEventLoop::ExcludeUserInputEvents);
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

QDateTime ResponsiveClock::LocalNow() {
    return QDateTime::currentDateTime();
}

}  // namespace kelmor
