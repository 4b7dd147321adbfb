#pragma once

class QApplication;

namespace kelmor {

class Clock;
class FtDriver;

// Sets the application up as the window program: its title, then the main window (whose
// creation runs the first discovery pass) and its two dialogs, then the event loop. A data
// file handed as the only argument is opened as Open does. Returns the exit code.
int RunWindowProgram(QApplication& app, FtDriver& driver, Clock& clock);

}  // namespace kelmor
