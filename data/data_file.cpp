#include "data_file.h"

#include <QFile>
#include <QFileInfo>

#include "quoted_name.h"
#include "regular_file.h"

namespace kelmor {

DataFileRead ReadDataFile(const QString& path, ImageBuffer& staging) {
    QFile file;
    DataFileRead refused;
    if (!OpenRegularFile(path, file, refused.error)) {
        return refused;
    }
    return ReadDataFile(file, QFileInfo(path).fileName(), staging);
}

DataFileRead ReadDataFile(QIODevice& device, const QString& name, ImageBuffer& staging) {
    DataFileRead result;
    const QString quoted = QuotedFileName(name);
    auto readInto = [&device, &staging](int offset, qint64 wanted) {
        qint64 got = 0;
        while (got < wanted) {
            const qint64 n =
                device.read(reinterpret_cast<char*>(staging.data()) + offset + got, wanted - got);
            if (n < 0) {
                return n;
            }
            if (n == 0) {
                break;
            }
            got += n;
        }
        return got;
    };
    const qint64 tagRead = readInto(0, 1);
    if (tagRead < 0) {
        result.error = QStringLiteral("Cannot read %1: %2.").arg(quoted, device.errorString());
        return result;
    }
    if (tagRead == 0) {
        result.error = QStringLiteral("%1 is empty: it holds no measurements.").arg(quoted);
        return result;
    }
    const std::optional<Model> model = ModelFromTag(staging[0]);
    if (!model) {
        result.error = QStringLiteral(
                           "%1 is not a Kelmor data file: its first byte is 0x%2, where a "
                           "data file has \"1\" (V5), \"2\" (V6) or \"3\" (V7).")
                           .arg(quoted)
                           .arg(staging[0], 2, 16, QLatin1Char('0'));
        return result;
    }
    const ModelLayout& layout = LayoutOf(*model);
    const qint64 got = readInto(1, layout.imageSize - 1);
    if (got < 0) {
        result.error = QStringLiteral("Cannot read %1: %2.").arg(quoted, device.errorString());
        return result;
    }
    if (got < layout.imageSize - 1) {
        result.error =
            QStringLiteral("%1 is too short for a %2 data file: it has %3 of the %4 bytes.")
                .arg(quoted, QLatin1String(layout.name))
                .arg(got + 1)
                .arg(layout.imageSize);
        return result;
    }
    result.ok = true;
    result.model = *model;
    return result;
}

FileWrite SaveDataFile(const QString& path, const MeasurementData& data) {
    const std::optional<Model> model = ModelFromTag(data.ModelTag());
    const qint64 size = model ? LayoutOf(*model).imageSize : 0;
    return WriteFileSafely(path, reinterpret_cast<const char*>(data.MeasurementImage.data()), size);
}

}  // namespace kelmor
