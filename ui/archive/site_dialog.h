#pragma once

#include <QDialog>
#include <QStringList>

#include "archive/survey.h"

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace kelmor {

// A site's fields: its name, which no other site of the archive may have, the address,
// the client and notes. OK stays disabled while the name is empty or taken; a taken name is
// said.
class SiteDialog : public QDialog {
    Q_OBJECT

  public:
    // `site` is the site edited, or an empty one for a new site; `otherNames` are the names
    // of every other site of the archive.
    SiteDialog(const SiteInfo& site, const QStringList& otherNames, QWidget* parent = nullptr);

    // The fields as the user left them, trimmed; the places as they were.
    SiteInfo Site() const;

  private:
    void UpdateControls();

    SiteInfo site_;
    QStringList otherNames_;
    QLineEdit* name_ = nullptr;
    QPlainTextEdit* address_ = nullptr;
    QLineEdit* client_ = nullptr;
    QPlainTextEdit* notes_ = nullptr;
    QLabel* problem_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
};

}  // namespace kelmor
