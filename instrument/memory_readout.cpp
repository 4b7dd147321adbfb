#include "memory_readout.h"

#include <QDir>
#include <charconv>

#include "data/data_file.h"
#include "instrument/nibble_pair.h"

namespace kelmor {

namespace {

// The instruments send their memory one byte short: the last nibble of a V5 or V6 image
// and the last byte of the V7's 128 KiB never come. The V5 and V6 decode takes that
// nibble from whatever an earlier read left in the receive buffer.
constexpr std::uint32_t kMemoryReplyV5 = 16383;
constexpr std::uint32_t kMemoryReplyV6 = 65535;
constexpr std::uint32_t kMemoryReplyV7 = 131071;
// Registers 0..8 as nibble pairs (V5, V6) or bytes (V7). The block takes ten bytes, the
// last from the position past the reply.
constexpr std::uint32_t kRegisterReplyV5V6 = 18;
constexpr std::uint32_t kRegisterReplyV7 = 9;
constexpr int kRegisterBytesKept = 10;
// A lead byte and the coefficients; the block of eight coefficient bytes takes its last
// byte from the position past the reply.
constexpr std::uint32_t kCoefficientReply = 8;
constexpr int kCoefficientOffset = 9;
constexpr int kCoefficientBytes = 8;
constexpr int kV7WordsOffset = 256;

constexpr int kBeforeRegistersV5Ms = 100;
constexpr int kBeforeRegistersV6Ms = 250;

// Unhooks the progress from the driver however the memory read ends.
class ProgressScope {
  public:
    ProgressScope(D2XXUnit& port, const ReadProgress& progress) : port_(port) {
        port_.SetReadProgress(progress);
    }
    ~ProgressScope() { port_.SetReadProgress(ReadProgress()); }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

  private:
    D2XXUnit& port_;
};

}  // namespace

MemoryReadout::MemoryReadout(D2XXUnit& port, Clock& clock) : port_(port), clock_(clock) {}

ReadoutOutcome MemoryReadout::Run(bool attached, const TV5& identity,
                                  const std::function<void()>& onTransferring,
                                  const ReadProgress& onProgress) {
    model_.reset();
    ReadoutOutcome outcome;
    Exchange exchange(port_, clock_);
    if (!exchange.Open(attached, identity, outcome)) {
        return outcome;
    }
    if (onTransferring) {
        onTransferring();
    }
    if (!exchange.ThrowAway(outcome)) {
        exchange.Close();
        return outcome;
    }
    const std::optional<Model> model = exchange.Identify(outcome);
    if (outcome.status == CommandStatus::NotResponding) {
        exchange.Close();
        return outcome;
    }
    exchange.Pause(kFramePauseV5V6Ms);
    bool complete = false;
    if (model == Model::V5 || model == Model::V6) {
        complete = ReadV5V6(exchange, *model, outcome, onProgress);
    } else if (model == Model::V7) {
        complete = ReadV7(exchange, outcome, onProgress);
    }
    exchange.Close();
    if (complete) {
        model_ = model;
        outcome.model = model;
    }
    return outcome;
}

bool MemoryReadout::ReadMemoryReply(Exchange& exchange, std::uint32_t count,
                                    ReadoutOutcome& outcome, const ReadProgress& onProgress) {
    const ProgressScope progress(port_, onProgress);
    return exchange.Receive(count, outcome);
}

bool MemoryReadout::ReadV5V6(Exchange& exchange, Model model, ReadoutOutcome& outcome,
                             const ReadProgress& onProgress) {
    const ModelLayout& layout = LayoutOf(model);
    exchange.Send(frames::kReadMemoryV5V6);
    exchange.Pause(kFramePauseV5V6Ms);
    if (!ReadMemoryReply(exchange, model == Model::V5 ? kMemoryReplyV5 : kMemoryReplyV6, outcome,
                         onProgress)) {
        return false;
    }
    DecodeNibblePairs(exchange.Reply(), image_.data(), layout.imageSize);
    image_[0] = layout.tag;
    exchange.Pause(model == Model::V5 ? kBeforeRegistersV5Ms : kBeforeRegistersV6Ms);
    exchange.Send(frames::kReadRegistersV5V6);
    // The V5 is read at once; the V6 gets the frame pause first.
    if (model == Model::V6) {
        exchange.Pause(kFramePauseV5V6Ms);
    }
    if (!exchange.Receive(kRegisterReplyV5V6, outcome)) {
        return false;
    }
    DecodeNibblePairs(exchange.Reply(), registerBlock_.data(), kRegisterBytesKept);
    return true;
}

bool MemoryReadout::ReadV7(Exchange& exchange, ReadoutOutcome& outcome,
                           const ReadProgress& onProgress) {
    const ModelLayout& layout = LayoutOf(Model::V7);
    exchange.Send(frames::kReadMemoryV7);
    exchange.Pause(kFramePauseV7Ms);
    if (!ReadMemoryReply(exchange, kMemoryReplyV7, outcome, onProgress)) {
        return false;
    }
    // Reply byte 0 is the instrument's own byte 0, which the tag replaces.
    std::copy_n(exchange.Reply() + 1, layout.imageSize - 1, image_.begin() + 1);
    image_[0] = layout.tag;
    FormV7Words();

    exchange.Pause(kFramePauseV7Ms);
    exchange.Send(frames::kReadRegistersV7);
    exchange.Pause(kFramePauseV7Ms);
    if (!exchange.Receive(kRegisterReplyV7, outcome)) {
        return false;
    }
    std::copy_n(exchange.Reply(), kRegisterBytesKept, registerBlock_.begin());

    exchange.Send(frames::kReadPressureCoefficientsV7);
    exchange.Pause(kFramePauseV7Ms);
    if (!exchange.Receive(kCoefficientReply, outcome)) {
        return false;
    }
    // Into the image, so that a saved data file carries the coefficients.
    std::copy_n(exchange.Reply() + 1, kCoefficientBytes, image_.begin() + kCoefficientOffset);
    return true;
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
