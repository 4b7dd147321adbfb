#include "main_window.h"

#include <QAbstractItemView>
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

#include "archive/archive.h"
#include "archive/location_setting.h"
#include "desktop_dialogs.h"
#include "empty_state.h"
#include "exchange_runner.h"
#include "instrument/transfer_estimate.h"
#include "instrument_session.h"
#include "link/clock.h"
#include "ui/archive/archive_panel.h"
#include "ui/archive/pending_readouts.h"
#include "ui/archive/survey_commands.h"
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

// The tool tips of the instrument's tool buttons, which its menu items repeat.
const QString kReadOutHint = QStringLiteral("Load measurements from Kelmor");
const QString kClockHint = QStringLiteral("Syncronize Kelmor  Clock with PC");
const QString kEraseHint = QStringLiteral("Erase Kelmor");
const QString kTriggerLevelHint = QStringLiteral("Set trigger Level");

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

QAction* AddItem(QMenu* menu, const char* name, const QString& text,
                 const QKeySequence& shortcut = {}, const QString& tip = {}) {
    QAction* item = menu->addAction(text);
    item->setObjectName(QLatin1String(name));
    item->setShortcut(shortcut);
    if (!tip.isEmpty()) {
        item->setToolTip(tip);
    }
    return item;
}

QMenu* AddMenu(QMenuBar* bar, const char* name, const QString& title) {
    QMenu* menu = bar->addMenu(title);
    menu->setObjectName(QLatin1String(name));
    return menu;
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
    runner_ = std::make_unique<ExchangeRunner>();
    estimate_ = std::make_unique<TransferEstimate>(*clock_);

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
    BuildArchive();

    meanErrorCheckBox_ = new QCheckBox(this);
    meanErrorCheckBox_->setObjectName(QStringLiteral("meanErrorCheckBox"));
    meanErrorCheckBox_->hide();
    pulseErrorCheckBox_ = new QCheckBox(this);
    pulseErrorCheckBox_->setObjectName(QStringLiteral("pulseErrorCheckBox"));
    pulseErrorCheckBox_->hide();

    discoveryTimer_ = new QTimer(this);
    discoveryTimer_->setObjectName(QStringLiteral("discoveryTimer"));
    discoveryTimer_->setInterval(1000);

    aboutBox_ = new AboutBox(this);
    userGuide_ = new UserGuideWindow(this);
    triggerDialog_ = new TriggerLevelDialog(this);

    NameForScreenReaders();
    ConnectSignals();
    locationSetting_ = std::make_unique<LocationSetting>(setup.settingsFile);
    if (!setup.pendingFolder.isEmpty()) {
        pending_ = std::make_unique<PendingReadouts>(setup.pendingFolder);
    }
    OpenArchive(setup.archivePath);
    nextArchiveRefresh_ = clock_->LocalNow().addSecs(60);
    StartUp();
    discoveryTimer_->start();
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildMenus() {
    mainMenu_ = AddMenu(menuBar(), "mainMenu", QStringLiteral("&Main"));
    openAction_ = AddItem(mainMenu_, "openAction", QStringLiteral("Open"), QKeySequence::Open,
                          QStringLiteral("Load Saved Measurements"));
    saveAction_ = AddItem(mainMenu_, "saveAction", QStringLiteral("Save"), QKeySequence::Save,
                          QStringLiteral("Save Measurements"));
    printAction_ = AddItem(mainMenu_, "printAction", QStringLiteral("Print"), QKeySequence::Print,
                           QStringLiteral("Print Graph"));
    addToArchiveAction_ =
        AddItem(mainMenu_, "addToArchiveAction", QStringLiteral("Add to archive..."),
                QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D),
                QStringLiteral("Keep the data file opened in the archive, naming its instrument"));
    archiveLocationAction_ =
        AddItem(mainMenu_, "archiveLocationAction", QStringLiteral("Archive location..."),
                QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A),
                QStringLiteral("The archive file, or the PostgreSQL server the archive is on"));
    mainMenu_->addSeparator();
    exitAction_ = AddItem(mainMenu_, "exitAction", QStringLiteral("Exit"),
                          QKeySequence(Qt::CTRL | Qt::Key_Q));

    BuildInstrumentMenu();

    viewMenu_ = AddMenu(menuBar(), "viewMenu", QStringLiteral("&View"));
    views_ = new QActionGroup(this);
    views_->setExclusive(true);
    auto view = [this](const char* name, const QString& text, int key) {
        QAction* item = AddItem(viewMenu_, name, text, QKeySequence(Qt::CTRL | Qt::Key(key)));
        item->setCheckable(true);
        views_->addAction(item);
        return item;
    };
    pulseDistributionAction_ =
        view("pulseDistributionAction", QStringLiteral("Pulse Distribution"), Qt::Key_1);
    pulseDistributionAndMeanAction_ = view(
        "pulseDistributionAndMeanAction", QStringLiteral("Pulse Distribution and Mean"), Qt::Key_2);
    pulseDistributionMeanAndMeanErrorAction_ =
        view("pulseDistributionMeanAndMeanErrorAction",
             QStringLiteral("Pulse Distribution, Mean and mean Error"), Qt::Key_3);
    meanAndMeanErrorAction_ =
        view("meanAndMeanErrorAction", QStringLiteral("Mean and mean Error"), Qt::Key_4);
    meanAction_ = view("meanAction", QStringLiteral("Mean"), Qt::Key_5);
    viewMenu_->addSeparator();
    auto overlay = [this](const char* name, const QString& text, int key) {
        QAction* item = AddItem(viewMenu_, name, text, QKeySequence(Qt::CTRL | Qt::Key(key)));
        item->setCheckable(true);
        return item;
    };
    // "&&": a single "&" would make the next letter the item's mnemonic and vanish.
    temperatureAction_ =
        overlay("temperatureAction", QStringLiteral("Temperature (V6 && V7)"), Qt::Key_T);
    humidityAction_ = overlay("humidityAction", QStringLiteral("Humidity (V6 && V7)"), Qt::Key_H);
    pressureAction_ = overlay("pressureAction", QStringLiteral("Pressure (V7)"), Qt::Key_R);

    assessmentMenu_ = AddMenu(menuBar(), "assessmentMenu", QStringLiteral("&Assessment"));
    summaryAction_ =
        AddItem(assessmentMenu_, "summaryAction", QStringLiteral("Summary"),
                QKeySequence(Qt::Key_F9), QStringLiteral("The figures of the measurement on show"));
    summaryAction_->setCheckable(true);
    referenceLevelMenu_ = assessmentMenu_->addMenu(QStringLiteral("Reference level"));
    referenceLevelMenu_->setObjectName(QStringLiteral("referenceLevelMenu"));
    auto* references = new QActionGroup(this);
    auto reference = [this, references](const char* name, const QString& text, const QString& tip) {
        QAction* item = AddItem(referenceLevelMenu_, name, text, QKeySequence(), tip);
        item->setCheckable(true);
        references->addAction(item);
        return item;
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
        AddItem(assessmentMenu_, "saveReportAction", QStringLiteral("Save report..."),
                QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S),
                QStringLiteral("A PDF of the chart and the summary to hand on"));

    archiveMenu_ = AddMenu(menuBar(), "archiveMenu", QStringLiteral("A&rchive"));
    archivePanelAction_ =
        AddItem(archiveMenu_, "archivePanelAction", QStringLiteral("Archive panel"),
                QKeySequence(Qt::Key_F8), QStringLiteral("The places and runs of the archive"));
    archivePanelAction_->setCheckable(true);
    yearViewAction_ =
        AddItem(archiveMenu_, "yearViewAction", QStringLiteral("Year view"),
                QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Y),
                QStringLiteral("The monthly means of a place and its annual average"));
    exportArchiveAction_ =
        AddItem(archiveMenu_, "exportArchiveAction", QStringLiteral("Export CSV..."),
                QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_X),
                QStringLiteral("Every hourly sample of the chosen place, or of the whole "
                               "archive, for a spreadsheet"));
    refreshArchiveAction_ = AddItem(
        archiveMenu_, "refreshArchiveAction", QStringLiteral("Refresh"), QKeySequence(Qt::Key_F5),
        QStringLiteral("List the archive again, with what other PCs stored, and store "
                       "the read-outs kept meanwhile"));
    BuildSurveyMenu();

    helpMenu_ = AddMenu(menuBar(), "helpMenu", QStringLiteral("&Help"));
    userGuideAction_ = AddItem(helpMenu_, "userGuideAction", QStringLiteral("User guide"),
                               QKeySequence::HelpContents);
    aboutAction_ = AddItem(helpMenu_, "aboutAction", QStringLiteral("About"));
    // Menus open as windows of their own, which do not take the window's palette.
    for (QMenu* menu : {mainMenu_, instrumentMenu_, viewMenu_, assessmentMenu_, referenceLevelMenu_,
                        archiveMenu_, helpMenu_}) {
        menu->setPalette(palette());
    }
}

// The tool bar's instrument commands again, for the keyboard: once a measurement is on
// show the tool bar is out of the keyboard's reach. The shortcuts clash with none of the
// window's (Ctrl+R is the pressure, Ctrl+T the temperature) nor with the editing keys of the
// measurement list's text field (Ctrl+K deletes to the end of its line).
void MainWindow::BuildInstrumentMenu() {
    instrumentMenu_ = AddMenu(menuBar(), "instrumentMenu", QStringLiteral("&Instrument"));
    readOutAction_ =
        AddItem(instrumentMenu_, "readOutAction", kReadOutHint, QKeySequence(Qt::CTRL | Qt::Key_L));
    clockAction_ = AddItem(instrumentMenu_, "clockAction", kClockHint,
                           QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K));
    eraseAction_ = AddItem(instrumentMenu_, "eraseAction", kEraseHint,
                           QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    triggerLevelAction_ = AddItem(instrumentMenu_, "triggerLevelAction", kTriggerLevelHint,
                                  QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L));
}

void MainWindow::BuildToolBar() {
    toolBar_ = addToolBar(QStringLiteral("Tools"));
    toolBar_->setObjectName(QStringLiteral("toolBar"));
    toolBar_->setMovable(false);
    toolBar_->setFloatable(false);
    toolBar_->setFixedHeight(30);
    toolBar_->setIconSize(QSize(20, 20));
    toolBar_->toggleViewAction()->setVisible(false);
    setContextMenuPolicy(Qt::NoContextMenu);

    auto button = [this](const char* name, int width, ToolIconKind icon, const QString& hint) {
        auto* b = new QToolButton(toolBar_);
        b->setObjectName(QLatin1String(name));
        b->setAutoRaise(true);
        b->setFixedSize(width, 25);
        b->setIcon(ToolIcon(icon));
        b->setToolTip(hint);
        toolBar_->addWidget(b);
        return b;
    };
    openButton_ =
        button("openButton", 25, ToolIconKind::Open, QStringLiteral("Load Saved Measurements"));
    saveButton_ = button("saveButton", 25, ToolIconKind::Save, QStringLiteral("Save Measurements"));
    printButton_ = button("printButton", 30, ToolIconKind::Print, QStringLiteral("Print Graph"));
    readOutButton_ = button("readOutButton", 30, ToolIconKind::ReadOut, kReadOutHint);
    triggerLevelButton_ =
        button("triggerLevelButton", 27, ToolIconKind::TriggerLevel, kTriggerLevelHint);
    triggerLevelButtonSlot_ = toolBar_->actions().constLast();
    clockButton_ = button("clockButton", 30, ToolIconKind::Clock, kClockHint);
    eraseButton_ = button("eraseButton", 30, ToolIconKind::Erase, kEraseHint);

    measurementLabel_ = new QLabel(QStringLiteral("      Measurement "), toolBar_);
    measurementLabel_->setObjectName(QStringLiteral("measurementLabel"));
    measurementLabel_->setFont(PixelFont(13));
    toolBar_->addWidget(measurementLabel_);

    measurementList_ = new QComboBox(toolBar_);
    measurementList_->setObjectName(QStringLiteral("measurementList"));
    measurementList_->setEditable(true);
    measurementList_->setInsertPolicy(QComboBox::NoInsert);
    measurementList_->setMaxVisibleItems(60);
    measurementList_->setFixedWidth(224);
    measurementList_->setFont(PixelFont(13));
    measurementList_->setToolTip(QStringLiteral("Select Measurement"));
    measurementList_->setEditText(QStringLiteral("Select  Measurement"));
    toolBar_->addWidget(measurementList_);
    measurementLabel_->setBuddy(measurementList_);

    meanIntervalLabel_ = new QLabel(QStringLiteral("  Mean "), toolBar_);
    meanIntervalLabel_->setObjectName(QStringLiteral("meanIntervalLabel"));
    toolBar_->addWidget(meanIntervalLabel_);

    meanIntervalList_ = new QComboBox(toolBar_);
    meanIntervalList_->setObjectName(QStringLiteral("meanIntervalList"));
    meanIntervalList_->addItems({QStringLiteral("2h"), QStringLiteral("4h"), QStringLiteral("8h"),
                                 QStringLiteral("12h"), QStringLiteral("24h"), QStringLiteral("2d"),
                                 QStringLiteral("7d"), QStringLiteral("Mean")});
    meanIntervalList_->setCurrentIndex(-1);
    meanIntervalList_->setFixedWidth(73);
    meanIntervalList_->setFont(PixelFont(13));
    meanIntervalList_->setToolTip(QStringLiteral("Mean"));
    toolBar_->addWidget(meanIntervalList_);
    meanIntervalLabel_->setBuddy(meanIntervalList_);
    setTabOrder(measurementList_, meanIntervalList_);
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
    setCentralWidget(area);

    titleEditor_ = new QLineEdit(chart_);
    titleEditor_->setObjectName(QStringLiteral("titleEditor"));
    titleEditor_->setFrame(false);
    titleEditor_->setGeometry(56, 8, 657, 21);
    titleEditor_->setText(QStringLiteral("Measurements"));
}

void MainWindow::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("statusBar"));
    bar->setSizeGripEnabled(true);
    instrumentPanel_ = new QLabel(bar);
    instrumentPanel_->setObjectName(QStringLiteral("instrumentPanel"));
    instrumentPanel_->setFixedWidth(300);
    commandPanel_ = new QLabel(bar);
    commandPanel_->setObjectName(QStringLiteral("commandPanel"));
    commandPanel_->setMinimumWidth(50);
    progress_ = new QProgressBar(bar);
    progress_->setObjectName(QStringLiteral("exchangeProgress"));
    // As wide as the byte count it shows until the line's rate is known.
    progress_->setFixedWidth(
        progress_->fontMetrics().horizontalAdvance(QStringLiteral("131 071 of 131 071 bytes")) +
        24);
    progress_->hide();
    cancelExchangeButton_ = new QPushButton(QStringLiteral("Cancel"), bar);
    cancelExchangeButton_->setObjectName(QStringLiteral("cancelExchangeButton"));
    cancelExchangeButton_->setToolTip(QStringLiteral("Stop talking to the Kelmor (Escape)"));
    cancelExchangeButton_->hide();
    bar->addWidget(instrumentPanel_);
    bar->addWidget(commandPanel_, 1);
    bar->addPermanentWidget(progress_);
    bar->addPermanentWidget(cancelExchangeButton_);
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

// A screen reader announces a control by its name; the tool buttons show only a picture,
// and a list's name is not its entry.
void MainWindow::NameForScreenReaders() {
    auto name = [](QWidget* widget, const QString& text, const QString& description) {
        widget->setAccessibleName(text);
        widget->setAccessibleDescription(description);
    };
    name(openButton_, QStringLiteral("Open"), openButton_->toolTip());
    name(saveButton_, QStringLiteral("Save"), saveButton_->toolTip());
    name(printButton_, QStringLiteral("Print"), printButton_->toolTip());
    name(readOutButton_, QStringLiteral("Read out"), kReadOutHint);
    name(triggerLevelButton_, QStringLiteral("Trigger level"), kTriggerLevelHint);
    name(clockButton_, QStringLiteral("Clock"), kClockHint);
    name(eraseButton_, QStringLiteral("Erase"), kEraseHint);
    name(measurementList_, QStringLiteral("Measurement"),
         QStringLiteral("The measurement the chart shows, or all measurements"));
    name(meanIntervalList_, QStringLiteral("Mean"),
         QStringLiteral("The interval of the running mean"));
    // The lists' pop-ups and the measurement list's text field are controls of their own.
    name(measurementList_->view(), measurementList_->accessibleName(), QString());
    name(measurementList_->lineEdit(), measurementList_->accessibleName(),
         measurementList_->accessibleDescription());
    name(meanIntervalList_->view(), meanIntervalList_->accessibleName(), QString());
    // The button that the tool bar shows when the window is too narrow for all its tools.
    if (auto* more = toolBar_->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button"))) {
        name(more, QStringLiteral("More tools"), QString());
    }
    name(chart_, QStringLiteral("Chart"),
         QStringLiteral("Radon concentration in Bq/m3 over time; the foot line gives the mean "
                        "radon level of the range on show"));
    name(titleEditor_, QStringLiteral("Chart title"),
         QStringLiteral("Click the chart to take the new title"));
    name(summaryPanel_, QStringLiteral("Summary"),
         QStringLiteral("The figures of what the chart shows"));
    name(instrumentPanel_, QStringLiteral("Instrument"), QString());
    name(commandPanel_, QStringLiteral("Last command"), QString());
    name(progress_, QStringLiteral("Read-out progress"),
         QStringLiteral("The time left and the bytes received from the Kelmor"));
    name(cancelExchangeButton_, QStringLiteral("Cancel"), cancelExchangeButton_->toolTip());
    name(meanErrorCheckBox_, QStringLiteral("Mean error bars"), QString());
    name(pulseErrorCheckBox_, QStringLiteral("Pulse distribution error bars"), QString());
}

void MainWindow::ConnectSignals() {
    connect(openAction_, &QAction::triggered, this, &MainWindow::OpenFile);
    connect(saveAction_, &QAction::triggered, this, &MainWindow::Save);
    connect(printAction_, &QAction::triggered, this, &MainWindow::Print);
    connect(exitAction_, &QAction::triggered, this, &MainWindow::close);
    connect(openButton_, &QToolButton::clicked, this, &MainWindow::OpenFile);
    connect(saveButton_, &QToolButton::clicked, this, &MainWindow::Save);
    connect(printButton_, &QToolButton::clicked, this, &MainWindow::Print);

    connect(readOutAction_, &QAction::triggered, this, &MainWindow::ReadOut);
    connect(clockAction_, &QAction::triggered, this, &MainWindow::SetInstrumentClock);
    connect(eraseAction_, &QAction::triggered, this, &MainWindow::EraseInstrument);
    connect(triggerLevelAction_, &QAction::triggered, this, &MainWindow::ChooseTriggerLevel);
    connect(readOutButton_, &QToolButton::clicked, this, &MainWindow::ReadOut);
    connect(clockButton_, &QToolButton::clicked, this, &MainWindow::SetInstrumentClock);
    connect(eraseButton_, &QToolButton::clicked, this, &MainWindow::EraseInstrument);
    connect(triggerLevelButton_, &QToolButton::clicked, this, &MainWindow::ChooseTriggerLevel);
    connect(emptyState_, &EmptyState::readOutChosen, this, &MainWindow::ReadOut);
    connect(emptyState_, &EmptyState::openChosen, this, &MainWindow::OpenFile);
    triggerDialog_->SetHandler([this](int level, bool flash) { SendTriggerLevel(level, flash); });
    connect(runner_.get(), &ExchangeRunner::progressed, this, &MainWindow::ShowProgress);
    connect(discoveryTimer_, &QTimer::timeout, this, &MainWindow::WatchConnection);

    // Chosen from the list, the same entry again included: that shows the chart again.
    connect(measurementList_, &QComboBox::activated, this, &MainWindow::ChooseMeasurement);
    connect(meanIntervalList_, &QComboBox::activated, this, &MainWindow::ChooseMeanInterval);
    connect(pulseDistributionAction_, &QAction::triggered, this,
            &MainWindow::ShowPulseDistribution);
    connect(pulseDistributionAndMeanAction_, &QAction::triggered, this,
            &MainWindow::ShowPulseDistributionAndMean);
    connect(pulseDistributionMeanAndMeanErrorAction_, &QAction::triggered, this,
            &MainWindow::ShowPulseDistributionMeanAndMeanError);
    connect(meanAndMeanErrorAction_, &QAction::triggered, this, &MainWindow::ShowMeanAndMeanError);
    connect(meanAction_, &QAction::triggered, this, &MainWindow::ShowMean);
    connect(temperatureAction_, &QAction::triggered, this, &MainWindow::ToggleTemperature);
    connect(humidityAction_, &QAction::triggered, this, &MainWindow::ToggleHumidity);
    connect(pressureAction_, &QAction::triggered, this, &MainWindow::TogglePressure);
    connect(pulseErrorCheckBox_, &QCheckBox::toggled, this, &MainWindow::PulseDistErrorChanged);
    connect(chart_, &KelmorChart::zoomed, this, &MainWindow::WriteFootLine);
    connect(chart_, &KelmorChart::zoomUndone, this, &MainWindow::WriteFootLine);
    connect(chart_, &KelmorChart::doubleClicked, this, &MainWindow::EditTitle);
    connect(chart_, &KelmorChart::clicked, this, &MainWindow::TakeTitle);

    connect(summaryAction_, &QAction::triggered, this, &MainWindow::ToggleSummary);
    for (QAction* item : referenceLevelMenu_->actions()) {
        connect(item, &QAction::triggered, this, [this, item] { ChooseReferenceLevel(item); });
    }
    connect(saveReportAction_, &QAction::triggered, this, &MainWindow::SaveRadonReport);
    connect(addToArchiveAction_, &QAction::triggered, this, &MainWindow::AddOpenedFileToArchive);
    connect(archivePanelAction_, &QAction::triggered, this, &MainWindow::ToggleArchivePanel);
    connect(yearViewAction_, &QAction::triggered, this, &MainWindow::ShowYearView);
    connect(exportArchiveAction_, &QAction::triggered, this, &MainWindow::ExportArchive);
    connect(archiveLocationAction_, &QAction::triggered, this, &MainWindow::ChooseArchiveLocation);
    connect(refreshArchiveAction_, &QAction::triggered, this, &MainWindow::RefreshArchive);
    connect(archivePanel_, &ArchivePanel::refreshAsked, this, &MainWindow::RefreshArchive);
    connect(archivePanel_, &ArchivePanel::placeShown, this, &MainWindow::ShowArchivedPlace);
    connect(archivePanel_, &ArchivePanel::runShown, this, &MainWindow::ShowArchivedRun);
    connect(archivePanel_, &ArchivePanel::yearViewAsked, this, &MainWindow::ShowYearViewOf);
    connect(archivePanel_, &ArchivePanel::failed, this, &MainWindow::ShowError);
    connect(archivePanel_, &ArchivePanel::choiceChanged, this, &MainWindow::FollowArchiveChoice);
    connect(newSiteAction_, &QAction::triggered, survey_, &SurveyCommands::NewSite);
    connect(editSiteAction_, &QAction::triggered, survey_, &SurveyCommands::EditSite);
    connect(removeSiteAction_, &QAction::triggered, survey_, &SurveyCommands::RemoveSite);
    connect(putInSiteAction_, &QAction::triggered, survey_, &SurveyCommands::PutPlaceInSite);
    connect(deploymentAction_, &QAction::triggered, survey_, &SurveyCommands::EditDeployment);
    connect(instrumentsAction_, &QAction::triggered, this,
            [this] { survey_->ShowInstruments(clock_->LocalNow()); });
    connect(siteReportAction_, &QAction::triggered, this,
            [this] { survey_->WriteSiteReport(ChosenReferenceLevel(), clock_->LocalNow()); });
    connect(survey_, &SurveyCommands::said, this,
            [this](const QString& text) { SetPanelText(1, text); });
    connect(survey_, &SurveyCommands::failed, this, &MainWindow::ShowError);
    connect(userGuideAction_, &QAction::triggered, this, &MainWindow::ShowUserGuide);
    connect(aboutAction_, &QAction::triggered, this, &MainWindow::ShowAboutBox);
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
        Reactivate();
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

void MainWindow::StartUp() {
    instrument_->SetAttached(false);
    ApplyWindowState();
    Discover();
    instrument_->SetErrorReport(false);
    chart_->SetBottomLabelFormat(QStringLiteral("dd/MM hh"));
}

void MainWindow::Reactivate() {
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
    Reactivate();
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
    (panel == 0 ? instrumentPanel_ : commandPanel_)->setText(text);
}

QString MainWindow::PanelText(int panel) const {
    return (panel == 0 ? instrumentPanel_ : commandPanel_)->text();
}

void MainWindow::RestoreCaption() {
    setWindowTitle(kCaption);
}

void MainWindow::SetCaptionFromPath(const QString& path) {
    setWindowTitle(QFileInfo(path).fileName());
}

void MainWindow::ShowAboutBox() {
    RunOwnModal(*aboutBox_);
}

void MainWindow::ShowUserGuide() {
    // A window beside the main one, to read while working: not one of its modal windows.
    userGuide_->show();
    userGuide_->raise();
    userGuide_->activateWindow();
}

}  // namespace kelmor
