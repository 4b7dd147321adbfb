#include "ui/dialogs/about_box.h"

#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QShowEvent>

#include "ui/dialogs/dialog_resources.h"
#include "ui/dialogs/dialog_window.h"
#include "ui/dialogs/jpeg_decoder.h"

namespace kelmor {
namespace {

// The places were laid out for the narrow "MS Sans Serif"; a wider substitute would push
// the long lines past the panel's edge, so such a line gets a smaller size until it fits.
void FitInto(QLabel& label, int width) {
    QFont font = label.font();
    while (font.pixelSize() > 7 && QFontMetrics(font).horizontalAdvance(label.text()) > width) {
        font.setPixelSize(font.pixelSize() - 1);
    }
    label.setFont(font);
}

QLabel* PanelLabel(QFrame* panel, const char* name, const QString& text, int left, int top) {
    auto* label = new QLabel(text, panel);
    label->setObjectName(QLatin1String(name));
    label->move(left, top);
    FitInto(*label, panel->contentsRect().right() - left);
    label->adjustSize();
    return label;
}

}  // namespace

TAbout::TAbout(QWidget* parent) : TAbout(parent, BannerJpeg()) {}

TAbout::TAbout(QWidget* parent, const QByteArray& bannerJpeg)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("About"));
    setWindowTitle(QStringLiteral("About V5 PC Interface"));
    setFixedSize(357, 240);
    setFont(DialogFont(11));
    QPalette face = palette();
    face.setColor(QPalette::Window, face.color(QPalette::Button));
    setPalette(face);
    setAutoFillBackground(true);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 361, 81);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QString error;
    const QImage banner = DecodeJpeg(bannerJpeg, &error);
    if (banner.isNull()) {
        qWarning("About box banner not shown: %s", qPrintable(error));
    } else {
        Image1->setPixmap(QPixmap::fromImage(banner));
    }

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(80, 88, 225, 89);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Label2 = PanelLabel(Panel1, "Label2", QStringLiteral("Kelmor PC Interface"), 42, 8);
    Label1 = PanelLabel(Panel1, "Label1", QStringLiteral("Version 2.19"), 75, 24);
    Label3 =
        PanelLabel(Panel1, "Label3", QStringLiteral("For support, comments, suggestions"), 31, 40);
    Label4 = PanelLabel(Panel1, "Label4",
                        QStringLiteral("and future program updates, send  E-mail to:"), 8, 56);
    Label5 = PanelLabel(Panel1, "Label5", QString::fromLatin1(kSupportAddress), 58, 72);
    Label5->setTextInteractionFlags(Qt::TextSelectableByMouse);

    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(80, 184, 225, 49);
    Button1->setFont(DialogFont(21));
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(Button1); });
}

void TAbout::Button1Click(QObject*) {
    accept();
}

void TAbout::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        CentreOnOwner(*this);
    }
    QDialog::showEvent(event);
}

}  // namespace kelmor
