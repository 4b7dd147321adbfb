#include "main_window.h"

#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "desktop_dialogs.h"
#include "empty_state.h"
#include "exchange_runner.h"
#include "instrument_session.h"
#include "link/clock.h"
#include "ui/chart/chart_sink.h"
#include "ui/chart/kelmor_chart.h"
#include "ui/dialogs/about_box.h"
#include "ui/dialogs/tool_icons.h"
#include "ui/dialogs/trigger_level_dialog.h"
#include "ui/help/user_guide_window.h"
#include "ui/summary/summary_panel.h"

namespace kelmor {

namespace {

const QString kCaption = QStringLiteral("Kelmor  Computer Interface Version 2.19");

// The window is silver. Disabled texts keep a contrast of more than 4:1 against it; the
// usual light grey would make a disabled menu title vanish.
QPalette WindowPalette(QPalette palette) {
    const QColor silver(192, 192, 192);
    const QColor disabledText(80, 80, 80);
    palette.setColor(QPalette::Window, silver);
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(QPalette::Disabled, role, disabledText);
    }
    return palette;
}

QFont PixelFont(int pixels) {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    return font;
}

}  // namespace

MainWindow::MainWindow(const WindowSetup& setup, QWidget* parent)
    : QMainWindow(parent),
      data_(std::make_unique<MeasurementData>()),
      staging_(std::make_unique<ImageBuffer>()),
      workingFolder_(setup.workingFolder.isEmpty() ? QDir::currentPath() : setup.workingFolder) {
    setObjectName(QStringLiteral("mainWindow"));
    if (setup.clock == nullptr) {
        ownClock_ = std::make_unique<SystemClock>();
    }
    clock_ = setup.clock ? setup.clock : ownClock_.get();
    if (setup.dialogs == nullptr) {
        ownDialogs_ = std::make_unique<DesktopDialogs>();
    }
    dialogs_ = setup.dialogs ? setup.dialogs : ownDialogs_.get();
    instrument_ = std::make_unique<InstrumentSession>(*setup.driver, *clock_);

    setWindowTitle(kCaption);
    setWindowIcon(ApplicationIcon());
    setFont(PixelFont(11));
    setPalette(WindowPalette(palette()));
    resize(757, 451);

    BuildMenus();
    BuildToolBar();
    BuildChart();
    BuildStatusBar();
    BuildAssessment();

    meanErrorCheckBox_ = new QCheckBox(this);
    meanErrorCheckBox_->setObjectName(QStringLiteral("meanErrorCheckBox"));
    meanErrorCheckBox_->hide();
    pulseErrorCheckBox_ = new QCheckBox(this);
    pulseErrorCheckBox_->setObjectName(QStringLiteral("pulseErrorCheckBox"));
    pulseErrorCheckBox_->hide();
    connect(pulseErrorCheckBox_, &QCheckBox::toggled, this, &MainWindow::PulseDistErrorChanged);

    discoveryTimer_ = new QTimer(this);
    discoveryTimer_->setObjectName(QStringLiteral("discoveryTimer"));
    discoveryTimer_->setInterval(1000);
    connect(discoveryTimer_, &QTimer::timeout, this, [this] { WatchConnection(discoveryTimer_); });

    StartUp(this);

    aboutBox_ = new AboutBox(this);
    userGuide_ = new UserGuideWindow(this);
    triggerDialog_ = new TriggerLevelDialog(this);
    triggerDialog_->SetHandler([this](int level, bool flash) { TriggerSet(level, flash); });

    discoveryTimer_->start();
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildMenus() {
    auto action = [this](QMenu* menu, const char* name, const QString& text,
                         const QKeySequence& shortcut, const QString& tip,
                         void (MainWindow::*handler)(QObject*)) {
        QAction* a = menu->addAction(text);
        a->setObjectName(QLatin1String(name));
        a->setShortcut(shortcut);
        if (!tip.isEmpty()) {
            a->setToolTip(tip);
        }
        connect(a, &QAction::triggered, this, [this, a, handler] { (this->*handler)(a); });
        return a;
    };

    mainMenu_ = menuBar()->addMenu(QStringLiteral("&Main"));
    mainMenu_->setObjectName(QStringLiteral("mainMenu"));
    openAction_ = action(mainMenu_, "openAction", QStringLiteral("Open"), QKeySequence::Open,
                         QStringLiteral("Load Saved Measurements"), &MainWindow::OpenFile);
    saveAction_ = action(mainMenu_, "saveAction", QStringLiteral("Save"), QKeySequence::Save,
                         QStringLiteral("Save Measurements"), &MainWindow::Save);
    printAction_ = action(mainMenu_, "printAction", QStringLiteral("Print"), QKeySequence::Print,
                          QStringLiteral("Print Graph"), &MainWindow::Print);
    mainMenu_->addSeparator();
    exitAction_ = action(mainMenu_, "exitAction", QStringLiteral("Exit"),
                         QKeySequence(Qt::CTRL | Qt::Key_Q), QString(), &MainWindow::Exit);

    viewMenu_ = menuBar()->addMenu(QStringLiteral("View"));
    viewMenu_->setObjectName(QStringLiteral("viewMenu"));
    views_ = new QActionGroup(this);
    views_->setExclusive(true);
    auto view = [&](const char* name, const QString& text, int key,
                    void (MainWindow::*handler)(QObject*)) {
        QAction* a = action(viewMenu_, name, text, QKeySequence(Qt::CTRL | Qt::Key(key)), QString(),
                            handler);
        a->setCheckable(true);
        views_->addAction(a);
        return a;
    };
    pulseDistributionAction_ = view("pulseDistributionAction", QStringLiteral("Pulse Distribution"),
                                    Qt::Key_1, &MainWindow::ShowPulseDistribution);
    pulseDistributionAndMeanAction_ =
        view("pulseDistributionAndMeanAction", QStringLiteral("Pulse Distribution and Mean"),
             Qt::Key_2, &MainWindow::ShowPulseDistributionAndMean);
    pulseDistributionMeanAndMeanErrorAction_ =
        view("pulseDistributionMeanAndMeanErrorAction",
             QStringLiteral("Pulse Distribution, Mean and mean Error"), Qt::Key_3,
             &MainWindow::ShowPulseDistributionMeanAndMeanError);
    meanAndMeanErrorAction_ = view("meanAndMeanErrorAction", QStringLiteral("Mean and mean Error"),
                                   Qt::Key_4, &MainWindow::ShowMeanAndMeanError);
    meanAction_ = view("meanAction", QStringLiteral("Mean"), Qt::Key_5, &MainWindow::ShowMean);
    viewMenu_->addSeparator();
    auto overlay = [&](const char* name, const QString& text, int key,
                       void (MainWindow::*handler)(QObject*)) {
        QAction* a = action(viewMenu_, name, text, QKeySequence(Qt::CTRL | Qt::Key(key)), QString(),
                            handler);
        a->setCheckable(true);
        return a;
    };
    // "&&": a single "&" would make the next letter the item's mnemonic and vanish.
    temperatureAction_ = overlay("Temperature", QStringLiteral("Temperature (V6 && V7)"), Qt::Key_T,
                                 &MainWindow::ToggleTemperature);
    humidityAction_ = overlay("Humidity", QStringLiteral("Humidity (V6 && V7)"), Qt::Key_H,
                              &MainWindow::ToggleHumidity);
    pressureAction_ = overlay("Pressure", QStringLiteral("Pressure (V7)"), Qt::Key_R,
                              &MainWindow::TogglePressure);

    assessmentMenu_ = menuBar()->addMenu(QStringLiteral("Assessment"));
    assessmentMenu_->setObjectName(QStringLiteral("assessmentMenu"));
    summaryAction_ = action(
        assessmentMenu_, "summaryAction", QStringLiteral("Summary"), QKeySequence(Qt::Key_F9),
        QStringLiteral("The figures of the measurement on show"), &MainWindow::ToggleSummary);
    summaryAction_->setCheckable(true);
    referenceLevelMenu_ = assessmentMenu_->addMenu(QStringLiteral("Reference level"));
    referenceLevelMenu_->setObjectName(QStringLiteral("referenceLevelMenu"));
    auto* references = new QActionGroup(this);
    auto reference = [&](const char* name, const QString& text, const QString& tip) {
        QAction* a = action(referenceLevelMenu_, name, text, QKeySequence(), tip,
                            &MainWindow::ChooseReferenceLevel);
        a->setCheckable(true);
        references->addAction(a);
        return a;
    };
    noReferenceAction_ = reference("noReferenceAction", kNoReferenceLevelText, QString());
    for (int i = 0; i < kReferenceLevelPresetCount; ++i) {
        const ReferenceLevelPreset& preset = ReferenceLevelPresets()[static_cast<std::size_t>(i)];
        referencePresetActions_[static_cast<std::size_t>(i)] =
            reference("referencePresetAction", QLatin1String(preset.menuText),
                      QString::fromUtf8(preset.source));
    }
    typedReferenceAction_ = reference("typedReferenceAction", kTypedReferenceLevelText,
                                      QStringLiteral("The level your national authority gives"));
    saveReportAction_ =
        action(assessmentMenu_, "saveReportAction", QStringLiteral("Save report..."),
               QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S),
               QStringLiteral("A PDF of the chart and the summary to hand on"),
               &MainWindow::SaveRadonReport);

    helpMenu_ = menuBar()->addMenu(QStringLiteral("Help"));
    helpMenu_->setObjectName(QStringLiteral("helpMenu"));
    userGuideAction_ = action(helpMenu_, "userGuideAction", QStringLiteral("User guide"),
                              QKeySequence::HelpContents, QString(), &MainWindow::ShowUserGuide);
    aboutAction_ = action(helpMenu_, "aboutAction", QStringLiteral("About"), QKeySequence(),
                          QString(), &MainWindow::ShowAboutBox);
    // Menus open as windows of their own, which do not take the window's palette.
    for (QMenu* menu : {mainMenu_, viewMenu_, assessmentMenu_, referenceLevelMenu_, helpMenu_}) {
        menu->setPalette(palette());
    }
}

void MainWindow::BuildToolBar() {
    QToolBar* bar = addToolBar(QStringLiteral("Tools"));
    bar->setObjectName(QStringLiteral("toolBar"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setFixedHeight(30);
    bar->setIconSize(QSize(20, 20));
    bar->toggleViewAction()->setVisible(false);
    setContextMenuPolicy(Qt::NoContextMenu);

    auto button = [this, bar](const char* name, int width, ToolIconKind icon, const QString& hint,
                              void (MainWindow::*handler)(QObject*)) {
        auto* b = new QToolButton(bar);
        b->setObjectName(QLatin1String(name));
        b->setAutoRaise(true);
        b->setFixedSize(width, 25);
        b->setIcon(ToolIcon(icon));
        b->setToolTip(hint);
        connect(b, &QToolButton::clicked, this, [this, b, handler] { (this->*handler)(b); });
        buttonActions_[b] = bar->addWidget(b);
        return b;
    };
    openButton_ = button("openButton", 25, ToolIconKind::Open,
                         QStringLiteral("Load Saved Measurements"), &MainWindow::OpenFile);
    saveButton_ = button("saveButton", 25, ToolIconKind::Save, QStringLiteral("Save Measurements"),
                         &MainWindow::Save);
    printButton_ = button("printButton", 30, ToolIconKind::Print, QStringLiteral("Print Graph"),
                          &MainWindow::Print);
    readOutButton_ = button("readOutButton", 30, ToolIconKind::ReadOut,
                            QStringLiteral("Load measurements from Kelmor"), &MainWindow::ReadOut);
    triggerLevelButton_ =
        button("triggerLevelButton", 27, ToolIconKind::TriggerLevel,
               QStringLiteral("Set trigger Level"), &MainWindow::ChooseTriggerLevel);
    clockButton_ =
        button("clockButton", 30, ToolIconKind::Clock,
               QStringLiteral("Syncronize Kelmor  Clock with PC"), &MainWindow::SetInstrumentClock);
    eraseButton_ = button("eraseButton", 30, ToolIconKind::Erase, QStringLiteral("Erase Kelmor"),
                          &MainWindow::EraseInstrument);

    measurementLabel_ = new QLabel(QStringLiteral("      Measurement "), bar);
    measurementLabel_->setObjectName(QStringLiteral("measurementLabel"));
    measurementLabel_->setFont(PixelFont(13));
    bar->addWidget(measurementLabel_);

    measurementList_ = new QComboBox(bar);
    measurementList_->setObjectName(QStringLiteral("measurementList"));
    measurementList_->setEditable(true);
    measurementList_->setInsertPolicy(QComboBox::NoInsert);
    measurementList_->setMaxVisibleItems(60);
    measurementList_->setFixedWidth(224);
    measurementList_->setFont(PixelFont(13));
    measurementList_->setToolTip(QStringLiteral("Select Measurement"));
    measurementList_->setEditText(QStringLiteral("Select  Measurement"));
    // Chosen from the list, the same entry again included: that shows the chart again.
    connect(measurementList_, &QComboBox::activated, this,
            [this] { ChooseMeasurement(measurementList_); });
    bar->addWidget(measurementList_);

    meanIntervalLabel_ = new QLabel(QStringLiteral("  Mean "), bar);
    meanIntervalLabel_->setObjectName(QStringLiteral("meanIntervalLabel"));
    bar->addWidget(meanIntervalLabel_);

    meanIntervalList_ = new QComboBox(bar);
    meanIntervalList_->setObjectName(QStringLiteral("meanIntervalList"));
    meanIntervalList_->addItems({QStringLiteral("2h"), QStringLiteral("4h"), QStringLiteral("8h"),
                                 QStringLiteral("12h"), QStringLiteral("24h"), QStringLiteral("2d"),
                                 QStringLiteral("7d"), QStringLiteral("Mean")});
    meanIntervalList_->setCurrentIndex(-1);
    meanIntervalList_->setFixedWidth(73);
    meanIntervalList_->setFont(PixelFont(13));
    meanIntervalList_->setToolTip(QStringLiteral("Mean"));
    connect(meanIntervalList_, &QComboBox::activated, this,
            [this] { ChooseMeanInterval(meanIntervalList_); });
    bar->addWidget(meanIntervalList_);
}

void MainWindow::BuildChart() {
    auto* area = new QWidget(this);
    auto* layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);
    chart_ = new KelmorChart(area);
    chart_->setObjectName(QStringLiteral("chart"));
    chartSink_ = std::make_unique<ChartSink>(*chart_);
    layout->addWidget(chart_);
    emptyState_ = new EmptyState(area);
    layout->addWidget(emptyState_);
    connect(emptyState_, &EmptyState::readOutChosen, this, [this] { ReadOut(readOutButton_); });
    connect(emptyState_, &EmptyState::openChosen, this, [this] { OpenFile(openButton_); });
    setCentralWidget(area);

    titleEditor_ = new QLineEdit(chart_);
    titleEditor_->setObjectName(QStringLiteral("titleEditor"));
    titleEditor_->setFrame(false);
    titleEditor_->setGeometry(56, 8, 657, 21);
    titleEditor_->setText(QStringLiteral("Measurements"));

    connect(chart_, &KelmorChart::zoomed, this, [this] { WriteFootLine(chart_); });
    connect(chart_, &KelmorChart::zoomUndone, this, [this] { WriteFootLine(chart_); });
    connect(chart_, &KelmorChart::doubleClicked, this, [this] { EditTitle(chart_); });
    connect(chart_, &KelmorChart::clicked, this, [this] { TakeTitle(chart_); });
}

void MainWindow::BuildStatusBar() {
    statusBar_ = statusBar();
    statusBar_->setObjectName(QStringLiteral("statusBar"));
    statusBar_->setSizeGripEnabled(true);
    panel0_ = new QLabel(statusBar_);
    panel0_->setFixedWidth(300);
    panel1_ = new QLabel(statusBar_);
    panel1_->setMinimumWidth(50);
    progress_ = new QProgressBar(statusBar_);
    progress_->setObjectName(QStringLiteral("exchangeProgress"));
    // The bytes themselves: at 9600 baud a whole per cent of a V7 memory takes 1.4 s.
    progress_->setFormat(QStringLiteral("%v of %m bytes"));
    progress_->setFixedWidth(
        progress_->fontMetrics().horizontalAdvance(QStringLiteral("131071 of 131071 bytes")) + 24);
    progress_->hide();
    cancel_ = new QPushButton(QStringLiteral("Cancel"), statusBar_);
    cancel_->setObjectName(QStringLiteral("cancelButton"));
    cancel_->setToolTip(QStringLiteral("Stop talking to the Kelmor (Escape)"));
    cancel_->hide();
    statusBar_->addWidget(panel0_);
    statusBar_->addWidget(panel1_, 1);
    statusBar_->addPermanentWidget(progress_);
    statusBar_->addPermanentWidget(cancel_);

    runner_ = std::make_unique<ExchangeRunner>();
    connect(runner_.get(), &ExchangeRunner::progressed, this,
            [this](quint32 received, quint32 requested) {
                progress_->setRange(0, static_cast<int>(requested));
                progress_->setValue(static_cast<int>(received));
            });
}

void MainWindow::BuildAssessment() {
    summaryDock_ = new QDockWidget(QStringLiteral("Summary"), this);
    summaryDock_->setObjectName(QStringLiteral("summaryDock"));
    // Opened and closed from the Assessment menu (F9) only, so that its state is the menu's.
    summaryDock_->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    summaryPanel_ = new SummaryPanel(summaryDock_);
    summaryDock_->setWidget(summaryPanel_);
    addDockWidget(Qt::RightDockWidgetArea, summaryDock_);
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        if (const QScreen* screen = this->screen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
        Reactivate(this);
    }
}

bool MainWindow::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        return true;
    }
    return QMainWindow::event(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Said, not remembered: the window does not close by itself once the Kelmor is done.
    if (state_.exchangeRunning) {
        SetPanelText(1, QStringLiteral("The window cannot close while the Kelmor is busy"));
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void MainWindow::StartUp(QObject*) {
    instrument_->SetAttached(false);
    ApplyWindowState();
    Discover();
    instrument_->SetErrorReport(false);
    chart_->SetBottomLabelFormat(QStringLiteral("dd/MM hh"));
}

void MainWindow::Reactivate(QObject*) {
    // Only while no image is loaded: an image keeps its own factor, which the trigger
    // level and the foot line's error need.
    if (!data_->ImageLoaded) {
        data_->Header.CalibrationFactor = 6.0L;
    }
    state_.chartShown = false;
    ApplyWindowState();
    ShowAssessment();
}

int MainWindow::RunOwnModal(QDialog& dialog) {
    const int result = dialogs_->ExecOwn(dialog);
    Reactivate(this);
    return result;
}

int MainWindow::ShowMessage(QMessageBox& box) {
    return RunOwnModal(box);
}

void MainWindow::ShowError(const QString& text) {
    QMessageBox box(QMessageBox::Critical, kCaption, text, QMessageBox::Ok, this);
    ShowMessage(box);
}

void MainWindow::SetPanelText(int panel, const QString& text) {
    (panel == 0 ? panel0_ : panel1_)->setText(text);
}

QString MainWindow::PanelText(int panel) const {
    return (panel == 0 ? panel0_ : panel1_)->text();
}

void MainWindow::SetCaptionFromPath(const QString& path) {
    setWindowTitle(QFileInfo(path).fileName());
}

void MainWindow::Exit(QObject*) {
    close();
}

void MainWindow::ShowAboutBox(QObject*) {
    RunOwnModal(*aboutBox_);
}

void MainWindow::ShowUserGuide(QObject*) {
    // A window beside the main one, to read while working: not one of its modal windows.
    userGuide_->show();
    userGuide_->raise();
    userGuide_->activateWindow();
}

}  // namespace kelmor
