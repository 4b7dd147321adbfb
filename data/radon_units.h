#pragma once

namespace kelmor {

// US users think in picocuries per litre: 1 pCi/L is 37 Bq/m3 (1 pCi = 0.037 Bq, 1 m3 =
// 1000 L), so the US EPA action level of 4 pCi/L is 148 Bq/m3.
constexpr double kBqM3PerPciL = 37.0;

constexpr double PciPerLitre(double bqPerCubicMetre) {
    return bqPerCubicMetre / kBqM3PerPciL;
}

}  // namespace kelmor
