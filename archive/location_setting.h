#pragma once

#include <QString>

namespace kelmor {

// Where the window programs keep the archive's location chosen under Main > Archive
// location...: one INI file per program ($XDG_CONFIG_HOME/kelmor/PROGRAM.conf), so that the
// demonstration keeps its own; kelmor-cli uses kelmor's. A location never holds a password
// (location.h refuses one).
class LocationSetting {
  public:
    static QString DefaultFile(const QString& program);

    // No file: nothing is kept (the choice lasts while the window does).
    explicit LocationSetting(const QString& file = QString()) : file_(file) {}

    // The location chosen last; empty when none was.
    QString Chosen() const;
    // False, with the reason naming the file, when it cannot be written.
    bool Choose(const QString& location, QString& error) const;

  private:
    QString file_;
};

// The archive a window program uses: the command line's, else the one chosen and kept,
// else the program's own.
QString ArchiveToUse(const QString& commandLine, const LocationSetting& setting,
                     const QString& programDefault);

}  // namespace kelmor
