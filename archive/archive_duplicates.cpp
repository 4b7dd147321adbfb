// Duplicate measurements: two instruments side by side in one place over the same hours.
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <cmath>
#include <vector>

#include "archive/archive_impl.h"
#include "archive/sql.h"

namespace kelmor {

namespace {

struct HourlySample {
    DateTime time = 0;
    double bqm3 = 0;
};

bool LoadSamples(const QSqlDatabase& db, const RunInfo& run, std::vector<HourlySample>& samples,
                 QString& error) {
    std::optional<QSqlQuery> q =
        sql::Exec(db,
                  QStringLiteral("SELECT s.hour, s.pulses, s.climate FROM samples s JOIN runs r "
                                 "ON r.id = s.run_id WHERE r.serial = ? AND r.start = ? ORDER "
                                 "BY s.hour"),
                  {run.key.serial, run.key.startMinutes}, error);
    if (!q) {
        return false;
    }
    const DateTime start = RunStartTime(run.key.startMinutes);
    while (q->next()) {
        const std::optional<StoredSample> stored = ReadStoredSample(*q);
        if (!stored) {
            error = QStringLiteral("a sample of %1 is out of range").arg(run.key.serial);
            return false;
        }
        const SampleRecord record = ConvertReadings(run.model, stored->pulses, stored->climate,
                                                    run.calibrationFactor, start, stored->hour, {});
        samples.push_back({record.Time, static_cast<double>(record.Concentration)});
    }
    return true;
}

struct RangeMean {
    int samples = 0;
    double meanBqm3 = 0;
};

RangeMean MeanWithin(const std::vector<HourlySample>& samples, DateTime from, DateTime to) {
    RangeMean result;
    double sum = 0;
    for (const HourlySample& sample : samples) {
        if (WithinRange(sample.time, from, to)) {
            sum += sample.bqm3;
            ++result.samples;
        }
    }
    result.meanBqm3 = result.samples > 0 ? sum / result.samples : 0;
    return result;
}

}  // namespace

double RelativePercentDifference(double a, double b) {
    const double mean = (a + b) / 2;
    return mean > 0 ? std::abs(a - b) / mean * 100 : 0;
}

SiteDuplicates Archive::Duplicates(const QString& site, QString* error) const {
    SiteDuplicates duplicates;
    QString reason;
    const std::optional<SiteInfo> info = Site(site, &reason);
    if (!info) {
        if (error) {
            *error = reason;
        }
        return duplicates;
    }
    for (const QString& place : info->places) {
        QList<RunInfo> runs = RunsOfPlace(place, &reason);
        if (!reason.isEmpty()) {
            if (error) {
                *error = impl_->ReadError(reason);
            }
            return {};
        }
        runs.erase(std::remove_if(runs.begin(), runs.end(),
                                  [](const RunInfo& run) { return run.hours == 0; }),
                   runs.end());
        if (runs.isEmpty()) {
            continue;
        }
        ++duplicates.places;
        // Loaded when a run is first part of a pair.
        std::vector<std::optional<std::vector<HourlySample>>> samples(
            static_cast<std::size_t>(runs.size()));
        auto samplesOf = [&](int index) -> const std::vector<HourlySample>* {
            std::optional<std::vector<HourlySample>>& loaded =
                samples[static_cast<std::size_t>(index)];
            if (!loaded) {
                loaded.emplace();
                if (!LoadSamples(impl_->Db(), runs[index], *loaded, reason)) {
                    return nullptr;
                }
            }
            return &*loaded;
        };
        bool paired = false;
        // Sorted by serial, then start: the first of a pair has the smaller key.
        for (int i = 0; i < runs.size(); ++i) {
            for (int j = i + 1; j < runs.size(); ++j) {
                const RunInfo& a = runs[i];
                const RunInfo& b = runs[j];
                if (a.key.serial == b.key.serial) {
                    continue;  // one instrument cannot duplicate itself
                }
                const DateTime from = std::max(a.first, b.first);
                const DateTime to = std::min(a.last, b.last);
                if (MillisecondsOf(from) > MillisecondsOf(to)) {
                    continue;
                }
                const std::vector<HourlySample>* first = samplesOf(i);
                const std::vector<HourlySample>* second = first ? samplesOf(j) : nullptr;
                if (!second) {
                    if (error) {
                        *error = impl_->ReadError(reason);
                    }
                    return {};
                }
                const RangeMean am = MeanWithin(*first, from, to);
                const RangeMean bm = MeanWithin(*second, from, to);
                if (am.samples == 0 || bm.samples == 0) {
                    continue;
                }
                DuplicatePair pair;
                pair.place = place;
                pair.first = a.key;
                pair.second = b.key;
                pair.commonHours = std::min(am.samples, bm.samples);
                pair.firstMeanBqm3 = am.meanBqm3;
                pair.secondMeanBqm3 = bm.meanBqm3;
                pair.relativePercentDifference =
                    RelativePercentDifference(am.meanBqm3, bm.meanBqm3);
                duplicates.pairs << pair;
                paired = true;
            }
        }
        if (paired) {
            ++duplicates.placesWithDuplicate;
        }
    }
    return duplicates;
}

}  // namespace kelmor
