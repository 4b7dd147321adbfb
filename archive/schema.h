#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <vector>

namespace kelmor {

// The archive's layout. Its version lives in the database (PRAGMA user_version); each step
// of the list takes a database from the version before it to the next, so that the list's
// length is the version this program writes.
//
// Tables:
// - sources: every image exactly as read out or opened, once per SHA-256, with the
//   instrument's serial number, model, calibration factor, the local time of the read-out
//   and the PC's UTC offset then. Everything else is derived from these rows again.
// - runs: one measurement of an instrument, by serial number and start (whole minutes
//   since 30 December 1899, local time); its model, calibration bytes (whole << 8 |
//   hundredths) and V7 pressure coefficients (8 header bytes) from its earliest source;
//   its place and the place offered for it.
// - run_sources: which source showed which run, with how many hours.
// - samples: one row per run and hour (0 = the first hour) with the pulses counted and the
//   climate readings as stored (sample_conversion.h): integers, a few bytes each.
// - conflicts: an hour that a later source gives differently from the value kept.
// - places: named locations.
// - sites: the buildings surveyed, by unique name, with address, client and notes.
// - site_places: the site of a place (a place is in at most one).
// - deployments: who placed a run's instrument and how, by the run's serial number and
//   start rather than its row, so that deriving the runs again keeps them; the times as
//   YYYY-MM-DDTHH:MM:SS local text.
// - calibrations: the calibrations the user recorded from the laboratory's certificates,
//   one per instrument and day (YYYY-MM-DD). The factors the instrument's images carried
//   are not kept here: the sources hold them with their read-out times.
using SchemaStep = QStringList;  // statements run in one transaction

const std::vector<SchemaStep>& SchemaSteps();
inline int CurrentSchemaVersion() {
    return static_cast<int>(SchemaSteps().size());
}

}  // namespace kelmor
