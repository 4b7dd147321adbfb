// Writes the project's sample data files, one realistic memory image per model, as the
// instrument would hold them after weeks of measuring in a house: kelmor-v5.Rn,
// kelmor-v6.Rn and kelmor-v7.Rn (the V7 memory nearly full).
//
//   make_samples OUTPUT_FOLDER
//
// The output is deterministic; the files in samples/ were made with it.

#include <QDir>
#include <QFile>
#include <cmath>
#include <cstdio>
#include <vector>

#include "image_builder.h"
#include "simulator/indoor_climate.h"

namespace {

using kelmor::Hour;
using kelmor::kBedroom;
using kelmor::kCellar;
using kelmor::kKitchen;
using kelmor::kLivingRoom;
using kelmor::kOffice;
using kelmor::Model;
using kelmor::Random;
using kelmor::Room;
using kelmor::SimulateHour;
using kelmor::Weather;
using kelmor::testing::ImageBuilder;
using kelmor::testing::RawRecord;
using kelmor::testing::Stamp;

// The V7's sensor coefficients, typical values of its barometer.
constexpr double kA0 = 2009.75, kB1 = -2.37585, kB2 = -0.92047, kC12 = 0.000790;

std::uint16_t FixedPointWord(double value, double scale, int shift = 0) {
    const int magnitude = static_cast<int>(std::lround(std::fabs(value) * scale)) << shift;
    return static_cast<std::uint16_t>(value < 0 ? 65536 - magnitude : magnitude);
}

RawRecord V7Record(const Hour& h, int pulses) {
    const kelmor::V7Readings readings = kelmor::V7ReadingsOf(h, {kA0, kB1, kB2, kC12});
    return RawRecord{pulses, readings.temperature, readings.humidity, readings.pressure};
}

struct Plan {
    Stamp start;
    int hours;
    Room room;
};

int DayOfYear(const Stamp& s) {
    static constexpr int kBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    return kBefore[s.month - 1] + s.day;
}

void Record(ImageBuilder& builder, const std::vector<Plan>& plans, double factor, Random& random) {
    Weather weather;
    for (const Plan& plan : plans) {
        std::vector<RawRecord> records;
        for (int k = 0; k < plan.hours; ++k) {
            const int hourOfDay = (plan.start.hour + k + 1) % 24;
            const int day = (DayOfYear(plan.start) + (plan.start.hour + k + 1) / 24) % 365;
            const Hour h = SimulateHour(plan.room, weather, hourOfDay, day, random);
            const int pulses = random.Poisson(h.radonBq / factor);
            switch (builder.Layout().model) {
                case Model::V5:
                    records.push_back(RawRecord{pulses, 0, 0, 0});
                    break;
                case Model::V6:
                    records.push_back(
                        RawRecord{pulses, kelmor::V6TemperatureReading(h.temperature),
                                  kelmor::V6HumidityReading(h.humidity, h.temperature), 0});
                    break;
                case Model::V7:
                    records.push_back(V7Record(h, pulses));
                    break;
            }
        }
        builder.AddMeasurement(plan.start, records);
    }
}

bool Save(const ImageBuilder& builder, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char*>(builder.Image().data()),
                   builder.Layout().imageSize) != builder.Layout().imageSize) {
        std::fprintf(stderr, "make_samples: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s: %d bytes free below the write address\n", qPrintable(path),
                builder.FreeBytes());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_samples OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));

    ImageBuilder v5(Model::V5);
    v5.SetCalibration(6, 0);
    v5.MutableImage()[4] = 50;  // trigger level 300 Bq/m3
    Random r5(5);
    Record(v5,
           {{{2025, 10, 3, 18, 0}, 168, kLivingRoom},
            {{2025, 10, 11, 9, 30}, 336, kCellar},
            {{2025, 10, 27, 20, 15}, 720, kBedroom},
            {{2025, 11, 28, 7, 45}, 1440, kLivingRoom}},
           6.0, r5);

    ImageBuilder v6(Model::V6);
    v6.SetCalibration(5, 40);
    v6.MutableImage()[4] = 37;  // trigger level 200 Bq/m3
    v6.MutableImage()[5] = 2;   // flashing red/green
    Random r6(6);
    Record(v6,
           {{{2026, 1, 12, 10, 0}, 170, kKitchen},
            {{2026, 1, 20, 16, 30}, 336, kCellar},
            {{2026, 2, 4, 8, 0}, 504, kBedroom},
            {{2026, 2, 26, 19, 0}, 1000, kLivingRoom},
            {{2026, 4, 10, 12, 0}, 2000, kOffice}},
           5.40, r6);

    ImageBuilder v7(Model::V7);
    v7.SetCalibration(6, 25);
    v7.MutableImage()[4] = 48;  // trigger level 300 Bq/m3
    v7.SetCoefficientWords(FixedPointWord(kA0, 8), FixedPointWord(kB1, 8192),
                           FixedPointWord(kB2, 16384), FixedPointWord(kC12, 4194304, 2));
    Random r7(7);
    Record(v7,
           {{{2024, 5, 2, 14, 0}, 336, kLivingRoom},
            {{2024, 5, 20, 9, 0}, 504, kCellar},
            {{2024, 6, 12, 18, 30}, 720, kBedroom},
            {{2024, 7, 15, 8, 0}, 1440, kKitchen},
            {{2024, 9, 16, 12, 0}, 2160, kLivingRoom},
            {{2024, 12, 18, 17, 0}, 2880, kCellar},
            {{2025, 4, 20, 10, 0}, 4380, kBedroom},
            {{2025, 10, 24, 11, 0}, 8500, kLivingRoom}},
           6.25, r7);

    return Save(v5, out.filePath(QStringLiteral("kelmor-v5.Rn"))) &&
                   Save(v6, out.filePath(QStringLiteral("kelmor-v6.Rn"))) &&
                   Save(v7, out.filePath(QStringLiteral("kelmor-v7.Rn")))
               ? 0
               : 1;
}
