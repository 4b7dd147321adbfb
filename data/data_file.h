#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include "measurement_data.h"
#include "safe_file.h"

namespace kelmor {

struct DataFileRead {
    bool ok = false;
    Model model = Model::V5;
    QString error;  // names the file and the reason when !ok
};

// Reads a ".Rn" data file read-only into `staging`: byte 0 tells the model, and the file
// must hold at least that model's image size (longer files are read up to it). Only a
// regular file is opened (see OpenRegularFile). On failure `staging` may be partly
// overwritten but nothing else is touched.
DataFileRead ReadDataFile(const QString& path, ImageBuffer& staging);
// The same from an open device; `name` is the file name the messages give.
DataFileRead ReadDataFile(QIODevice& device, const QString& name, ImageBuffer& staging);

// The image as a data file: its model's size of bytes, or no bytes without a valid tag.
FileWrite SaveDataFile(const QString& path, const MeasurementData& data);

}  // namespace kelmor
