#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

#include "archive/run_key.h"
#include "data/date_time.h"
#include "data/sample_conversion.h"

namespace kelmor {

// What a radon professional's record keeps beside the samples: the sites (buildings)
// surveyed, who deployed each run and how, the instruments with their calibrations, and
// the duplicate measurements that check one instrument against another.

// A building surveyed for a client. A place belongs to at most one site.
struct SiteInfo {
    QString name;  // unique
    QString address;
    QString client;
    QString notes;
    QStringList places;  // sorted by name
};

// How a run was deployed. Every field may be empty.
struct Deployment {
    QString tester;      // who placed the instrument
    QString placement;   // floor, room, height, distance from walls
    QString deviations;  // from the measurement protocol
    // When the instrument was put in place and taken away, where that differs from the
    // run's first and last hour (the instrument may have been started before it was placed).
    std::optional<DateTime> deployedAt;
    std::optional<DateTime> retrievedAt;
};

// A calibration factor the instrument's images carried, and when it was first and last
// seen (the read-out times of the sources that carried it).
struct CalibrationFactorSeen {
    Extended factor = 0;  // Bq/m3 per counted pulse
    DateTime firstSeen = 0;
    DateTime lastSeen = 0;
};

// A calibration the user recorded from the laboratory's certificate.
struct CalibrationRecord {
    QDate date;
    QString certificate;  // the certificate's reference
};

// An instrument, known by its serial number.
struct InstrumentInfo {
    QString serial;
    Model model = Model::V7;
    int runs = 0;
    QList<CalibrationFactorSeen> factorsSeen;  // oldest first
    QList<CalibrationRecord> calibrations;     // newest first
    std::optional<QDate> lastCalibration;      // the newest record's date
};

// A calibration is due every 12 months: overdue for a run that starts more than 12 months
// after the instrument's last calibration, or when none is recorded.
bool CalibrationOverdue(const std::optional<QDate>& lastCalibration, DateTime runStart);

struct InstrumentInfo;
// The calibration in force when the run started: the newest one dated on or before its
// start's day. A calibration made after the run does not vouch for it.
std::optional<QDate> CalibrationAt(const InstrumentInfo& instrument, DateTime runStart);

// Two runs of different instruments in the same place over overlapping hours. Their
// means are taken over the common period only (from the later first hour to the earlier
// last hour); the relative percent difference is |a - b| / ((a + b) / 2) x 100.
struct DuplicatePair {
    QString place;
    RunKey first;  // the smaller key of the two
    RunKey second;
    int commonHours = 0;
    double firstMeanBqm3 = 0;
    double secondMeanBqm3 = 0;
    double relativePercentDifference = 0;
};

// |a - b| / ((a + b) / 2) x 100; 0 when both are 0.
double RelativePercentDifference(double a, double b);

struct SiteDuplicates {
    QList<DuplicatePair> pairs;  // by place, then by first key
    int places = 0;              // the site's places with at least one run
    int placesWithDuplicate = 0;
};

}  // namespace kelmor
