#include "responsive_clock.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>

#include "link/cancellation.h"

namespace kelmor {

namespace {

constexpr int kCancelLookMs = 10;

void RunEvents(int ms) {
    QEventLoop loop;
    if (ms <= 0) {
        loop.processEvents(QEventLoop::ExcludeUserInputEvents);
        return;
    }
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace

std::int64_t ResponsiveClock::MonotonicMs() {
    static QElapsedTimer sinceStart = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return sinceStart.elapsed();
}

bool ResponsiveClock::Sleep(int ms, const Cancellation* cancel) {
    const std::int64_t end = MonotonicMs() + std::max(ms, 0);
    do {
        if (cancel && cancel->Raised()) {
            return false;
        }
        RunEvents(static_cast<int>(std::min<std::int64_t>(end - MonotonicMs(), kCancelLookMs)));
    } while (MonotonicMs() < end);
    return true;
}

void ResponsiveClock::PollWait(int ms) {
    RunEvents(ms);
}

QDateTime ResponsiveClock::LocalNow() {
    return QDateTime::currentDateTime();
}

}  // namespace kelmor
