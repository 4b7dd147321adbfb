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
#include "ui/dialogs/trigger_dialog.h"
#include "ui/help/user_guide.h"
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

TForm1::TForm1(const WindowSetup& setup, QWidget* parent)
    : QMainWindow(parent),
      data_(std::make_unique<MeasurementData>()),
      staging_(std::make_unique<ImageBuffer>()),
      workingFolder_(setup.workingFolder.isEmpty() ? QDir::currentPath() : setup.workingFolder) {
    setObjectName(QStringLiteral("Form1"));
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

    MeanError_CheckBox = new QCheckBox(this);
    MeanError_CheckBox->setObjectName(QStringLiteral("MeanError_CheckBox"));
    MeanError_CheckBox->hide();
    PulseDistError_CheckBox = new QCheckBox(this);
    PulseDistError_CheckBox->setObjectName(QStringLiteral("PulseDistError_CheckBox"));
    PulseDistError_CheckBox->hide();
    connect(PulseDistError_CheckBox, &QCheckBox::toggled, this, &TForm1::PulseDistErrorChanged);

    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(1000);
    connect(Timer2, &QTimer::timeout, this, [this] { Timer2Timer(Timer2); });

    FormCreate(this);

    About = new TAbout(this);
    Guide = new TUserGuide(this);
    Trigger = new TTrigger(this);
    Trigger->SetHandler([this](int level, bool flash) { TriggerSet(level, flash); });

    Timer2->start();
}

TForm1::~TForm1() = default;

void TForm1::BuildMenus() {
    auto action = [this](QMenu* menu, const char* name, const QString& text,
                         const QKeySequence& shortcut, const QString& tip,
                         void (TForm1::*handler)(QObject*)) {
        QAction* a = menu->addAction(text);
        a->setObjectName(QLatin1String(name));
        a->setShortcut(shortcut);
        if (!tip.isEmpty()) {
            a->setToolTip(tip);
        }
        connect(a, &QAction::triggered, this, [this, a, handler] { (this->*handler)(a); });
        return a;
    };

    Main1 = menuBar()->addMenu(QStringLiteral("&Main"));
    Main1->setObjectName(QStringLiteral("Main1"));
    Open1 = action(Main1, "Open1", QStringLiteral("Open"), QKeySequence::Open,
                   QStringLiteral("Load Saved Measurements"), &TForm1::Open1Click);
    Save1 = action(Main1, "Save1", QStringLiteral("Save"), QKeySequence::Save,
                   QStringLiteral("Save Measurements"), &TForm1::Save1Click);
    Print1 = action(Main1, "Print1", QStringLiteral("Print"), QKeySequence::Print,
                    QStringLiteral("Print Graph"), &TForm1::Print1Click);
    Main1->addSeparator();
    Exit1 = action(Main1, "Exit1", QStringLiteral("Exit"), QKeySequence(Qt::CTRL | Qt::Key_Q),
                   QString(), &TForm1::Exit1Click);

    View1 = menuBar()->addMenu(QStringLiteral("View"));
    View1->setObjectName(QStringLiteral("View1"));
    views_ = new QActionGroup(this);
    views_->setExclusive(true);
    auto view = [&](const char* name, const QString& text, int key,
                    void (TForm1::*handler)(QObject*)) {
        QAction* a =
            action(View1, name, text, QKeySequence(Qt::CTRL | Qt::Key(key)), QString(), handler);
        a->setCheckable(true);
        views_->addAction(a);
        return a;
    };
    PulseDistribution1 = view("PulseDistribution1", QStringLiteral("Pulse Distribution"), Qt::Key_1,
                              &TForm1::PulseDistribution1Click);
    PulseDistributionandMean1 =
        view("PulseDistributionandMean1", QStringLiteral("Pulse Distribution and Mean"), Qt::Key_2,
             &TForm1::PulseDistributionandMean1Click);
    PulseDistributionMeanandmeanError1 =
        view("PulseDistributionMeanandmeanError1",
             QStringLiteral("Pulse Distribution, Mean and mean Error"), Qt::Key_3,
             &TForm1::PulseDistributionMeanandmeanError1Click);
    MeanandmeanError1 = view("MeanandmeanError1", QStringLiteral("Mean and mean Error"), Qt::Key_4,
                             &TForm1::MeanandmeanError1Click);
    Mean1 = view("Mean1", QStringLiteral("Mean"), Qt::Key_5, &TForm1::Mean1Click);
    View1->addSeparator();
    auto overlay = [&](const char* name, const QString& text, int key,
                       void (TForm1::*handler)(QObject*)) {
        QAction* a =
            action(View1, name, text, QKeySequence(Qt::CTRL | Qt::Key(key)), QString(), handler);
        a->setCheckable(true);
        return a;
    };
    // "&&": a single "&" would make the next letter the item's mnemonic and vanish.
    Temperature = overlay("Temperature", QStringLiteral("Temperature (V6 && V7)"), Qt::Key_T,
                          &TForm1::TemperatureClick);
    Humidity = overlay("Humidity", QStringLiteral("Humidity (V6 && V7)"), Qt::Key_H,
                       &TForm1::HumidityClick);
    Pressure =
        overlay("Pressure", QStringLiteral("Pressure (V7)"), Qt::Key_R, &TForm1::PressureClick);

    Assessment1 = menuBar()->addMenu(QStringLiteral("Assessment"));
    Assessment1->setObjectName(QStringLiteral("Assessment1"));
    Summary1 =
        action(Assessment1, "Summary1", QStringLiteral("Summary"), QKeySequence(Qt::Key_F9),
               QStringLiteral("The figures of the measurement on show"), &TForm1::Summary1Click);
    Summary1->setCheckable(true);
    ReferenceLevel1 = Assessment1->addMenu(QStringLiteral("Reference level"));
    ReferenceLevel1->setObjectName(QStringLiteral("ReferenceLevel1"));
    auto* references = new QActionGroup(this);
    auto reference = [&](const char* name, const QString& text, const QString& tip) {
        QAction* a =
            action(ReferenceLevel1, name, text, QKeySequence(), tip, &TForm1::ReferenceLevelClick);
        a->setCheckable(true);
        references->addAction(a);
        return a;
    };
    NoReference1 = reference("NoReference1", kNoReferenceLevelText, QString());
    for (int i = 0; i < kReferenceLevelPresetCount; ++i) {
        const ReferenceLevelPreset& preset = ReferenceLevelPresets()[static_cast<std::size_t>(i)];
        ReferencePresets[static_cast<std::size_t>(i)] = reference(
            "ReferencePreset", QLatin1String(preset.menuText), QString::fromUtf8(preset.source));
    }
    TypedReference1 = reference("TypedReference1", kTypedReferenceLevelText,
                                QStringLiteral("The level your national authority gives"));
    SaveReport1 = action(Assessment1, "SaveReport1", QStringLiteral("Save report..."),
                         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S),
                         QStringLiteral("A PDF of the chart and the summary to hand on"),
                         &TForm1::SaveReport1Click);

    Help1 = menuBar()->addMenu(QStringLiteral("Help"));
    Help1->setObjectName(QStringLiteral("Help1"));
    UserGuide1 = action(Help1, "UserGuide1", QStringLiteral("User guide"),
                        QKeySequence::HelpContents, QString(), &TForm1::UserGuide1Click);
    About1 = action(Help1, "About1", QStringLiteral("About"), QKeySequence(), QString(),
                    &TForm1::About1Click);
    // Menus open as windows of their own, which do not take the window's palette.
    for (QMenu* menu : {Main1, View1, Assessment1, ReferenceLevel1, Help1}) {
        menu->setPalette(palette());
    }
}

void TForm1::BuildToolBar() {
    QToolBar* bar = addToolBar(QStringLiteral("Tools"));
    bar->setObjectName(QStringLiteral("ToolBar"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setFixedHeight(30);
    bar->setIconSize(QSize(20, 20));
    bar->toggleViewAction()->setVisible(false);
    setContextMenuPolicy(Qt::NoContextMenu);

    auto button = [this, bar](const char* name, int width, ToolIconKind icon, const QString& hint,
                              void (TForm1::*handler)(QObject*)) {
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
    Open_SB = button("Open_SB", 25, ToolIconKind::Open, QStringLiteral("Load Saved Measurements"),
                     &TForm1::Open1Click);
    Save_SB = button("Save_SB", 25, ToolIconKind::Save, QStringLiteral("Save Measurements"),
                     &TForm1::Save1Click);
    SpeedButton1 = button("SpeedButton1", 30, ToolIconKind::Print, QStringLiteral("Print Graph"),
                          &TForm1::Print1Click);
    SpeedButton7 = button("SpeedButton7", 30, ToolIconKind::ReadOut,
                          QStringLiteral("Load measurements from Kelmor"), &TForm1::Dump_BtnClick);
    Level_button = button("Level_button", 27, ToolIconKind::TriggerLevel,
                          QStringLiteral("Set trigger Level"), &TForm1::Level_buttonClick);
    SpeedButton3 =
        button("SpeedButton3", 30, ToolIconKind::Clock,
               QStringLiteral("Syncronize Kelmor  Clock with PC"), &TForm1::SpeedButton3Click);
    ERASE_BTN = button("ERASE_BTN", 30, ToolIconKind::Erase, QStringLiteral("Erase Kelmor"),
                       &TForm1::ERASE_BTNClick);

    Label3 = new QLabel(QStringLiteral("      Measurement "), bar);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setFont(PixelFont(13));
    bar->addWidget(Label3);

    ComboBox3 = new QComboBox(bar);
    ComboBox3->setObjectName(QStringLiteral("ComboBox3"));
    ComboBox3->setEditable(true);
    ComboBox3->setInsertPolicy(QComboBox::NoInsert);
    ComboBox3->setMaxVisibleItems(60);
    ComboBox3->setFixedWidth(224);
    ComboBox3->setFont(PixelFont(13));
    ComboBox3->setToolTip(QStringLiteral("Select Measurement"));
    ComboBox3->setEditText(QStringLiteral("Select  Measurement"));
    // Chosen from the list, the same entry again included: that shows the chart again.
    connect(ComboBox3, &QComboBox::activated, this, [this] { ComboBox3Change(ComboBox3); });
    bar->addWidget(ComboBox3);

    Label2 = new QLabel(QStringLiteral("  Mean "), bar);
    Label2->setObjectName(QStringLiteral("Label2"));
    bar->addWidget(Label2);

    ComboBox2 = new QComboBox(bar);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    ComboBox2->addItems({QStringLiteral("2h"), QStringLiteral("4h"), QStringLiteral("8h"),
                         QStringLiteral("12h"), QStringLiteral("24h"), QStringLiteral("2d"),
                         QStringLiteral("7d"), QStringLiteral("Mean")});
    ComboBox2->setCurrentIndex(-1);
    ComboBox2->setFixedWidth(73);
    ComboBox2->setFont(PixelFont(13));
    ComboBox2->setToolTip(QStringLiteral("Mean"));
    connect(ComboBox2, &QComboBox::activated, this, [this] { ComboBox2Change(ComboBox2); });
    bar->addWidget(ComboBox2);
}

void TForm1::BuildChart() {
    auto* area = new QWidget(this);
    auto* layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);
    Chart1 = new KelmorChart(area);
    Chart1->setObjectName(QStringLiteral("Chart1"));
    chartSink_ = std::make_unique<ChartSink>(*Chart1);
    layout->addWidget(Chart1);
    emptyState_ = new EmptyState(area);
    layout->addWidget(emptyState_);
    connect(emptyState_, &EmptyState::readOutChosen, this, [this] { Dump_BtnClick(SpeedButton7); });
    connect(emptyState_, &EmptyState::openChosen, this, [this] { Open1Click(Open_SB); });
    setCentralWidget(area);

    title = new QLineEdit(Chart1);
    title->setObjectName(QStringLiteral("title"));
    title->setFrame(false);
    title->setGeometry(56, 8, 657, 21);
    title->setText(QStringLiteral("Measurements"));

    connect(Chart1, &KelmorChart::zoomed, this, [this] { Meanonchart1Click(Chart1); });
    connect(Chart1, &KelmorChart::zoomUndone, this, [this] { Meanonchart1Click(Chart1); });
    connect(Chart1, &KelmorChart::doubleClicked, this, [this] { Chart1DblClick(Chart1); });
    connect(Chart1, &KelmorChart::clicked, this, [this] { titleClick(Chart1); });
}

void TForm1::BuildStatusBar() {
    StatusBar1 = statusBar();
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(true);
    panel0_ = new QLabel(StatusBar1);
    panel0_->setFixedWidth(300);
    panel1_ = new QLabel(StatusBar1);
    panel1_->setMinimumWidth(50);
    progress_ = new QProgressBar(StatusBar1);
    progress_->setObjectName(QStringLiteral("Progress"));
    // The bytes themselves: at 9600 baud a whole per cent of a V7 memory takes 1.4 s.
    progress_->setFormat(QStringLiteral("%v of %m bytes"));
    progress_->setFixedWidth(
        progress_->fontMetrics().horizontalAdvance(QStringLiteral("131071 of 131071 bytes")) + 24);
    progress_->hide();
    cancel_ = new QPushButton(QStringLiteral("Cancel"), StatusBar1);
    cancel_->setObjectName(QStringLiteral("CancelExchange"));
    cancel_->setToolTip(QStringLiteral("Stop talking to the Kelmor (Escape)"));
    cancel_->hide();
    StatusBar1->addWidget(panel0_);
    StatusBar1->addWidget(panel1_, 1);
    StatusBar1->addPermanentWidget(progress_);
    StatusBar1->addPermanentWidget(cancel_);

    runner_ = std::make_unique<ExchangeRunner>();
    connect(runner_.get(), &ExchangeRunner::progressed, this,
            [this](quint32 received, quint32 requested) {
                progress_->setRange(0, static_cast<int>(requested));
                progress_->setValue(static_cast<int>(received));
            });
}

void TForm1::BuildAssessment() {
    SummaryDock = new QDockWidget(QStringLiteral("Summary"), this);
    SummaryDock->setObjectName(QStringLiteral("SummaryDock"));
    // Opened and closed from the Assessment menu (F9) only, so that its state is the menu's.
    SummaryDock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    Summary = new SummaryPanel(SummaryDock);
    SummaryDock->setWidget(Summary);
    addDockWidget(Qt::RightDockWidgetArea, SummaryDock);
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        if (const QScreen* screen = this->screen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
        FormActivate(this);
    }
}

bool TForm1::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        return true;
    }
    return QMainWindow::event(event);
}

void TForm1::closeEvent(QCloseEvent* event) {
    // Said, not remembered: the window does not close by itself once the Kelmor is done.
    if (state_.exchangeRunning) {
        SetPanelText(1, QStringLiteral("The window cannot close while the Kelmor is busy"));
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void TForm1::FormCreate(QObject*) {
    instrument_->SetAttached(false);
    ApplyWindowState();
    Discover();
    instrument_->SetErrorReport(false);
    Chart1->SetBottomLabelFormat(QStringLiteral("dd/MM hh"));
}

void TForm1::FormActivate(QObject*) {
    // Only while no image is loaded: an image keeps its own factor, which the trigger
    // level and the foot line's error need.
    if (!data_->ImageLoaded) {
        data_->Header.CalibrationFactor = 6.0L;
    }
    state_.chartShown = false;
    ApplyWindowState();
    ShowAssessment();
}

int TForm1::RunOwnModal(QDialog& dialog) {
    const int result = dialogs_->ExecOwn(dialog);
    FormActivate(this);
    return result;
}

int TForm1::ShowMessage(QMessageBox& box) {
    return RunOwnModal(box);
}

void TForm1::ShowError(const QString& text) {
    QMessageBox box(QMessageBox::Critical, kCaption, text, QMessageBox::Ok, this);
    ShowMessage(box);
}

void TForm1::SetPanelText(int panel, const QString& text) {
    (panel == 0 ? panel0_ : panel1_)->setText(text);
}

QString TForm1::PanelText(int panel) const {
    return (panel == 0 ? panel0_ : panel1_)->text();
}

void TForm1::SetCaptionFromPath(const QString& path) {
    setWindowTitle(QFileInfo(path).fileName());
}

void TForm1::Exit1Click(QObject*) {
    close();
}

void TForm1::About1Click(QObject*) {
    RunOwnModal(*About);
}

void TForm1::UserGuide1Click(QObject*) {
    // A window beside the main one, to read while working: not one of its modal windows.
    Guide->show();
    Guide->raise();
    Guide->activateWindow();
}

}  // namespace kelmor
