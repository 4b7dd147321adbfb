#pragma once

#include <cstdint>

#include "decoder.h"
#include "measurement_data.h"

namespace kelmor {

// Takes a whole image of `model` (its image size of bytes, tag included) into the image
// buffer, derives the header values and runs the model's decoder. Read-outs and opened
// data files both come through here, so a file gives exactly the state of its read-out.
// Buffer bytes beyond the model's size keep what an earlier, larger image left there.
DecodeOutcome LoadImage(MeasurementData& data, const std::uint8_t* imageBytes, Model model,
                        const DecodeContext& context);

}  // namespace kelmor
