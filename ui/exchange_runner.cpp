#include "exchange_runner.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QTimer>
#include <thread>

namespace kelmor {

namespace {

constexpr int kProgressIntervalMs = 100;

bool IsUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::TabletMove:
        case QEvent::Drop:
            return true;
        default:
            return false;
    }
}

bool IsMouse(QEvent::Type type) {
    return type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
           type == QEvent::MouseButtonDblClick || type == QEvent::MouseMove;
}

}  // namespace

ExchangeRunner::ExchangeRunner(QObject* parent) : QObject(parent) {
    progressTimer_ = new QTimer(this);
    progressTimer_->setInterval(kProgressIntervalMs);
    connect(progressTimer_, &QTimer::timeout, this, &ExchangeRunner::EmitProgress);
}

ExchangeRunner::~ExchangeRunner() = default;

void ExchangeRunner::Run(const std::function<void()>& command, QAbstractButton* cancelButton,
                         const std::function<void()>& cancel) {
    running_ = true;
    cancelButton_ = cancelButton;
    cancel_ = cancel;
    received_ = 0;
    requested_ = 0;
    secondsLeft_ = -1;
    reportedReceived_ = 0;
    reportedRequested_ = 0;
    qApp->installEventFilter(this);
    QMetaObject::Connection clicked;
    if (cancelButton && cancel) {
        clicked = connect(cancelButton, &QAbstractButton::clicked, this, [this] { cancel_(); });
    }
    progressTimer_->start();

    QEventLoop loop;
    std::thread worker([this, &command, &loop] {
        command();
        // Queued behind every step the command posted, so those run first.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();

    progressTimer_->stop();
    EmitProgress();
    // Input that arrived up to the end is discarded too, not left for after.
    QCoreApplication::processEvents();
    qApp->removeEventFilter(this);
    disconnect(clicked);
    cancel_ = nullptr;
    cancelButton_ = nullptr;
    running_ = false;
}

void ExchangeRunner::ReportProgress(std::uint32_t received, std::uint32_t requested,
                                    int secondsLeft) {
    secondsLeft_.store(secondsLeft, std::memory_order_relaxed);
    requested_.store(requested, std::memory_order_relaxed);
    received_.store(received, std::memory_order_relaxed);
}

void ExchangeRunner::Post(const std::function<void()>& step) {
    QMetaObject::invokeMethod(this, step, Qt::QueuedConnection);
}

void ExchangeRunner::EmitProgress() {
    const std::uint32_t received = received_.load(std::memory_order_relaxed);
    const std::uint32_t requested = requested_.load(std::memory_order_relaxed);
    if (requested == 0 || (received == reportedReceived_ && requested == reportedRequested_)) {
        return;
    }
    reportedReceived_ = received;
    reportedRequested_ = requested;
    emit progressed(received, requested, secondsLeft_.load(std::memory_order_relaxed));
}

bool ExchangeRunner::eventFilter(QObject* watched, QEvent* event) {
    // Input reaches a window first and is passed on to its widgets: it is judged there.
    if (!running_ || !watched->isWidgetType() || !IsUserInput(event->type())) {
        return false;
    }
    if (cancel_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        cancel_();
        return true;
    }

    if (cancel_ && cancelButton_ && watched == cancelButton_ && IsMouse(event->type())) {
        return false;
    }
    // Taken as the focus widget's own, a key can trigger no shortcut.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
    }
    return true;
}

}  // namespace kelmor
