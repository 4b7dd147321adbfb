#pragma once

// A building surveyed as a professional does it, built into an archive file: the site
// "Maple Street 12" with three places, two instruments, one duplicate pair in the basement
// and one instrument whose calibration is overdue. The site report's tests and the
// archive's share it; the figures below are what they expect.
//
// - SN-A, a V7 (factor 6.00, calibrated 2025-06-01): the basement from 2026-01-05 10:00 for
//   48 hours (2 hours of 100 pulses, then 50: 600 then 300 Bq/m3), the living room from
//   2026-01-08 10:00 for 72 hours of 20 pulses (120 Bq/m3).
// - SN-B, a V5 (factor 5.50, calibrated 2024-11-30: overdue for runs in 2026): the
//   basement from 2026-01-05 12:00 for 48 hours of 40 pulses (220 Bq/m3), the bedroom from
//   2026-01-08 10:00 for 72 hours of 30 pulses (165 Bq/m3).
// - In the basement both measured from 13:00 on the 5th to 10:00 on the 7th: 46 hours, SN-A
//   300 and SN-B 220 Bq/m3 over them, a relative difference of 80 / 260 = 30.77 %.

#include <QString>
#include <memory>

#include "archive/archive.h"
#include "image_builder.h"

namespace kelmor::testing {

struct SurveyScenario {
    static QString Site() { return QStringLiteral("Maple Street 12"); }
    static QString Address() { return QStringLiteral("12 Maple Street, Springfield"); }
    static QString Client() { return QStringLiteral("Jordan Doe"); }
    static QString Basement() { return QStringLiteral("Basement"); }
    static QString LivingRoom() { return QStringLiteral("Living room"); }
    static QString Bedroom() { return QStringLiteral("Bedroom"); }
    static QString SerialA() { return QStringLiteral("SN-A"); }
    static QString SerialB() { return QStringLiteral("SN-B"); }
    static QString TesterA() { return QStringLiteral("Alex Tester"); }
    static QString TesterB() { return QStringLiteral("Blake Tester"); }
    static QString Deviation() { return QStringLiteral("Window opened on 6 January, 2 hours"); }

    static RunKey Run(const QString& serial, int day, int hour) {
        DateTime date = 0;
        TryEncodeDate(2026, 1, day, date);
        return {serial, RunStartMinutes(date + EncodeTime(hour, 0, 0, 0))};
    }
    static RunKey BasementA() { return Run(SerialA(), 5, 10); }
    static RunKey BasementB() { return Run(SerialB(), 5, 12); }
    static RunKey LivingRoomA() { return Run(SerialA(), 8, 10); }
    static RunKey BedroomB() { return Run(SerialB(), 8, 10); }

    static constexpr double kBasementMean = (2 * 600.0 + 46 * 300.0 + 48 * 220.0) / 96;
    static constexpr double kLivingRoomMean = 120;
    static constexpr double kBedroomMean = 165;
    static constexpr int kCommonHours = 46;
    static constexpr double kRelativeDifference = 80.0 / 260.0 * 100;
};

// Builds the scenario into the archive at `path` (created when missing). Returns what went
// wrong, empty when it is built.
inline QString BuildSurveyScenario(const QString& path) {
    using S = SurveyScenario;
    OpenResult opened = Archive::Open(path, {OpenMode::CreateIfMissing, 5000});
    if (!opened.archive) {
        return opened.error;
    }
    Archive& archive = *opened.archive;

    ImageBuilder a(Model::V7);
    std::vector<RawRecord> basement(48, RawRecord{50, 140, 150, 120});
    basement[0].pulses = basement[1].pulses = 100;
    a.AddMeasurement({2026, 1, 5, 10, 0}, basement);
    a.AddMeasurement({2026, 1, 8, 10, 0}, std::vector<RawRecord>(72, RawRecord{20, 141, 152, 121}));
    ImageBuilder b(Model::V5);
    b.SetCalibration(5, 50);
    b.AddMeasurement({2026, 1, 5, 12, 0}, ConstantPulses(48, 40));
    b.AddMeasurement({2026, 1, 8, 10, 0}, ConstantPulses(72, 30));

    DateTime readOut = 0;
    TryEncodeDate(2026, 1, 12, readOut);
    for (const auto& [builder, serial] : {std::pair{&a, S::SerialA()}, {&b, S::SerialB()}}) {
        ArchiveSource source;
        source.model = builder->Layout().model;
        source.image = QByteArray(reinterpret_cast<const char*>(builder->Image().data()),
                                  builder->Layout().imageSize);
        source.serial = serial;
        source.readOutAt = readOut + EncodeTime(9, 0, 0, 0);
        source.utcOffsetSeconds = 3600;
        source.origin = QStringLiteral("read-out");
        const ImportOutcome outcome = archive.Import(source);
        if (!outcome.ok) {
            return outcome.error;
        }
    }

    DateTime deployed = 0;
    TryEncodeDate(2026, 1, 5, deployed);
    const struct {
        RunKey run;
        QString place;
        Deployment deployment;
    } runs[] = {
        {S::BasementA(),
         S::Basement(),
         {S::TesterA(), QStringLiteral("Basement, north wall, 1.0 m high, 0.5 m from walls"),
          QString(), deployed + EncodeTime(9, 30, 0, 0), std::nullopt}},
        {S::BasementB(),
         S::Basement(),
         {S::TesterB(), QStringLiteral("Basement, beside SN-A, 10 cm apart"), S::Deviation(),
          std::nullopt, std::nullopt}},
        {S::LivingRoomA(),
         S::LivingRoom(),
         {S::TesterA(), QStringLiteral("Living room, bookshelf, 1.2 m high"), QString(),
          std::nullopt, std::nullopt}},
        {S::BedroomB(),
         S::Bedroom(),
         {S::TesterA(), QStringLiteral("Bedroom, chest of drawers, 0.9 m high"), QString(),
          std::nullopt, std::nullopt}},
    };
    ArchiveStatus status = archive.SaveSite(
        {S::Site(), S::Address(), S::Client(), QStringLiteral("Survey before the sale"), {}});
    for (const auto& run : runs) {
        if (!status.ok) {
            return status.error;
        }
        status = archive.Assign(run.run, run.place);
        status = status.ok ? archive.SetPlaceSite(run.place, S::Site()) : status;
        status = status.ok ? archive.SetDeployment(run.run, run.deployment) : status;
    }
    status = status.ok ? archive.AddCalibration(S::SerialA(),
                                                {QDate(2025, 6, 1), QStringLiteral("LAB-25-0601")})
                       : status;
    status = status.ok ? archive.AddCalibration(
                             S::SerialB(), {QDate(2024, 11, 30), QStringLiteral("LAB-24-1130")})
                       : status;
    return status.ok ? QString() : status.error;
}

}  // namespace kelmor::testing
