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

namespace {

using kelmor::Model;
using kelmor::testing::ImageBuilder;
using kelmor::testing::RawRecord;
using kelmor::testing::Stamp;

constexpr double kPi = 3.14159265358979323846;

// xorshift64*: the same numbers on every platform, unlike the standard distributions.
class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    double Uniform() {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return static_cast<double>((state_ * 2685821657736338717ULL) >> 11) * 0x1.0p-53;
    }

    double Normal() {
        const double u = std::max(Uniform(), 1e-300);
        return std::sqrt(-2 * std::log(u)) * std::cos(2 * kPi * Uniform());
    }

    int Poisson(double mean) {
        if (mean < 30) {
            const double limit = std::exp(-mean);
            int k = 0;
            for (double p = Uniform(); p > limit; p *= Uniform()) {
                ++k;
            }
            return k;
        }
        return std::max(0, static_cast<int>(std::lround(mean + std::sqrt(mean) * Normal())));
    }

  private:
    std::uint64_t state_;
};

// One room of a house: its mean radon level and how strongly it follows the day.
struct Room {
    double meanBq;
    double dailySwing;  // relative amplitude of the night-time rise
    double temperature;
    double humidity;
};

struct Weather {
    double pressureKpa = 101.3;
    double drift = 1.0;  // slow change of the radon level with the weather
};

struct Hour {
    double radonBq;
    double temperature;
    double humidity;
    double pressureKpa;
};

Hour Simulate(const Room& room, Weather& weather, int hourOfDay, int dayOfYear, Random& random) {
    // Pressure wanders between lows and highs; radon rises as the pressure falls.
    weather.pressureKpa += 0.04 * random.Normal() - 0.002 * (weather.pressureKpa - 101.3);
    weather.drift =
        std::clamp(weather.drift + 0.02 * random.Normal() - 0.01 * (weather.drift - 1.0) -
                       0.01 * (weather.pressureKpa - 101.3),
                   0.4, 1.8);
    const double night = std::cos(2 * kPi * (hourOfDay - 5) / 24.0);
    const double season = std::cos(2 * kPi * (dayOfYear - 15) / 365.0);  // higher in winter
    Hour h;
    h.radonBq = room.meanBq * weather.drift * (1 + room.dailySwing * night) * (1 + 0.25 * season);
    h.temperature = room.temperature - 2.0 * night - 1.5 * season + 0.3 * random.Normal();
    h.humidity =
        std::clamp(room.humidity + 6.0 * night - 5 * season + 1.5 * random.Normal(), 15.0, 95.0);
    h.pressureKpa = weather.pressureKpa;
    return h;
}

// The inverse of the V6 humidity conversion: the reading that gives `rh` at `temperature`.
int V6HumidityReading(double rh, double temperature) {
    const double a = -0.0000028;
    const double b = 0.0405 + 0.00008 * (temperature - 25);
    const double c = -4 + 0.01 * (temperature - 25) - rh;
    return static_cast<int>(std::lround((-b + std::sqrt(b * b - 4 * a * c)) / (2 * a)));
}

// The V7's sensor coefficients, typical values of its barometer.
constexpr double kA0 = 2009.75, kB1 = -2.37585, kB2 = -0.92047, kC12 = 0.000790;

std::uint16_t FixedPointWord(double value, double scale, int shift = 0) {
    const int magnitude = static_cast<int>(std::lround(std::fabs(value) * scale)) << shift;
    return static_cast<std::uint16_t>(value < 0 ? 65536 - magnitude : magnitude);
}

RawRecord V7Record(const Hour& h, int pulses) {
    RawRecord r;
    r.pulses = pulses;
    const double tr = 605.75 - 5.35 * (h.temperature - 9);
    r.temperature = std::clamp(static_cast<int>(std::lround(tr / 4)), 0, 255);
    r.humidity =
        std::clamp(static_cast<int>(std::lround((h.humidity / 45 + 0.5) / 3.3 * 255)), 0, 255);
    const double tadc = 4.0 * r.temperature;
    const double pcomp = (h.pressureKpa - 50) * 1023 / 65;
    const double padc = (pcomp - kA0 - kB2 * tadc) / (kB1 + kC12 * tadc);
    r.pressure = std::clamp(static_cast<int>(std::lround(padc / 4)), 0, 255);
    return r;
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
            const Hour h = Simulate(plan.room, weather, hourOfDay, day, random);
            const int pulses = random.Poisson(h.radonBq / factor);
            switch (builder.Layout().model) {
                case Model::V5:
                    records.push_back(RawRecord{pulses, 0, 0, 0});
                    break;
                case Model::V6:
                    records.push_back(
                        RawRecord{pulses, static_cast<int>(std::lround((h.temperature + 40) * 100)),
                                  V6HumidityReading(h.humidity, h.temperature), 0});
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

const Room kCellar{420, 0.35, 14, 70};
const Room kLivingRoom{140, 0.45, 21, 48};
const Room kBedroom{95, 0.55, 18, 52};
const Room kKitchen{110, 0.40, 22, 55};
const Room kOffice{60, 0.30, 21, 42};

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
