#include "memory_readout.h"

#include <QDir>
#include <charconv>

#include "data/data_file.h"
#include "instrument/session.h"

namespace kelmor {

namespace {

constexpr int kV7WordsOffset = 256;

}  // namespace

ReadoutOutcome MemoryReadout::Run(const InstrumentLink& link, bool attached,
                                  const InstrumentIdentity& identity,
                                  const std::function<void()>& onTransferring,
                                  const ReadProgress& onProgress) {
    model_.reset();
    ReadoutOutcome outcome;
    const Dialect* dialect = nullptr;
    {
        Session session(link, outcome);
        if (!session.Open(attached, identity)) {
            return outcome;
        }
        if (onTransferring) {
            onTransferring();
        }
        session.ThrowAway();
        dialect = session.Identify();
        session.Pause(kFramePauseV5V6Ms);
        if (dialect) {
            ReadoutTarget target{image_, registerBlock_};
            dialect->ReadOut(session, target, onProgress);
        }
    }
    if (outcome.status == CommandStatus::Ok && dialect) {
        model_ = dialect->InstrumentModel();
        outcome.model = model_;
        if (*model_ == Model::V7) {
            FormV7Words();
        }
    }
    return outcome;
}

void MemoryReadout::FormV7Words() {
    csvSize_ = 0;
    for (int k = 0; k < kV7WordCount; ++k) {
        const int at = kV7WordsOffset + 2 * k;
        words_[static_cast<std::size_t>(k)] = static_cast<std::uint16_t>(
            image_[static_cast<std::size_t>(at)] << 8 | image_[static_cast<std::size_t>(at + 1)]);
    }
    for (int k = 0; k < kV7ExportedWords; ++k) {
        char* end = csv_.data() + csv_.size();
        const auto written = std::to_chars(csv_.data() + csvSize_, end, words_[k]);
        char* line = written.ptr;
        *line++ = ',';
        *line++ = '\r';
        *line++ = '\n';
        csvSize_ = static_cast<std::size_t>(line - csv_.data());
    }
}

QStringList MemoryReadout::WriteFiles(const QString& folder) const {
    QStringList warnings;
    if (!model_) {
        warnings << QStringLiteral("There is no completed read-out to write.");
        return warnings;
    }
    const QDir dir(folder);
    auto write = [&warnings, &dir](const char* name, const char* bytes, qint64 size) {
        const FileWrite result =
            WriteFileSafely(dir.filePath(QString::fromLatin1(name)), bytes, size);
        if (!result.ok) {
            warnings << result.error;
        }
    };
    write("V5C.tmp", reinterpret_cast<const char*>(registerBlock_.data()), kRegisterBlockSize);
    const ModelLayout& layout = LayoutOf(*model_);
    const QByteArray imageName = QByteArray(layout.name) + ".tmp";
    write(imageName.constData(), reinterpret_cast<const char*>(image_.data()), layout.imageSize);
    if (*model_ == Model::V7) {
        write("V7E.csv", csv_.data(), static_cast<qint64>(csvSize_));
    }
    return warnings;
}

}  // namespace kelmor
