#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "data/measurement_image.h"
#include "instrument/command_status.h"
#include "instrument/dialect.h"
#include "instrument/instrument_link.h"
#include "link/discovery.h"

namespace kelmor {

struct ReadoutOutcome : CommandOutcome {
    std::optional<Model> model;  // the model read out (Done only)
};

// The read-out of the instrument's whole memory (`ReadOut` without the window).
// Everything it receives goes into staging storage of its own, kept for the program's
// life: the image, the register block and the V7 words and their text. Nothing the
// program has loaded changes while a read-out runs; the window loads the staged image
// (LoadImage) and writes the files only once a read-out is Done. A read-out that stops
// early (a short reply, an unknown model, a cancel) leaves no staged read-out.
//
// Run may be called on a worker thread; the staged read-out is then read once it returned.
//
// Large (a whole image): create it once, on the heap.
class MemoryReadout {
  public:
    static constexpr int kRegisterBlockSize = 1024;
    static constexpr int kV7WordCount = 1920;
    static constexpr int kV7ExportedWords = 256;
    using RegisterBlock = kelmor::RegisterBlock;
    using V7Words = std::array<std::uint16_t, kV7WordCount>;

    MemoryReadout() = default;
    MemoryReadout(const MemoryReadout&) = delete;
    MemoryReadout& operator=(const MemoryReadout&) = delete;

    // `onTransferring` is called once the port is open, before the first frame: the
    // moment the window shows "Transfering measurements". `onProgress` follows the memory
    // reply as it arrives. Both run on the calling thread.
    ReadoutOutcome Run(const InstrumentLink& link, bool attached,
                       const InstrumentIdentity& identity,
                       const std::function<void()>& onTransferring, const ReadProgress& onProgress);

    // The staged read-out, valid after a Run that was Done.
    bool HasReadout() const { return model_.has_value(); }
    std::optional<Model> StagedModel() const { return model_; }
    // The model's image size of bytes is the read-out; byte 0 is its tag.
    const ImageBuffer& StagedImage() const { return image_; }
    // Bytes 0..9 from the register reply; the rest stays zero.
    const RegisterBlock& StagedRegisterBlock() const { return registerBlock_; }
    // V7: the 1920 big-endian words of image bytes 256..4095.
    const V7Words& StagedV7Words() const { return words_; }
    // V7: the first 256 words, one "value," line each with CR LF.
    std::string_view V7ECsv() const { return std::string_view(csv_.data(), csvSize_); }

    // Writes the staged read-out's files into `folder`: "V5C.tmp" (the register block),
    // the model's "V5.tmp", "V6.tmp" or "V7.tmp" (its image size of bytes), and for V7
    // "V7E.csv". Returns a warning for each file that could not be written; the files
    // that could are written all the same.
    QStringList WriteFiles(const QString& folder) const;

  private:
    void FormV7Words();

    std::optional<Model> model_;
    ImageBuffer image_{};
    RegisterBlock registerBlock_{};
    V7Words words_{};
    // "65535," and CR LF: at most 8 characters a line.
    std::array<char, kV7ExportedWords * 8> csv_{};
    std::size_t csvSize_ = 0;
};

}  // namespace kelmor
