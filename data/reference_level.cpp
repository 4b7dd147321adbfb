#include "reference_level.h"

#include <QLocale>
#include <cmath>

namespace kelmor {

const std::array<ReferenceLevelPreset, kReferenceLevelPresetCount>& ReferenceLevelPresets() {
    static constexpr std::array<ReferenceLevelPreset, kReferenceLevelPresetCount> kPresets = {{
        {"who", 100, "100 Bq/m3 (WHO)",
         "WHO handbook on indoor radon (2009): a reference level of 100 Bq/m3, or where that "
         "cannot be met, not above 300 Bq/m3."},
        {"epa", 148, "148 Bq/m3 (US EPA action level, 4 pCi/L)",
         "US EPA: fix the home at 4 pCi/L (148 Bq/m3) or above."},
        {"eu", 300, "300 Bq/m3 (EU, highest national reference level)",
         "Council Directive 2013/59/Euratom: national reference levels for the annual average "
         "not above 300 Bq/m3."},
    }};
    return kPresets;
}

bool IsValidReferenceLevel(double bqm3) {
    return std::isfinite(bqm3) && bqm3 >= kLowestReferenceLevel && bqm3 <= kHighestReferenceLevel;
}

std::optional<double> ParseReferenceLevel(const QString& text) {
    const QString trimmed = text.trimmed();
    for (const ReferenceLevelPreset& preset : ReferenceLevelPresets()) {
        if (trimmed.compare(QLatin1String(preset.key), Qt::CaseInsensitive) == 0) {
            return preset.bqm3;
        }
    }
    bool isNumber = false;
    const double value = QLocale::c().toDouble(trimmed, &isNumber);
    if (!isNumber || !IsValidReferenceLevel(value)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace kelmor
