#pragma once

#include <QString>

#include "archive/archive.h"

namespace kelmor {

// Read-outs the archive could not take yet (its server down, the connection lost during
// the import), each kept in a file of its own until it is stored: the image's bytes and
// what an import needs besides (model, instrument, time of the read-out, origin). Nothing
// read out is lost while the archive cannot be reached.
class PendingReadouts {
  public:
    // $XDG_DATA_HOME/kelmor/pending.
    static QString DefaultFolder();

    explicit PendingReadouts(const QString& folder = DefaultFolder()) : folder_(folder) {}

    // Keeps the source (once, however often it is kept). False, with the reason, when it
    // cannot be written.
    bool Keep(const ArchiveSource& source, QString& error) const;
    int Count() const;

    struct Outcome {
        int stored = 0;  // imported (or found in the archive already) and removed
        int left = 0;    // still kept
        QString error;   // why the first of those left was not stored
    };
    // Imports every kept read-out into `archive`, oldest first.
    Outcome StoreInto(Archive& archive) const;

  private:
    QString folder_;
};

}  // namespace kelmor
