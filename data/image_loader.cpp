#include "image_loader.h"

#include <algorithm>

namespace kelmor {

DecodeOutcome LoadImage(MeasurementData& data, const std::uint8_t* imageBytes, Model model,
                        const DecodeContext& context) {
    const int size = LayoutOf(model).imageSize;
    if (imageBytes != data.MeasurementImage.data()) {
        std::copy_n(imageBytes, size, data.MeasurementImage.begin());
    }
    data.Header = DeriveHeaderValues(data.MeasurementImage, model);
    data.ImageLoaded = true;
    return DecodeImage(data, model, context);
}

}  // namespace kelmor
