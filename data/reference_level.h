#pragma once

#include <QString>
#include <array>
#include <optional>

namespace kelmor {

// The reference levels a user may compare a measurement with. All of them are meant for
// the annual average indoor radon concentration; none is chosen at start, so the chart
// shows no reference line until the user asks for one. The Reference level menu and
// kelmor-cli --reference both take their choices from here.
struct ReferenceLevelPreset {
    const char* key;       // kelmor-cli --reference who|epa|eu
    double bqm3;           // Bq/m3
    const char* menuText;  // the menu item
    const char* source;    // where the level comes from, in a sentence
};

constexpr int kReferenceLevelPresetCount = 3;
const std::array<ReferenceLevelPreset, kReferenceLevelPresetCount>& ReferenceLevelPresets();

inline const QString kNoReferenceLevelText = QStringLiteral("None");
inline const QString kTypedReferenceLevelText = QStringLiteral("Other value...");

// The range of a level the user types, in Bq/m3.
constexpr double kLowestReferenceLevel = 1;
constexpr double kHighestReferenceLevel = 100000;

bool IsValidReferenceLevel(double bqm3);

// A level given as text: a number of Bq/m3 in the allowed range, written with a decimal
// point whatever the locale (it comes from a command line), or the key of a preset.
std::optional<double> ParseReferenceLevel(const QString& text);

}  // namespace kelmor
