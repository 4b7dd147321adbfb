#include "site_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kelmor {

namespace {

// A text field of a few lines in which Tab moves on, as in the single-line fields.
QPlainTextEdit* LinesField(QWidget* parent, const char* name, const QString& accessibleName,
                           const QString& text, int lines) {
    auto* field = new QPlainTextEdit(text, parent);
    field->setObjectName(QLatin1String(name));
    field->setAccessibleName(accessibleName);
    field->setTabChangesFocus(true);
    field->setFixedHeight(field->fontMetrics().lineSpacing() * lines + 12);
    return field;
}

}  // namespace

SiteDialog::SiteDialog(const SiteInfo& site, const QStringList& otherNames, QWidget* parent)
    : QDialog(parent), site_(site), otherNames_(otherNames) {
    setObjectName(QStringLiteral("siteDialog"));
    setWindowTitle(site.name.isEmpty() ? QStringLiteral("New site")
                                       : QStringLiteral("Edit site %1").arg(site.name));

    name_ = new QLineEdit(site.name, this);
    name_->setObjectName(QStringLiteral("siteNameField"));
    name_->setAccessibleName(QStringLiteral("Site name"));
    name_->setPlaceholderText(QStringLiteral("12 Elm Street"));
    name_->setToolTip(
        QStringLiteral("The building surveyed, as you will look for it; each site "
                       "of the archive has a name of its own"));
    address_ = LinesField(this, "siteAddressField", QStringLiteral("Address"), site.address, 3);
    address_->setToolTip(QStringLiteral("The building's postal address"));
    client_ = new QLineEdit(site.client, this);
    client_->setObjectName(QStringLiteral("siteClientField"));
    client_->setAccessibleName(QStringLiteral("Client"));
    client_->setToolTip(QStringLiteral("Who the survey is made for"));
    notes_ = LinesField(this, "siteNotesField", QStringLiteral("Notes"), site.notes, 4);
    notes_->setToolTip(
        QStringLiteral("The building: foundation, heating, ventilation, earlier "
                       "mitigation, anything the report's reader should know"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Name:"), name_);
    form->addRow(QStringLiteral("&Address:"), address_);
    form->addRow(QStringLiteral("&Client:"), client_);
    form->addRow(QStringLiteral("N&otes:"), notes_);

    problem_ = new QLabel(this);
    problem_->setObjectName(QStringLiteral("siteProblem"));
    problem_->setWordWrap(true);

    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons_->setObjectName(QStringLiteral("siteButtons"));
    buttons_->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("siteOkButton"));
    buttons_->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("siteCancelButton"));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(problem_);
    layout->addWidget(buttons_);
    setMinimumWidth(420);

    connect(name_, &QLineEdit::textChanged, this, &SiteDialog::UpdateControls);
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    UpdateControls();
}

SiteInfo SiteDialog::Site() const {
    SiteInfo site = site_;
    site.name = name_->text().trimmed();
    site.address = address_->toPlainText().trimmed();
    site.client = client_->text().trimmed();
    site.notes = notes_->toPlainText().trimmed();
    return site;
}

void SiteDialog::UpdateControls() {
    const QString name = name_->text().trimmed();
    // Names that differ only in case would be two sites a reader cannot tell apart.
    const bool taken = otherNames_.contains(name, Qt::CaseInsensitive);
    problem_->setText(taken ? QStringLiteral("Another site is called %1.").arg(name) : QString());
    problem_->setVisible(taken);
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(!name.isEmpty() && !taken);
}

}  // namespace kelmor
