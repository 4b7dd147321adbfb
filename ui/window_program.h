#pragma once

#include <functional>

class QApplication;
class QString;

namespace kelmor {

class Clock;
class FtDriver;
class MainWindow;

// Sets the application up as the window program: its title, then the main window (whose
// creation runs the first discovery pass) and its two dialogs, then the event loop. A data
// file handed as the only argument is opened as Open does. Returns the exit code.
// `archivePath` is the radon archive the window keeps its read-outs in. `decorate`, when
// given, adds to the window before it is shown (the demo's own menu).
int RunWindowProgram(QApplication& app, FtDriver& driver, Clock& clock, const QString& archivePath,
                     const std::function<void(MainWindow&)>& decorate = {});

}  // namespace kelmor
