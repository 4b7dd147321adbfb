#pragma once

class QDialog;
class QFileDialog;
class QPrintDialog;

namespace kelmor {

// Runs the modal windows of the window: its own (message boxes, the About box, the
// trigger-level dialog) and the system's file and print dialogs. Tests answer them in
// place of a user.
class DesktopDialogs {
  public:
    virtual ~DesktopDialogs() = default;

    // Returns the dialog's result code.
    virtual int ExecOwn(QDialog& dialog);
    // True when the user confirmed.
    virtual bool ExecFile(QFileDialog& dialog);
    virtual bool ExecPrint(QPrintDialog& dialog);
};

}  // namespace kelmor
