#pragma once

#include <QObject>
#include <QPointer>
#include <atomic>
#include <cstdint>
#include <functional>

class QAbstractButton;
class QTimer;

namespace kelmor {

// Runs one instrument command on a worker thread and waits for its end in an event loop
// of the user-interface thread. The worker keeps collecting what the instrument sends
// however long the window takes to paint (the USB bridge holds 256 bytes, a quarter of a
// second at 9600 baud, and has no flow control), and the window keeps repainting however
// long the instrument takes.
//
// While the command runs, the user's input is discarded as it arrives, so that nothing is
// replayed when the command ends: only a click on the Cancel button and Escape act, when
// the command can be cancelled. Everything else (timers, repaints, the window manager's
// close request) goes on as usual.
class ExchangeRunner : public QObject {
    Q_OBJECT

  public:
    explicit ExchangeRunner(QObject* parent = nullptr);
    ~ExchangeRunner() override;

    // Runs `command` on a worker thread and returns once it has ended. With a `cancel`,
    // Escape and a click on `cancelButton` call it (on this thread).
    void Run(const std::function<void()>& command, QAbstractButton* cancelButton = nullptr,
             const std::function<void()>& cancel = {});
    bool Running() const { return running_; }

    // For the command, on the worker thread: the bytes received so far of those asked for,
    // and the whole seconds the rest will take (negative while not known). The window hears
    // of them through progressed() at most every 100 ms.
    void ReportProgress(std::uint32_t received, std::uint32_t requested, int secondsLeft = -1);
    // For the command, on the worker thread: runs `step` on the user-interface thread, in
    // the order posted and before Run returns.
    void Post(const std::function<void()>& step);

  signals:
    void progressed(quint32 received, quint32 requested, int secondsLeft);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void EmitProgress();

    bool running_ = false;
    QPointer<QAbstractButton> cancelButton_;
    std::function<void()> cancel_;
    QTimer* progressTimer_ = nullptr;
    std::atomic<std::uint32_t> received_{0};
    std::atomic<std::uint32_t> requested_{0};
    std::atomic<int> secondsLeft_{-1};
    std::uint32_t reportedReceived_ = 0;
    std::uint32_t reportedRequested_ = 0;
};

}  // namespace kelmor
