// The connection watch and the instrument commands of the window.
#include <QApplication>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>

#include "exchange_runner.h"
#include "instrument/clock_sync.h"
#include "instrument/erase_command.h"
#include "instrument/memory_readout.h"
#include "instrument/transfer_estimate.h"
#include "instrument/trigger_level.h"
#include "instrument_session.h"
#include "link/clock.h"
#include "link/ft_driver.h"
#include "main_window.h"
#include "ui/dialogs/trigger_level_dialog.h"

namespace kelmor {

namespace {

// The words of an exchange that did not end as planned, for status-bar panel 1.
QString StatusText(const CommandOutcome& outcome) {
    if (!outcome.opened) {
        switch (outcome.status) {
            case CommandStatus::NoAccess:
                return QStringLiteral("Kelmor not accessible: see the udev rule");
            case CommandStatus::InUse:
                return QStringLiteral("Kelmor is used by another program");
            default:
                return QStringLiteral("Kelmor could not be opened");
        }
    }
    switch (outcome.status) {
        case CommandStatus::Protocol:
            return QStringLiteral("Kelmor model not recognised");
        case CommandStatus::Timeout:
        case CommandStatus::Io:
        case CommandStatus::NoDevice:
            return QStringLiteral("Kelmor not responding");
        case CommandStatus::Cancelled:
        case CommandStatus::NoAccess:
        case CommandStatus::InUse:
        case CommandStatus::Refused:
        case CommandStatus::Ok:
            break;
    }
    return QString();
}

}  // namespace

// While an instrument exchange runs: the busy cursor, the window's state (only Cancel
// acts), and no discovery pass.
class MainWindow::ExchangeScope {
  public:
    explicit ExchangeScope(MainWindow& window) : window_(window) {
        window_.state_.exchangeRunning = true;
        window_.ApplyWindowState();
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~ExchangeScope() {
        QApplication::restoreOverrideCursor();
        window_.progress_->hide();
        window_.cancelExchangeButton_->hide();
        window_.state_.exchangeRunning = false;
        window_.ApplyWindowState();
    }
    ExchangeScope(const ExchangeScope&) = delete;
    ExchangeScope& operator=(const ExchangeScope&) = delete;

  private:
    MainWindow& window_;
};

void MainWindow::RunExchange(const std::function<void()>& command, bool cancellable) {
    const ExchangeScope scope(*this);
    instrument_->Cancel().Reset();
    cancelExchangeButton_->setVisible(cancellable);
    if (cancellable) {
        runner_->Run(command, cancelExchangeButton_, [this] { instrument_->Cancel().Raise(); });
    } else {
        runner_->Run(command);
    }
}

void MainWindow::Discover() {
    SetPanelText(0, QString());
    const bool attached = instrument_->Discover();
    state_.instrumentAttached = attached;
    if (attached) {
        SetPanelText(0, QStringLiteral("Kelmor Attached"));
        state_.readOutArmed = true;
    } else {
        if (instrument_->Driver().LastListingLackedPermission()) {
            SetPanelText(0, QStringLiteral("USB device not accessible: see the udev rule"));
        }
        state_.readOutArmed = false;
        state_.levelArmed = false;
    }
    ApplyWindowState();
}

void MainWindow::WatchConnection() {
    // The watch never looks at the port while an exchange has it open.
    if (!state_.exchangeRunning) {
        Discover();
    }
    // Every minute, what other PCs stored in a shared archive appears, and read-outs kept
    // while it could not be reached are stored.
    if (!state_.exchangeRunning && clock_->LocalNow() >= nextArchiveRefresh_) {
        RefreshArchive();
    }
}

void MainWindow::SetInstrumentClock() {
    if (state_.exchangeRunning) {
        return;
    }
    const QDateTime atClick = clock_->LocalNow();
    QMessageBox box(
        QMessageBox::Question, QStringLiteral("Confirm"),
        QStringLiteral("The Kelmor clock will be syncronized with the clock in your PC!"),
        QMessageBox::Ok | QMessageBox::Cancel, this);
    if (ShowMessage(box) != QMessageBox::Ok) {
        return;
    }
    CommandOutcome outcome;
    RunExchange(
        [&] {
            outcome = SynchroniseClock(instrument_->Link(), instrument_->Attached(),
                                       instrument_->Identity(), atClick);
        },
        false);
    SetPanelText(1, outcome.status == CommandStatus::Ok ? QStringLiteral("Clock updated")
                                                        : StatusText(outcome));
}

void MainWindow::EraseInstrument() {
    if (state_.exchangeRunning) {
        return;
    }
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Confirm"),
                    QStringLiteral("The measurements in the Kelmor will be erased! If you have "
                                   "not saved them, you will lose them!"),
                    QMessageBox::Ok | QMessageBox::Cancel, this);
    if (ShowMessage(box) != QMessageBox::Ok) {
        return;
    }
    EraseOutcome outcome;
    RunExchange(
        [&] {
            outcome = EraseMemory(instrument_->Link(), instrument_->Attached(),
                                  instrument_->Identity(), [this] {
                                      runner_->Post([this] {
                                          SetPanelText(1, QStringLiteral("Erasing Kelmor"));
                                          // The erase tells no progress: a busy indicator.
                                          progress_->setToolTip(QString());
                                          progress_->setRange(0, 0);
                                          progress_->show();
                                      });
                                  });
        },
        true);
    if (outcome.erased) {
        SetPanelText(1, QStringLiteral("Kelmor ERASED"));
    } else if (outcome.status == CommandStatus::Cancelled) {
        SetPanelText(1, QStringLiteral("Erase cancelled: the Kelmor may still erase its memory"));
    } else if (outcome.status != CommandStatus::Ok) {
        SetPanelText(1, StatusText(outcome));
    }
}

void MainWindow::ChooseTriggerLevel() {
    RunOwnModal(*triggerDialog_);
}

void MainWindow::SendTriggerLevel(int level, bool flash) {
    if (state_.exchangeRunning) {
        return;
    }
    const Extended factor = data_->Header.CalibrationFactor;
    TriggerOutcome outcome;
    RunExchange(
        [&] {
            outcome = SetTriggerLevel(instrument_->Link(), instrument_->Attached(),
                                      instrument_->Identity(), level, factor, flash);
        },
        false);
    switch (outcome.status) {
        case CommandStatus::Ok:
            SetPanelText(1, QStringLiteral("Trigger level set to %1 Bq/m3")
                                .arg(TruncToInt(outcome.levelCode * factor)));
            break;
        case CommandStatus::Refused:
            ShowError(QStringLiteral(
                "The trigger level was not set: the calibration factor of the measurements "
                "loaded is 0, so no level can be given to the Kelmor. Read out the Kelmor "
                "first."));
            break;
        default:
            SetPanelText(1, StatusText(outcome));
            break;
    }
}

void MainWindow::ReadOut() {
    if (state_.exchangeRunning) {
        return;
    }
    state_.readOutArmed = false;
    state_.replacingImage = true;
    ApplyWindowState();

    MemoryReadout& readout = instrument_->Readout();
    estimate_->Restart();
    ReadoutOutcome outcome;
    RunExchange(
        [&] {
            outcome = readout.Run(
                instrument_->Link(), instrument_->Attached(), instrument_->Identity(),
                [this] {
                    runner_->Post([this] {
                        SetPanelText(1, QStringLiteral("Transfering measurements"));
                        progress_->setRange(0, 1);
                        progress_->setValue(0);
                        progress_->setFormat(QString());
                        progress_->setToolTip(QString());
                        progress_->show();
                    });
                },
                [this](std::uint32_t received, std::uint32_t requested) {
                    estimate_->Report(received, requested);
                    runner_->ReportProgress(received, requested,
                                            estimate_->SecondsLeft().value_or(-1));
                });
        },
        true);
    if (outcome.status != CommandStatus::Ok || !outcome.model) {
        // Nothing that was loaded has changed.
        state_.replacingImage = false;
        SetPanelText(1, outcome.status == CommandStatus::Cancelled
                            ? QStringLiteral("Read-out cancelled")
                            : StatusText(outcome));
        // After a failed open the next discovery pass enables the button again.
        state_.readOutArmed = outcome.opened;
        ApplyWindowState();
        return;
    }
    state_.levelShown = true;
    state_.levelArmed = true;
    imageSource_ = QStringLiteral("Kelmor read-out, %1")
                       .arg(clock_->LocalNow().toString(QStringLiteral("yyyy-MM-dd hh:mm")));
    if (state_.showingArchive) {
        RestoreCaption();  // the window named the place it showed
    }
    const QStringList warnings = readout.WriteFiles(workingFolder_);
    DecodeLoaded(readout.StagedImage().data(), *outcome.model);
    SetPanelText(1, QString());
    state_.readOutArmed = true;
    ApplyWindowState();
    ArchiveReadOut(readout.StagedImage().data(), *outcome.model);
    if (!warnings.isEmpty()) {
        QMessageBox box(
            QMessageBox::Warning, windowTitle(),
            warnings.join(QLatin1Char('\n')) +
                QStringLiteral("\nThe measurements were read out and are shown all the same."),
            QMessageBox::Ok, this);
        ShowMessage(box);
    }
}

void MainWindow::ShowProgress(quint32 received, quint32 requested, int secondsLeft) {
    progress_->setRange(0, static_cast<int>(requested));
    progress_->setValue(static_cast<int>(received));
    // The time left is what a person plans by; the bytes stay at hand in the tool tip.
    const QString bytes = ByteCountText(received, requested);
    progress_->setFormat(secondsLeft >= 0 ? TimeLeftText(secondsLeft) : bytes);
    progress_->setToolTip(bytes);
}

}  // namespace kelmor
