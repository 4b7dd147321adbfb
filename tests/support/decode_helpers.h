#pragma once

#include <memory>

#include "data/image_loader.h"
#include "image_builder.h"

namespace kelmor::testing {

// The measurement state is large (two sample tables): tests keep it on the heap.
inline std::unique_ptr<MeasurementData> NewData() {
    return std::make_unique<MeasurementData>();
}

inline DateTime At(int year, int month, int day, int hour = 0, int minute = 0) {
    DateTime date = 0;
    TryEncodeDate(year, month, day, date);
    return date + EncodeTime(hour, minute, 0, 0);
}

// Decodes a built image the way a loader does, with "now" late enough for any V7 date.
inline DecodeOutcome Decode(MeasurementData& data, const ImageBuilder& builder,
                            DateTime now = At(2099, 12, 31)) {
    DecodeContext context;
    context.now = now;
    return LoadImage(data, builder.Image().data(), builder.Layout().model, context);
}

}  // namespace kelmor::testing
