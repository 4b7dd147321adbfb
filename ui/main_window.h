#pragma once

// How the window works.
//
// - Every command changes `state_` (a WindowState) and calls ApplyWindowState(), the one
//   function that sets what every control shows: enabled, checked, visible. No handler
//   sets a control's state of its own.
// - The signals of the controls are connected to the handlers in one place,
//   ConnectSignals(); the tool buttons, the menus and the keyboard reach the same handlers.
// - Instrument commands run on a worker thread through ExchangeRunner (RunExchange), while
//   the window keeps repainting and only Cancel and Escape act; progress comes back as
//   ExchangeRunner::progressed.
// - The decoders and the views draw into the chart through a ChartSink, which knows
//   nothing of widgets beyond the chart.
// - A handler that changes the chart opens a ChartRedraw; handlers call one another, and
//   only the outermost one repaints, once, and brings the summary panel up to date.

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
class QToolBar;
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
class Archive;
class ArchivePanel;
class LocationSetting;
class PendingReadouts;
struct ArchiveSource;
class SurveyCommands;
class YearView;
struct LoadedSamples;
struct RunKey;
class TriggerLevelDialog;
class SummaryPanel;
class TransferEstimate;
class UserGuideWindow;

struct WindowSetup {
    FtDriver* driver = nullptr;         // real USB or the simulated Kelmor
    Clock* clock = nullptr;             // none: the system's
    DesktopDialogs* dialogs = nullptr;  // none: ordinary modal dialogs
    QString workingFolder;              // where the temporary files go; none: the current one
    QString archivePath;                // the radon archive; none: the window keeps none
    QString settingsFile;   // where a location chosen for the archive is kept; none: not kept
    QString pendingFolder;  // read-outs the archive could not take yet; none: not kept
};

// The main window: the tool bar, the menus, the chart with its foot line, the summary panel
// and the status bar. Its controls carry their role as objectName (`readOutButton`,
// `measurementList`, `chart`, ...), which is how tests and accessibility tools find them.
class MainWindow : public QMainWindow {
    Q_OBJECT

  public:
    explicit MainWindow(const WindowSetup& setup, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Opens a data file as Open does, without the dialog (a file handed to the program).
    bool OpenDataFile(const QString& path);
    // Chooses an entry of the measurement list, as picking it from the list does.
    void ChooseMeasurement(int listIndex);
    // One pass of the connection watch, which its timer makes every second.
    void WatchConnection();

    const WindowState& State() const { return state_; }
    bool ExchangeRunning() const { return state_.exchangeRunning; }
    // The two panels of the status bar: 0 the instrument, 1 what the last command did.
    QString PanelText(int panel) const;
    // The measurements loaded, as the chart, the export and the summary use them.
    MeasurementData& Data() { return *data_; }
    // The printer of the run, which keeps the user's last choices.
    QPrinter& Printer();
    const QString& LastFileName() const { return lastFileName_; }
    int ChosenFormat() const { return chosenFormat_; }

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
    void BuildInstrumentMenu();
    void BuildToolBar();
    void BuildChart();
    void BuildStatusBar();
    void BuildAssessment();
    void NameForScreenReaders();
    void ConnectSignals();

    // Derives the enabled, checked and visible state of every control from `state_`.
    void ApplyWindowState();

    // Start-up, and the window active again after one of its own modal windows.
    void StartUp();
    void Reactivate();
    void Discover();

    // Main menu and tool bar.
    void OpenFile();
    void Save();
    void Print();
    void ShowAboutBox();
    void ShowUserGuide();

    // The radon archive.
    void BuildArchive();
    void OpenArchive(const QString& path);
    // Stores the image just read out; a failure is said, and the read-out stays loaded.
    void ArchiveReadOut(const std::uint8_t* imageBytes, Model model);
    void AddOpenedFileToArchive();
    void ToggleArchivePanel();
    void ShowArchivedPlace(const QString& place);
    void ShowArchivedRun(const RunKey& run);
    // Applies samples the archive loaded into the measurement state, as a decode is applied;
    // `place` is none for a run.
    void ShowArchived(const LoadedSamples& loaded, const QString& source, const QString& place);
    void ShowYearView();
    void ShowYearViewOf(const QString& place);
    void ExportArchive();
    // The archive's location, its refresh and the read-outs kept until it takes them.
    void ChooseArchiveLocation();
    void RefreshArchive();
    // Keeps a read-out the archive did not take; the sentence that says so, or why not.
    QString KeepPending(const ArchiveSource& source);
    void StorePending();
    // The survey's items of the Archive menu: sites, deployments, instruments, site report.
    void BuildSurveyMenu();
    // The survey's commands follow what is chosen in the Archive panel.
    void FollowArchiveChoice();

    // The instrument.
    void ReadOut();
    void SetInstrumentClock();
    void EraseInstrument();
    void ChooseTriggerLevel();
    void SendTriggerLevel(int level, bool flash);
    void ShowProgress(quint32 received, quint32 requested, int secondsLeft);

    // The views.
    void ChooseMeanInterval();
    void DrawPulseDistribution(int m);
    void ShowPulseDistribution();
    void ShowPulseDistributionAndMean();
    void ShowPulseDistributionMeanAndMeanError();
    void ShowMeanAndMeanError();
    void ShowMean();
    void ToggleTemperature();
    void ToggleHumidity();
    void TogglePressure();
    void WriteFootLine();
    void EditTitle();
    void TakeTitle();

    // The radon assessment.
    void ToggleSummary();
    // Grows the window by a panel's `width` as it opens, where the screen has room, and
    // shrinks it by as much as it grew (`room`) when the panel closes.
    void MakeRoomForDock(QDockWidget* dock, bool shown, int width, int& room);
    // `item`: the "none" item, one of the presets or the typed level.
    void ChooseReferenceLevel(const QAction* item);
    void SaveRadonReport();

    // Runs one of the program's own modal windows; when it closes the main window is
    // active again.
    int RunOwnModal(QDialog& dialog);
    int ShowMessage(QMessageBox& box);
    void ShowError(const QString& text);
    void SetPanelText(int panel, const QString& text);
    void SetCaptionFromPath(const QString& path);
    void RestoreCaption();

    // Applies a decode to the window: the changes before it, the decode itself, the
    // temporary files and the changes after it.
    void DecodeLoaded(const std::uint8_t* imageBytes, Model model);
    // What a decode and an archive load share: before, the list emptied and the choice
    // forgotten; after, the list of what was loaded and the first view.
    void ForgetMeasurements(Model model);
    void ListMeasurements(const DecodeOutcome& outcome);
    void WriteTemporaryFiles(bool withMemo);
    QString WorkingFile(const QString& name) const;

    void ClearViewSeries();
    void ShowView(ChartView view);
    void SelectDefaultInterval(int item);
    void RunCheckedView();
    void PulseDistErrorChanged(bool checked);
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
    std::unique_ptr<ExchangeRunner> runner_;
    std::unique_ptr<TransferEstimate> estimate_;  // fed on the worker thread of a read-out
    std::unique_ptr<Archive> archive_;            // none when it could not be opened
    QString archivePath_;                         // none: the window keeps no archive
    QString archiveProblem_;                      // why there is none
    std::unique_ptr<LocationSetting> locationSetting_;
    std::unique_ptr<PendingReadouts> pending_;  // none: read-outs are not kept
    QDateTime nextArchiveRefresh_;              // the watch refreshes the archive then
    QByteArray openedImage_;                    // the data file loaded, for Add to archive
    QString openedPath_;
    QString shownPlace_;  // the place loaded from the archive
    QString workingFolder_;

    // The menus.
    QMenu* mainMenu_ = nullptr;
    QAction* openAction_ = nullptr;
    QAction* saveAction_ = nullptr;
    QAction* printAction_ = nullptr;
    QAction* addToArchiveAction_ = nullptr;
    QAction* exitAction_ = nullptr;
    QMenu* instrumentMenu_ = nullptr;
    QAction* readOutAction_ = nullptr;
    QAction* clockAction_ = nullptr;
    QAction* eraseAction_ = nullptr;
    QAction* triggerLevelAction_ = nullptr;
    QMenu* viewMenu_ = nullptr;
    QActionGroup* views_ = nullptr;
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
    QMenu* archiveMenu_ = nullptr;
    QAction* archivePanelAction_ = nullptr;
    QAction* yearViewAction_ = nullptr;
    QAction* exportArchiveAction_ = nullptr;
    QAction* archiveLocationAction_ = nullptr;
    QAction* refreshArchiveAction_ = nullptr;
    QAction* newSiteAction_ = nullptr;
    QAction* editSiteAction_ = nullptr;
    QAction* removeSiteAction_ = nullptr;
    QAction* putInSiteAction_ = nullptr;
    QAction* deploymentAction_ = nullptr;
    QAction* instrumentsAction_ = nullptr;
    QAction* siteReportAction_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QAction* userGuideAction_ = nullptr;
    QAction* aboutAction_ = nullptr;

    // The tool bar. A tool button in a tool bar shows and hides by the action it sits in.
    QToolBar* toolBar_ = nullptr;
    QToolButton* openButton_ = nullptr;
    QToolButton* saveButton_ = nullptr;
    QToolButton* printButton_ = nullptr;
    QToolButton* readOutButton_ = nullptr;
    QToolButton* triggerLevelButton_ = nullptr;
    QAction* triggerLevelButtonSlot_ = nullptr;
    QToolButton* clockButton_ = nullptr;
    QToolButton* eraseButton_ = nullptr;
    QLabel* measurementLabel_ = nullptr;
    QComboBox* measurementList_ = nullptr;
    QLabel* meanIntervalLabel_ = nullptr;
    QComboBox* meanIntervalList_ = nullptr;

    // The chart, what is shown in its place while there is none, its title editor, the
    // summary panel beside it.
    KelmorChart* chart_ = nullptr;
    EmptyState* emptyState_ = nullptr;
    QLineEdit* titleEditor_ = nullptr;
    QDockWidget* summaryDock_ = nullptr;
    SummaryPanel* summaryPanel_ = nullptr;
    QDockWidget* archiveDock_ = nullptr;
    ArchivePanel* archivePanel_ = nullptr;
    SurveyCommands* survey_ = nullptr;
    QDialog* yearViewWindow_ = nullptr;
    YearView* yearView_ = nullptr;

    // The status bar: the instrument, the last command, the progress of an exchange.
    QLabel* instrumentPanel_ = nullptr;
    QLabel* commandPanel_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* cancelExchangeButton_ = nullptr;
    QTimer* discoveryTimer_ = nullptr;

    // Check boxes of the window that are never shown.
    QCheckBox* meanErrorCheckBox_ = nullptr;
    QCheckBox* pulseErrorCheckBox_ = nullptr;

    // The program's dialogs, created at start-up.
    AboutBox* aboutBox_ = nullptr;
    TriggerLevelDialog* triggerDialog_ = nullptr;
    UserGuideWindow* userGuide_ = nullptr;

    WindowState state_;
    quint8 currentMeasurement_ = 0;  // the list entry the views draw
    QString lastFileName_;
    QString lastReportName_;
    QString imageSource_;  // the data file's name, or when the Kelmor was read out
    SummaryWorkspace reportWorkspace_;
    int summaryRoom_ = 0;  // pixels the window grew by for the summary panel
    int archiveRoom_ = 0;  // and for the Archive panel
    int chosenFormat_ = 0;
    bool shown_ = false;
    int redrawDepth_ = 0;
};

}  // namespace kelmor
