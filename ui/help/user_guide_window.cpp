#include "user_guide_window.h"

#include <QImage>
#include <QKeySequence>
#include <QShortcut>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

// Q_INIT_RESOURCE must be used outside any namespace; a static library's resources are
// registered only when asked for.
static void RegisterGuideResources() {
    Q_INIT_RESOURCE(user_guide);
}

namespace kelmor {

namespace {

// The screenshots are as wide as the window they show; in the guide they are shrunk to
// the width of its text, keeping their proportions.
constexpr int kPictureWidth = 640;

void FitPictures(QTextDocument& document) {
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid() || !fragment.charFormat().isImageFormat()) {
                continue;
            }
            QTextImageFormat picture = fragment.charFormat().toImageFormat();
            const QImage image =
                document.resource(QTextDocument::ImageResource, QUrl(picture.name()))
                    .value<QImage>();
            if (image.isNull() || image.width() <= kPictureWidth) {
                continue;
            }
            picture.setWidth(kPictureWidth);
            picture.setHeight(kPictureWidth * image.height() / double(image.width()));
            QTextCursor cursor(&document);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(picture);
        }
    }
}

}  // namespace

UserGuideWindow::UserGuideWindow(QWidget* parent) : QDialog(parent, Qt::Window) {
    static const bool registered = [] {
        RegisterGuideResources();
        return true;
    }();
    (void)registered;
    setObjectName(QStringLiteral("userGuide"));
    setWindowTitle(QStringLiteral("Kelmor: User guide"));
    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("guideBrowser"));
    browser_->setOpenExternalLinks(true);
    browser_->setSource(Source(), QTextDocument::MarkdownResource);
    FitPictures(*browser_->document());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    resize(720, 640);
    auto* close = new QShortcut(QKeySequence::Close, this);
    connect(close, &QShortcut::activated, this, &QDialog::close);
}

QUrl UserGuideWindow::Source() {
    return QUrl(QStringLiteral("qrc:/guide/user-guide.md"));
}

}  // namespace kelmor
