#include "archive_location_dialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "archive/archive.h"
#include "archive/location.h"

namespace kelmor {

ArchiveLocationDialog::ArchiveLocationDialog(const QString& current, Browse browse, QWidget* parent)
    : QDialog(parent), browse_(std::move(browse)) {
    setObjectName(QStringLiteral("archiveLocationDialog"));
    setWindowTitle(QStringLiteral("Archive location"));

    auto* label = new QLabel(QStringLiteral("&Archive (a file, or postgresql://user@host:port/"
                                            "database on a server):"),
                             this);
    location_ = new QLineEdit(current, this);
    location_->setObjectName(QStringLiteral("archiveLocationEdit"));
    location_->setAccessibleName(QStringLiteral("Archive location"));
    location_->setToolTip(QStringLiteral(
        "A file such as ~/.local/share/kelmor/archive.sqlite, or a PostgreSQL URI such as "
        "postgresql://tester@radon.example.org:5432/kelmor?sslmode=require. Passwords go in "
        "~/.pgpass, never here."));
    location_->setMinimumWidth(480);
    label->setBuddy(location_);

    auto* browseButton = new QPushButton(QStringLiteral("&Browse..."), this);
    browseButton->setObjectName(QStringLiteral("archiveBrowseButton"));
    browseButton->setToolTip(QStringLiteral("Choose an archive file on this PC"));
    auto* testButton = new QPushButton(QStringLiteral("&Test"), this);
    testButton->setObjectName(QStringLiteral("archiveTestButton"));
    testButton->setToolTip(QStringLiteral("Open the archive there and say what it holds"));

    result_ = new QLabel(this);
    result_->setObjectName(QStringLiteral("archiveTestResult"));
    result_->setWordWrap(true);
    result_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    result_->setAccessibleName(QStringLiteral("Test result"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("archiveLocationButtons"));
    okButton_ = buttons->button(QDialogButtonBox::Ok);
    okButton_->setObjectName(QStringLiteral("archiveLocationOk"));
    buttons->button(QDialogButtonBox::Cancel)
        ->setObjectName(QStringLiteral("archiveLocationCancel"));

    auto* layout = new QGridLayout(this);
    layout->addWidget(label, 0, 0, 1, 3);
    layout->addWidget(location_, 1, 0);
    layout->addWidget(browseButton, 1, 1);
    layout->addWidget(testButton, 1, 2);
    layout->addWidget(result_, 2, 0, 1, 3);
    layout->addWidget(buttons, 3, 0, 1, 3);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(testButton, &QPushButton::clicked, this, &ArchiveLocationDialog::Test);
    connect(browseButton, &QPushButton::clicked, this, [this] {
        if (const std::optional<QString> chosen = browse_(Location())) {
            location_->setText(QDir::toNativeSeparators(*chosen));
            result_->clear();
        }
    });
    connect(location_, &QLineEdit::textChanged, this, [this](const QString& text) {
        okButton_->setEnabled(!text.trimmed().isEmpty());
        result_->clear();
    });
    okButton_->setEnabled(!current.trimmed().isEmpty());
}

QString ArchiveLocationDialog::Location() const {
    return location_->text().trimmed();
}

void ArchiveLocationDialog::Test() {
    const LocationParse parse = ParseLocation(Location());
    if (!parse.location) {
        result_->setText(parse.error);
        return;
    }
    OpenOptions options;
    options.mode = OpenMode::ReadOnly;
    const OpenResult opened = Archive::Open(Location(), options);
    if (!opened.archive) {
        // An empty database or a missing file is where a new archive is made.
        result_->setText(opened.error.startsWith(QLatin1String("There is no archive"))
                             ? opened.error +
                                   QStringLiteral(" A new one is made there when you choose it.")
                             : opened.error);
        return;
    }
    QString error;
    const int runs = static_cast<int>(opened.archive->Runs(&error).size());
    const int places = static_cast<int>(opened.archive->Places(&error).size());
    result_->setText(error.isEmpty() ? QStringLiteral("The archive %1 holds %2 runs in %3 places.")
                                           .arg(parse.location->Display())
                                           .arg(runs)
                                           .arg(places)
                                     : error);
}

}  // namespace kelmor
