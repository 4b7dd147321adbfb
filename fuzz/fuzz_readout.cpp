// An instrument that answers anything: the read-out, the erase, the trigger level and the
// clock must end cleanly on any reply, and a read-out that completes must decode.
//
// Input: byte 0 picks the command, bytes 1 and 2 (little-endian) say how many bytes a
// memory reply takes from the input; the rest is what the instrument sends, read after
// read. A memory reply is filled up with zeros to its count unless byte 0 asks for a short
// one, so that small inputs still reach the decoders and the replies after it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "data/image_loader.h"
#include "data/text_export.h"
#include "fake_clock.h"
#include "instrument/clock_sync.h"
#include "instrument/erase_command.h"
#include "instrument/instrument_link.h"
#include "instrument/memory_readout.h"
#include "instrument/trigger_level.h"
#include "link/port_layer.h"

namespace {

using namespace kelmor;

class AnsweringInstrument : public FtDriver {
  public:
    void Answer(const std::uint8_t* bytes, std::size_t size, std::size_t memoryBytes,
                bool shortMemory) {
        bytes_ = bytes;
        size_ = size;
        memoryBytes_ = memoryBytes;
        shortMemory_ = shortMemory;
        used_ = 0;
    }

    FT_STATUS ListDeviceCount(std::uint32_t& count) override {
        count = 1;
        return FT_OK;
    }
    FT_STATUS ListDeviceByIndex(std::uint32_t, char* buffer, std::uint32_t flags) override {
        const char* text = (flags & FT_OPEN_BY_DESCRIPTION) ? "USB <-> V5" : "FUZZ0001";
        std::strcpy(buffer, text);
        return FT_OK;
    }
    FT_STATUS OpenEx(const char*, std::uint32_t, FT_HANDLE& handle) override {
        handle = this;
        return FT_OK;
    }
    LinkStatus LastOpenFailure() const override { return LinkStatus::NoDevice; }
    FT_STATUS Close(FT_HANDLE) override { return FT_OK; }
    FT_STATUS Read(FT_HANDLE, std::uint8_t* buffer, std::uint32_t count,
                   std::uint32_t& received) override {
        const bool memory = count > 1000;
        std::size_t taken = std::min<std::size_t>(count, size_ - used_);
        if (memory) {
            taken = std::min(taken, memoryBytes_);
        }
        std::copy_n(bytes_ + used_, taken, buffer);
        used_ += taken;
        received = static_cast<std::uint32_t>(taken);
        if (memory && !shortMemory_) {
            std::fill(buffer + taken, buffer + count, 0);
            received = count;
        }
        return FT_OK;
    }
    FT_STATUS Write(FT_HANDLE, const std::uint8_t*, std::uint32_t count,
                    std::uint32_t& written) override {
        written = count;
        return FT_OK;
    }
    FT_STATUS Purge(FT_HANDLE, std::uint32_t) override { return FT_OK; }

  private:
    const std::uint8_t* bytes_ = nullptr;
    std::size_t size_ = 0;
    std::size_t used_ = 0;
    std::size_t memoryBytes_ = 0;
    bool shortMemory_ = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    static auto* instrument = new AnsweringInstrument;
    static auto* clock = new testing::FakeClock;
    static auto* port = new PortLayer(*instrument, *clock);
    static auto* cancel = new Cancellation;
    static auto* readout = new MemoryReadout;
    static auto* data = new MeasurementData;
    if (size < 3) {
        return 0;
    }
    const std::uint8_t choice = bytes[0];
    instrument->Answer(bytes + 3, size - 3, bytes[1] | bytes[2] << 8, (choice & 0x80) != 0);
    port->FTErrorReportOn = false;
    InstrumentIdentity identity;
    const bool attached = Discover(*port, identity);
    const InstrumentLink link{*port, *clock, *cancel};

    switch (choice & 0x07) {
        case 4:
            EraseMemory(link, attached, identity, [] {});
            break;
        case 5:
            SetTriggerLevel(link, attached, identity, 50 + 25 * (choice >> 3 & 0x0F),
                            (choice >> 3 & 0x03) * 2.5L, (choice & 0x40) != 0);
            break;
        case 6:
            SynchroniseClock(link, attached, identity, clock->LocalNow());
            break;
        default: {
            const ReadoutOutcome outcome = readout->Run(link, attached, identity, [] {}, {});
            if (outcome.status == CommandStatus::Ok && outcome.model) {
                data->Memo = QStringLiteral("Memo1");
                DecodeContext context;
                context.now = 46364.5;
                LoadImage(*data, readout->StagedImage().data(), *outcome.model, context);
                if (data->LastSampleIndex < 4000) {
                    ExportText(*data, Separators{});
                }
                readout->V7ECsv();
            }
            break;
        }
    }
    return 0;
}
