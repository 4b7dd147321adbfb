#include "schema.h"

namespace kelmor {

const std::vector<SchemaStep>& SchemaSteps() {
    static const std::vector<SchemaStep> kSteps = {
        {
            QStringLiteral("CREATE TABLE sources ("
                           "id INTEGER PRIMARY KEY, sha256 BLOB NOT NULL UNIQUE, "
                           "image BLOB NOT NULL, serial TEXT NOT NULL, model TEXT NOT NULL, "
                           "calibration REAL NOT NULL, read_out_at TEXT NOT NULL, "
                           "utc_offset_s INTEGER NOT NULL, read_out_utc INTEGER NOT NULL, "
                           "origin TEXT NOT NULL, imported_at TEXT NOT NULL)"),
            QStringLiteral("CREATE TABLE places (id INTEGER PRIMARY KEY, "
                           "name TEXT NOT NULL UNIQUE)"),
            QStringLiteral("CREATE TABLE runs ("
                           "id INTEGER PRIMARY KEY, serial TEXT NOT NULL, "
                           "start INTEGER NOT NULL, model TEXT NOT NULL, "
                           "calibration INTEGER NOT NULL, coefficients BLOB, "
                           "place_id INTEGER REFERENCES places(id), "
                           "offered_place_id INTEGER REFERENCES places(id), "
                           "UNIQUE (serial, start))"),
            QStringLiteral("CREATE INDEX runs_by_place ON runs (place_id)"),
            QStringLiteral("CREATE TABLE run_sources ("
                           "run_id INTEGER NOT NULL REFERENCES runs(id), "
                           "source_id INTEGER NOT NULL REFERENCES sources(id), "
                           "hours INTEGER NOT NULL, PRIMARY KEY (run_id, source_id)) "
                           "WITHOUT ROWID"),
            QStringLiteral("CREATE TABLE samples ("
                           "run_id INTEGER NOT NULL REFERENCES runs(id), "
                           "hour INTEGER NOT NULL, pulses INTEGER NOT NULL, "
                           "climate INTEGER NOT NULL, PRIMARY KEY (run_id, hour)) "
                           "WITHOUT ROWID"),
            QStringLiteral("CREATE TABLE conflicts ("
                           "run_id INTEGER NOT NULL REFERENCES runs(id), "
                           "hour INTEGER NOT NULL, "
                           "source_id INTEGER NOT NULL REFERENCES sources(id), "
                           "kept_source_id INTEGER NOT NULL REFERENCES sources(id), "
                           "kept_pulses INTEGER NOT NULL, kept_climate INTEGER NOT NULL, "
                           "pulses INTEGER NOT NULL, climate INTEGER NOT NULL, "
                           "PRIMARY KEY (run_id, hour, source_id)) WITHOUT ROWID"),
        },
        {
            QStringLiteral("CREATE TABLE sites (id INTEGER PRIMARY KEY, "
                           "name TEXT NOT NULL UNIQUE, address TEXT NOT NULL, "
                           "client TEXT NOT NULL, notes TEXT NOT NULL)"),
            QStringLiteral("CREATE TABLE site_places ("
                           "place_id INTEGER NOT NULL REFERENCES places(id), "
                           "site_id INTEGER NOT NULL REFERENCES sites(id), "
                           "PRIMARY KEY (place_id))"),
            QStringLiteral("CREATE INDEX site_places_by_site ON site_places (site_id)"),
            QStringLiteral("CREATE TABLE deployments ("
                           "serial TEXT NOT NULL, start INTEGER NOT NULL, "
                           "tester TEXT NOT NULL, placement TEXT NOT NULL, "
                           "deviations TEXT NOT NULL, deployed_at TEXT, retrieved_at TEXT, "
                           "PRIMARY KEY (serial, start))"),
            QStringLiteral("CREATE TABLE calibrations ("
                           "serial TEXT NOT NULL, calibrated_on TEXT NOT NULL, "
                           "certificate TEXT NOT NULL, PRIMARY KEY (serial, calibrated_on))"),
        },
    };
    return kSteps;
}

}  // namespace kelmor
