#pragma once

#include <QDialog>
#include <QUrl>

class QTextBrowser;

namespace kelmor {

// The program's user guide (Help > User guide, F1): the user-guide part of the README with
// its screenshots, from the program's own resources, so it is there without a network or
// a browser. A window of its own beside the main window, not a modal one. Links to web
// pages open in the desktop's browser.
class UserGuideWindow : public QDialog {
    Q_OBJECT

  public:
    explicit UserGuideWindow(QWidget* parent = nullptr);

    // Where the guide and the pictures it shows are found.
    static QUrl Source();
    QTextBrowser* Browser() const { return browser_; }

  private:
    QTextBrowser* browser_ = nullptr;
};

}  // namespace kelmor
