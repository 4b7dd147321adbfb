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
class TAbout;
class TTrigger;
class SummaryPanel;
class TUserGuide;

struct WindowSetup {
    FtDriver* driver = nullptr;         // real USB or the simulated Kelmor
    Clock* clock = nullptr;             // none: the system's
    DesktopDialogs* dialogs = nullptr;  // none: ordinary modal dialogs
    QString workingFolder;              // where the temporary files go; none: the current one
};

// The main window. Its commands are handlers named after their control and event, as in
// the window's definition; they take the sending control and run to their end on the
// user-interface thread. The controls are public under their names so that tests can
// drive the window as a user does.
class TForm1 : public QMainWindow {
    Q_OBJECT

  public:
    explicit TForm1(const WindowSetup& setup, QWidget* parent = nullptr);
    ~TForm1() override;

    // Start-up and activation.
    void FormCreate(QObject* sender);
    void FormActivate(QObject* sender);
    void Discover();
    void Timer2Timer(QObject* sender);

    // Main menu and tool bar.
    void Open1Click(QObject* sender);
    void Save1Click(QObject* sender);
    void Print1Click(QObject* sender);
    void Exit1Click(QObject* sender);
    void About1Click(QObject* sender);
    void UserGuide1Click(QObject* sender);

    // Instrument.
    void Dump_BtnClick(QObject* sender);
    void SpeedButton3Click(QObject* sender);
    void ERASE_BTNClick(QObject* sender);
    void Level_buttonClick(QObject* sender);

    // Views.
    void ComboBox3Change(QObject* sender);
    void ComboBox2Change(QObject* sender);
    void DrawPulseDistribution(int m);
    void PulseDistribution1Click(QObject* sender);
    void PulseDistributionandMean1Click(QObject* sender);
    void PulseDistributionMeanandmeanError1Click(QObject* sender);
    void MeanandmeanError1Click(QObject* sender);
    void Mean1Click(QObject* sender);
    void TemperatureClick(QObject* sender);
    void HumidityClick(QObject* sender);
    void PressureClick(QObject* sender);
    void Meanonchart1Click(QObject* sender);
    void Chart1DblClick(QObject* sender);
    void titleClick(QObject* sender);

    // The radon assessment.
    void Summary1Click(QObject* sender);
    // `sender`: NoReference1, one of ReferencePresets or TypedReference1.
    void ReferenceLevelClick(QObject* sender);
    void SaveReport1Click(QObject* sender);

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
    QMenu* Main1 = nullptr;
    QAction* Open1 = nullptr;
    QAction* Save1 = nullptr;
    QAction* Print1 = nullptr;
    QAction* Exit1 = nullptr;
    QMenu* View1 = nullptr;
    QAction* PulseDistribution1 = nullptr;
    QAction* PulseDistributionandMean1 = nullptr;
    QAction* PulseDistributionMeanandmeanError1 = nullptr;
    QAction* MeanandmeanError1 = nullptr;
    QAction* Mean1 = nullptr;
    QAction* Temperature = nullptr;
    QAction* Humidity = nullptr;
    QAction* Pressure = nullptr;
    QMenu* Assessment1 = nullptr;
    QAction* Summary1 = nullptr;
    QMenu* ReferenceLevel1 = nullptr;
    QAction* NoReference1 = nullptr;
    std::array<QAction*, kReferenceLevelPresetCount> ReferencePresets{};
    QAction* TypedReference1 = nullptr;
    QAction* SaveReport1 = nullptr;
    QMenu* Help1 = nullptr;
    QAction* UserGuide1 = nullptr;
    QAction* About1 = nullptr;

    // The tool bar.
    QToolButton* Open_SB = nullptr;
    QToolButton* Save_SB = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QToolButton* SpeedButton7 = nullptr;
    QToolButton* Level_button = nullptr;
    QToolButton* SpeedButton3 = nullptr;
    QToolButton* ERASE_BTN = nullptr;
    QLabel* Label3 = nullptr;
    QComboBox* ComboBox3 = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* ComboBox2 = nullptr;

    // The summary of what the chart shows, in a panel beside it.
    QDockWidget* SummaryDock = nullptr;
    SummaryPanel* Summary = nullptr;

    // The chart, its title editor and the status bar.
    KelmorChart* Chart1 = nullptr;
    QLineEdit* title = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QTimer* Timer2 = nullptr;

    // Check boxes of the window that are never shown.
    QCheckBox* MeanError_CheckBox = nullptr;
    QCheckBox* PulseDistError_CheckBox = nullptr;

    // The program's dialogs, created at start-up: the About box, the trigger-level dialog
    // and the user guide.
    TAbout* About = nullptr;
    TTrigger* Trigger = nullptr;
    TUserGuide* Guide = nullptr;

    // The view state: the measurement on show, as a list index.
    quint8 CurrentMeasurement = 0;

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
