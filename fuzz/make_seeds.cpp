// Writes seed data files for the fuzzers: images that reach the decoders' corners.
//   make_seeds OUTPUT_FOLDER
#include <QDir>
#include <QFile>
#include <cstdio>

#include "image_builder.h"

namespace {

using kelmor::Model;
using kelmor::testing::ConstantPulses;
using kelmor::testing::ImageBuilder;

bool Save(const ImageBuilder& b, const QDir& out, const char* name) {
    QFile file(out.filePath(QLatin1String(name)));
    return file.open(QIODevice::WriteOnly) &&
           file.write(reinterpret_cast<const char*>(b.Image().data()), b.Layout().imageSize) ==
               b.Layout().imageSize;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    bool ok = true;
    for (const Model model : {Model::V5, Model::V6, Model::V7}) {
        const QByteArray prefix = kelmor::LayoutOf(model).name;
        ImageBuilder three(model);
        three.AddMeasurement({2026, 3, 5, 12, 30}, ConstantPulses(30, 10));
        three.AddMeasurement({2026, 3, 1, 8, 0}, ConstantPulses(3, 0));
        three.AddMeasurement({2026, 3, 5, 12, 30}, ConstantPulses(200, 225));
        ok &= Save(three, out, (prefix + "-three.Rn").constData());

        // Records that go round the bottom of the data area.
        ImageBuilder wrapped(model);
        const auto& layout = wrapped.Layout();
        wrapped.SetEntry(1, layout.lowestAddress + 6 * layout.recordSize, {2026, 1, 1});
        wrapped.SetWriteEntryIndex(2).SetHeaderWriteAddress(layout.imageSize - 60);
        ok &= Save(wrapped, out, (prefix + "-wrapped.Rn").constData());

        // Every directory entry in use.
        ImageBuilder full(model);
        for (int i = 0; i < 27; ++i) {
            full.AddMeasurement({2026, 1 + i % 12, 1 + i, i % 24, 0}, ConstantPulses(20, i));
        }
        ok &= Save(full, out, (prefix + "-full-directory.Rn").constData());
    }
    return ok ? 0 : 1;
}
