#include "indoor_climate.h"

#include <algorithm>
#include <cmath>

namespace kelmor {

namespace {

constexpr double kPi = 3.14159265358979323846;

// A reading the sensor's byte can hold; a conversion without a finite result (a V7 whose
// barometer coefficients are all zero) reads 0.
int ByteReading(double value) {
    return std::isfinite(value) ? static_cast<int>(std::lround(std::clamp(value, 0.0, 255.0))) : 0;
}

}  // namespace

double Random::Uniform() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return static_cast<double>((state_ * 2685821657736338717ULL) >> 11) * 0x1.0p-53;
}

double Random::Normal() {
    const double u = std::max(Uniform(), 1e-300);
    return std::sqrt(-2 * std::log(u)) * std::cos(2 * kPi * Uniform());
}

int Random::Poisson(double mean) {
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

Hour SimulateHour(const Room& room, Weather& weather, int hourOfDay, int dayOfYear,
                  Random& random) {
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

int V6TemperatureReading(double temperature) {
    return static_cast<int>(std::lround((temperature + 40) * 100));
}

int V6HumidityReading(double rh, double temperature) {
    const double a = -0.0000028;
    const double b = 0.0405 + 0.00008 * (temperature - 25);
    const double c = -4 + 0.01 * (temperature - 25) - rh;
    return static_cast<int>(std::lround((-b + std::sqrt(b * b - 4 * a * c)) / (2 * a)));
}

V7Readings V7ReadingsOf(const Hour& h, const BarometerCoefficients& k) {
    V7Readings r;
    const double tr = 605.75 - 5.35 * (h.temperature - 9);
    r.temperature = ByteReading(tr / 4);
    r.humidity = ByteReading((h.humidity / 45 + 0.5) / 3.3 * 255);
    // The sensor's compensation run backwards: the pressure byte that gives this pressure
    // at this temperature byte.
    const double tadc = 4.0 * r.temperature;
    const double pcomp = (h.pressureKpa - 50) * 1023 / 65;
    const double padc = (pcomp - k.a0 - k.b2 * tadc) / (k.b1 + k.c12 * tadc);
    r.pressure = ByteReading(padc / 4);
    return r;
}

}  // namespace kelmor
