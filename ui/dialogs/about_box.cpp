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

AboutBox::AboutBox(QWidget* parent) : AboutBox(parent, BannerJpeg()) {}

AboutBox::AboutBox(QWidget* parent, const QByteArray& bannerJpeg)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("aboutBox"));
    setWindowTitle(QStringLiteral("About V5 PC Interface"));
    setFixedSize(357, 240);
    setFont(DialogFont(11));
    QPalette face = palette();
    face.setColor(QPalette::Window, face.color(QPalette::Button));
    setPalette(face);
    setAutoFillBackground(true);

    banner_ = new QLabel(this);
    banner_->setObjectName(QStringLiteral("banner"));
    banner_->setGeometry(0, 0, 361, 81);
    banner_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QString error;
    const QImage banner = DecodeJpeg(bannerJpeg, &error);
    if (banner.isNull()) {
        qWarning("About box banner not shown: %s", qPrintable(error));
    } else {
        banner_->setPixmap(QPixmap::fromImage(banner));
    }

    panel_ = new QFrame(this);
    panel_->setObjectName(QStringLiteral("panel"));
    panel_->setGeometry(80, 88, 225, 89);
    panel_->setFrameStyle(QFrame::Panel | QFrame::Raised);
    productLabel_ =
        PanelLabel(panel_, "productLabel", QStringLiteral("Kelmor PC Interface"), 42, 8);
    versionLabel_ = PanelLabel(panel_, "versionLabel", QStringLiteral("Version 2.19"), 75, 24);
    supportLabel_ = PanelLabel(panel_, "supportLabel",
                               QStringLiteral("For support, comments, suggestions"), 31, 40);
    updatesLabel_ =
        PanelLabel(panel_, "updatesLabel",
                   QStringLiteral("and future program updates, send  E-mail to:"), 8, 56);
    addressLabel_ =
        PanelLabel(panel_, "addressLabel", QString::fromLatin1(kSupportAddress), 58, 72);
    addressLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    okButton_->setObjectName(QStringLiteral("okButton"));
    okButton_->setGeometry(80, 184, 225, 49);
    okButton_->setFont(DialogFont(21));
    okButton_->setDefault(true);
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
}

void AboutBox::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        CentreOnOwner(*this);
    }
    QDialog::showEvent(event);
}

}  // namespace kelmor
