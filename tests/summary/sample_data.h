#pragma once

#include <gtest/gtest.h>
#include <memory>

#include "data/data_file.h"
#include "data/image_loader.h"

namespace kelmor::testing {

// One of the sample files decoded as Open does, with a clock late enough for every V7
// measurement.
inline std::unique_ptr<MeasurementData> LoadSample(const char* model) {
    auto staging = std::make_unique<ImageBuffer>();
    auto data = std::make_unique<MeasurementData>();
    const QString path =
        QStringLiteral(KELMOR_SOURCE_DIR "/samples/kelmor-%1.Rn").arg(QLatin1String(model));
    const DataFileRead read = ReadDataFile(path, *staging);
    EXPECT_TRUE(read.ok) << read.error.toStdString();
    DateTime now = 0;
    TryEncodeDate(2099, 1, 1, now);
    LoadImage(*data, staging->data(), read.model, DecodeContext{now, Separators{}});
    return data;
}

// The "All measurements" row.
inline int AllRow(const MeasurementData& data) {
    return data.MeasurementCount;
}

}  // namespace kelmor::testing
