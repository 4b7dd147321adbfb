#pragma once

// The air of a house as a Kelmor records it hour by hour: radon that rises at night and
// with falling pressure, temperature and humidity that follow the day and the season,
// and the raw readings each model stores for them. The sample files and the simulated
// instrument both record with it, so that they look alike.

#include <cstdint>

namespace kelmor {

// xorshift64*: the same numbers on every platform, unlike the standard distributions.
class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    double Uniform();
    double Normal();
    int Poisson(double mean);

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

inline constexpr Room kCellar{420, 0.35, 14, 70};
inline constexpr Room kLivingRoom{140, 0.45, 21, 48};
inline constexpr Room kBedroom{95, 0.55, 18, 52};
inline constexpr Room kKitchen{110, 0.40, 22, 55};
inline constexpr Room kOffice{60, 0.30, 21, 42};

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

// The hour ending at `hourOfDay` on day `dayOfYear` of the year; the weather moves on by an
// hour.
Hour SimulateHour(const Room& room, Weather& weather, int hourOfDay, int dayOfYear, Random& random);

// The V6's 16-bit readings.
int V6TemperatureReading(double temperature);
// The inverse of the V6 humidity conversion: the reading that gives `rh` at `temperature`.
int V6HumidityReading(double rh, double temperature);

// The coefficients of the V7's barometer as plain numbers.
struct BarometerCoefficients {
    double a0, b1, b2, c12;
};

// The V7's byte readings of one hour.
struct V7Readings {
    int temperature;
    int humidity;
    int pressure;
};

V7Readings V7ReadingsOf(const Hour& hour, const BarometerCoefficients& coefficients);

}  // namespace kelmor
