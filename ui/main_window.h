#pragma once

#include <QHash>
#include <QMainWindow>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "data/decoder.h"
#include "data/measurement_data.h"
#include "data/measurement_summary.h"
#include "data/overlay.h"
#include "data/reference_level.h"
#include "window_state.h"

class QAction;
class QActionGroup;
class QCheckBox;
class QComboBox;
class QDockWidget;
class QLabel;
class QLineEdit;
class QMenu;
class QMessageBox;
class QPrinter;
class QProgressBar;
class QPushButton;
class QToolButton;
class QTimer;

namespace kelmor {

class Clock;
class DesktopDialogs;
class EmptyState;
class ExchangeRunner;
class FtDriver;
class InstrumentSession;
class ChartSink;
class KelmorChart;
class AboutBox;
class TriggerLevelDialog;
class SummaryPanel;
class UserGuideWindow;

struct WindowSetup {
    FtDriver* driver = nullptr;         // real USB or the simulated Kelmor
    Clock* clock = nullptr;             // none: the system's
    DesktopDialogs* dialogs = nullptr;  // none: ordinary modal dialogs
    QString workingFolder;              // where the temporary files go; none: the current one
};

// The main window. Its commands are handlers named for what they do; they take the sending control
// and run to their end on the user-interface thread. The controls are public so that tests can
// drive the window as a user does.
class MainWindow : public QMainWindow {
    Q_OBJECT

  public:
    explicit MainWindow(const WindowSetup& setup, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Start-up and activation.
    void StartUp(QObject* sender);
    void Reactivate(QObject* sender);
    void Discover();
    void WatchConnection(QObject* sender);

    // Main menu and tool bar.
    void OpenFile(QObject* sender);
    void Save(QObject* sender);
    void Print(QObject* sender);
    void Exit(QObject* sender);
    void ShowAboutBox(QObject* sender);
    void ShowUserGuide(QObject* sender);

    // Instrument.
    void ReadOut(QObject* sender);
    void SetInstrumentClock(QObject* sender);
    void EraseInstrument(QObject* sender);
    void ChooseTriggerLevel(QObject* sender);

    // Views.
    void ChooseMeasurement(QObject* sender);
    void ChooseMeanInterval(QObject* sender);
    void DrawPulseDistribution(int m);
    void ShowPulseDistribution(QObject* sender);
    void ShowPulseDistributionAndMean(QObject* sender);
    void ShowPulseDistributionMeanAndMeanError(QObject* sender);
    void ShowMeanAndMeanError(QObject* sender);
    void ShowMean(QObject* sender);
    void ToggleTemperature(QObject* sender);
    void ToggleHumidity(QObject* sender);
    void TogglePressure(QObject* sender);
    void WriteFootLine(QObject* sender);
    void EditTitle(QObject* sender);
    void TakeTitle(QObject* sender);

    // The radon assessment.
    void ToggleSummary(QObject* sender);
    // `sender`: noReferenceAction_, one of referencePresetActions_ or typedReferenceAction_.
    void ChooseReferenceLevel(QObject* sender);
    void SaveRadonReport(QObject* sender);

    // Opens a data file as Open does, without the dialog (a file handed to the program).
    bool OpenDataFile(const QString& path);

    QString PanelText(int panel) const;
    QPrinter& Printer();
    MeasurementData& Data() { return *data_; }
    const QString& LastFileName() const { return lastFileName_; }
    int ChosenFormat() const { return chosenFormat_; }
    const WindowState& State() const { return state_; }
    bool ExchangeRunning() const { return state_.exchangeRunning; }

    // The menus.
    QMenu* mainMenu_ = nullptr;
    QAction* openAction_ = nullptr;
    QAction* saveAction_ = nullptr;
    QAction* printAction_ = nullptr;
    QAction* exitAction_ = nullptr;
    QMenu* viewMenu_ = nullptr;
    QAction* pulseDistributionAction_ = nullptr;
    QAction* pulseDistributionAndMeanAction_ = nullptr;
    QAction* pulseDistributionMeanAndMeanErrorAction_ = nullptr;
    QAction* meanAndMeanErrorAction_ = nullptr;
    QAction* meanAction_ = nullptr;
    QAction* temperatureAction_ = nullptr;
    QAction* humidityAction_ = nullptr;
    QAction* pressureAction_ = nullptr;
    QMenu* assessmentMenu_ = nullptr;
    QAction* summaryAction_ = nullptr;
    QMenu* referenceLevelMenu_ = nullptr;
    QAction* noReferenceAction_ = nullptr;
    std::array<QAction*, kReferenceLevelPresetCount> referencePresetActions_{};
    QAction* typedReferenceAction_ = nullptr;
    QAction* saveReportAction_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QAction* userGuideAction_ = nullptr;
    QAction* aboutAction_ = nullptr;

    // The tool bar.
    QToolButton* openButton_ = nullptr;
    QToolButton* saveButton_ = nullptr;
    QToolButton* printButton_ = nullptr;
    QToolButton* readOutButton_ = nullptr;
    QToolButton* triggerLevelButton_ = nullptr;
    QToolButton* clockButton_ = nullptr;
    QToolButton* eraseButton_ = nullptr;
    QLabel* measurementLabel_ = nullptr;
    QComboBox* measurementList_ = nullptr;
    QLabel* meanIntervalLabel_ = nullptr;
    QComboBox* meanIntervalList_ = nullptr;

    // The summary of what the chart shows, in a panel beside it.
    QDockWidget* summaryDock_ = nullptr;
    SummaryPanel* summaryPanel_ = nullptr;

    // The chart, its title editor and the status bar.
    KelmorChart* chart_ = nullptr;
    QLineEdit* titleEditor_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    QTimer* discoveryTimer_ = nullptr;

    // Check boxes of the window that are never shown.
    QCheckBox* meanErrorCheckBox_ = nullptr;
    QCheckBox* pulseErrorCheckBox_ = nullptr;

    // The program's dialogs, created at start-up: the About box, the trigger-level dialog
    // and the user guide.
    AboutBox* aboutBox_ = nullptr;
    TriggerLevelDialog* triggerDialog_ = nullptr;
    UserGuideWindow* userGuide_ = nullptr;

    // The view state: the measurement on show, as a list index.
    quint8 currentMeasurement_ = 0;

  protected:
    // Hints are tool tips only: a status tip would cover the two panels of the status bar.
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // The window stays open while an exchange has the port.
    void closeEvent(QCloseEvent* event) override;

  private:
    class ExchangeScope;
    class ChartRedraw;

    void BuildMenus();
    void BuildToolBar();
    void BuildChart();
    void BuildStatusBar();
    void BuildAssessment();

    // Derives the enabled, checked and visible state of every control from `state_`.
    void ApplyWindowState();

    // Runs one of the program's own modal windows; when it closes the main window is
    // active again.
    int RunOwnModal(QDialog& dialog);
    int ShowMessage(QMessageBox& box);
    void ShowError(const QString& text);
    void SetPanelText(int panel, const QString& text);
    void SetCaptionFromPath(const QString& path);

    // Applies a decode to the window: the changes before it, the decode itself, the
    // temporary files and the changes after it.
    void DecodeLoaded(const std::uint8_t* imageBytes, Model model);
    void WriteTemporaryFiles(bool withMemo);
    QString WorkingFile(const QString& name) const;

    void ClearViewSeries();
    void ShowView(ChartView view);
    void SelectDefaultInterval(int item);
    void RunCheckedView();
    void PulseDistErrorChanged(bool checked);
    void TriggerSet(int level, bool flash);
    // Runs an instrument command on a worker thread while the window waits for it,
    // repainting; only Cancel acts meanwhile, when `cancellable`.
    void RunExchange(const std::function<void()>& command, bool cancellable);
    std::optional<double> ChosenReferenceLevel() const;
    // The measurement (and the zoom) the chart shows; none while it shows none.
    std::optional<SummaryScope> ShownScope() const;
    // The summary panel follows what the chart shows, while it is open.
    void ShowAssessment();
    void DrawReferenceLevel();

    std::unique_ptr<MeasurementData> data_;
    std::unique_ptr<ImageBuffer> staging_;
    std::unique_ptr<Clock> ownClock_;
    std::unique_ptr<DesktopDialogs> ownDialogs_;
    Clock* clock_ = nullptr;
    DesktopDialogs* dialogs_ = nullptr;
    std::unique_ptr<InstrumentSession> instrument_;
    std::unique_ptr<ChartSink> chartSink_;
    std::unique_ptr<QPrinter> printer_;
    QString workingFolder_;

    QActionGroup* views_ = nullptr;
    EmptyState* emptyState_ = nullptr;
    QHash<QToolButton*, QAction*> buttonActions_;  // a tool button shows and hides by its action
    QLabel* panel0_ = nullptr;
    QLabel* panel1_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* cancel_ = nullptr;
    std::unique_ptr<ExchangeRunner> runner_;

    WindowState state_;
    QString lastFileName_;
    QString lastReportName_;
    QString imageSource_;  // the data file's name, or when the Kelmor was read out
    SummaryWorkspace reportWorkspace_;
    int summaryRoom_ = 0;  // pixels the window grew by for the summary panel
    int chosenFormat_ = 0;
    bool shown_ = false;
    int redrawDepth_ = 0;
};

}  // namespace kelmor
