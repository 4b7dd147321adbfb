// Writes seeds for the fuzzers: data files that reach the decoders' corners, and the
// replies of an instrument of each model for the read-out fuzzer.
//   make_seeds OUTPUT_FOLDER
//   make_seeds --replies OUTPUT_FOLDER
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

// What an instrument answers to a read-out of `image`: a throw-away byte, Identify, the
// memory (its first `memoryBytes` only; the fuzzer fills up with zeros), the registers
// and for V7 the coefficients; behind the read-out fuzzer's three command bytes.
QByteArray Replies(const ImageBuilder& b, int memoryBytes) {
    const bool nibbles = b.Layout().model != Model::V7;
    QByteArray memory;
    for (int i = 0; memory.size() < memoryBytes; ++i) {
        const std::uint8_t byte = b.Image()[static_cast<std::size_t>(i)];
        if (nibbles) {
            memory += char(byte >> 4);
            memory += char(byte & 0x0F);
        } else {
            memory += char(byte);
        }
    }
    QByteArray replies;
    replies += char(0);
    replies += char(memoryBytes & 0xFF);
    replies += char(memoryBytes >> 8);
    replies += char(0x06);  // the throw-away exchange
    replies += char(b.Layout().tag >> 4);
    replies += char(b.Layout().tag & 0x0F);
    replies += memory;
    replies += QByteArray(nibbles ? 18 : 9, char(0x02));
    if (!nibbles) {
        replies += QByteArray("P") + QByteArray(reinterpret_cast<const char*>(&b.Image()[9]), 7);
    }
    return replies;
}

bool SaveReplies(const ImageBuilder& b, const QDir& out, const char* name) {
    QFile file(out.filePath(QLatin1String(name)));
    const QByteArray replies = Replies(b, 600);
    return file.open(QIODevice::WriteOnly) && file.write(replies) == replies.size();
}

}  // namespace

int main(int argc, char** argv) {
    const bool replies = argc == 3 && QByteArray(argv[1]) == "--replies";
    if (argc != 2 && !replies) {
        std::fprintf(stderr, "usage: make_seeds [--replies] OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[argc - 1]));
    bool ok = true;
    if (replies) {
        for (const Model model : {Model::V5, Model::V6, Model::V7}) {
            ImageBuilder b(model);
            b.SetCoefficientWords(0x3ECE, 0xB3F9, 0xC517, 0x33C4);
            b.AddMeasurement({2026, 3, 5, 12, 30}, ConstantPulses(30, 10));
            ok &= SaveReplies(b, out,
                              (QByteArray(kelmor::LayoutOf(model).name) + "-replies").constData());
        }
        return ok ? 0 : 1;
    }
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
