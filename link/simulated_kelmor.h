#pragma once

#include <QByteArray>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "data/measurement_image.h"
#include "link/clock.h"
#include "link/ft_driver.h"
#include "link/simulated_clock_registers.h"
#include "link/timed_byte_queue.h"

namespace kelmor {

// The commands a Kelmor understands, in either dialect.
enum class KelmorCommand {
    Identify,
    ReadMemory,
    ReadRegisters,
    ReadPressureCoefficients,
    WriteMemoryByte,
    WriteClockRegister,
    EraseMemory,
    Unknown,  // a byte that starts no command; the instrument skips it
};
constexpr int kKelmorCommandCount = 8;

// A write as it reached the instrument, with the clock time since the write before it.
struct ReceivedWrite {
    std::vector<std::uint8_t> bytes;
    std::int64_t msSincePreviousWrite = 0;
};

// A command as the instrument understood it.
struct ReceivedCommand {
    KelmorCommand command = KelmorCommand::Unknown;
    int address = 0;  // memory address or clock register
    int value = 0;    // the byte written; for Unknown the byte skipped
};

// A driver that stands for a set of attached FTDI devices, none or one of which is a
// Kelmor (the others are unrelated FTDI gadgets that never answer), and for that Kelmor
// itself: its memory, clock and the command language of its model's dialect. V5 and V6
// take two-byte codes and carry every data byte as a nibble pair; V7 takes a letter and
// plain bytes. Frames are parsed from the byte stream, so a frame may come in several
// writes. Replies arrive through the clock: after the erase time for the erase, and over
// the transfer rate when one is set, so that a read-out takes time and reports progress.
// It can be told to misbehave at any moment, and it records what it received, so that
// tests can check every byte and pause of a command.
class SimulatedKelmor : public FtDriver {
  public:
    // The instrument's memory: V7's is 128 KiB, of which a read-out takes all but the
    // last byte.
    static int MemorySize(Model model);
    static constexpr int kEraseTimeMsV5V6 = 5000;
    static constexpr int kEraseTimeMsV7 = 15000;
    // The first byte of the V7 coefficient reply, before the seven coefficient bytes the
    // instrument keeps at memory 9..15: the command letter, echoed.
    static constexpr std::uint8_t kCoefficientReplyLead = 'P';

    SimulatedKelmor(Clock& clock, Model model);
    ~SimulatedKelmor() override;

    // The attached devices, listed in the order they were added.
    void AddGadget(const QByteArray& description, const QByteArray& serialNumber);
    // The Kelmor's own bridge; a second call renames it.
    void AddKelmor(const QByteArray& description, const QByteArray& serialNumber);
    void Unplug();
    void Plug();
    bool KelmorPresent() const;

    // The instrument.
    Model InstrumentModel() const { return model_; }
    // Copies `count` bytes (a data file, say) into the memory from address 0; the rest
    // of the memory is zero.
    void LoadMemory(const std::uint8_t* bytes, std::size_t count);
    const std::vector<std::uint8_t>& Memory() const { return memory_; }
    std::vector<std::uint8_t>& MutableMemory() { return memory_; }
    SimulatedClockRegisters::Registers Registers() { return clockRegisters_.Read(); }
    SimulatedClockRegisters& ClockRegisters() { return clockRegisters_; }
    std::uint8_t TriggerLevelCode() const { return memory_[4]; }
    std::uint8_t FlashFlag() const { return memory_[5]; }
    int EraseCount() const { return eraseCount_; }

    // What the instrument received.
    const std::vector<ReceivedWrite>& ReceivedWrites() const { return writes_; }
    const std::vector<ReceivedCommand>& ReceivedCommands() const { return commands_; }
    void ClearRecord();
    // A long demonstration need not keep every write.
    void SetRecording(bool on) { recording_ = on; }
    // The name of the latest open, as the driver was given it.
    const QByteArray& LastOpenName() const { return lastOpenName_; }
    bool KelmorOpen() const;

    // Misbehaviours.
    void SetSilent(bool silent) { silent_ = silent; }
    void SetShortReply(KelmorCommand command, int bytesLess);
    void SetShortReplies(int bytesLess);
    void SetModelCode(std::optional<std::uint8_t> code) { modelCode_ = code; }
    // The acknowledgement of an erase; "e" when it worked.
    void SetEraseReply(std::uint8_t reply) { eraseReply_ = reply; }
    // The Kelmor goes away after `afterBytes` bytes of its next memory reply have been read.
    void UnplugDuringMemoryRead(std::uint32_t afterBytes) { unplugAfter_ = afterBytes; }
    void SetOpenFails(bool fails) { openFails_ = fails; }
    void FailDescriptionQuery(std::optional<std::uint32_t> index) { failDescription_ = index; }
    void FailSerialQuery(std::optional<std::uint32_t> index) { failSerial_ = index; }
    void SetListingLacksPermission(bool lacks) { listingLacksPermission_ = lacks; }
    // 0: replies arrive at once.
    void SetTransferRate(int bytesPerSecond) { bytesPerSecond_ = bytesPerSecond; }

    // FtDriver.
    FT_STATUS ListDeviceCount(std::uint32_t& count) override;
    FT_STATUS ListDeviceByIndex(std::uint32_t index, char* buffer, std::uint32_t flags) override;
    FT_STATUS OpenEx(const char* name, std::uint32_t flags, FT_HANDLE& handle) override;
    FT_STATUS Close(FT_HANDLE handle) override;
    FT_STATUS Read(FT_HANDLE handle, std::uint8_t* buffer, std::uint32_t count,
                   std::uint32_t& received) override;
    FT_STATUS Write(FT_HANDLE handle, const std::uint8_t* buffer, std::uint32_t count,
                    std::uint32_t& written) override;
    FT_STATUS Purge(FT_HANDLE handle, std::uint32_t mask) override;
    void SetReadProgress(ReadProgress progress) override { progress_ = std::move(progress); }
    bool LastListingLackedPermission() const override { return lastListingLackedPermission_; }

  private:
    struct Device {
        QByteArray description;
        QByteArray serialNumber;
        bool isKelmor = false;
        bool present = true;
        bool open = false;
        bool gone = false;  // unplugged while open: the handle is dead until closed
    };
    struct Frame;

    Device* DeviceOf(FT_HANDLE handle);
    Device* ListedDevice(std::uint32_t index);
    Device* Kelmor();
    bool NibbleDialect() const { return model_ != Model::V7; }

    void Receive(std::uint8_t byte);
    Frame Parse() const;
    void Execute(const Frame& frame);
    template <typename ByteAt>
    void Reply(KelmorCommand command, std::uint32_t length, ByteAt byteAt, std::int64_t startMs);
    void ReplyNibblePairs(KelmorCommand command, const std::uint8_t* bytes, std::uint32_t pairs,
                          std::uint32_t length);
    void Erase();

    Clock& clock_;
    const Model model_;
    std::vector<std::uint8_t> memory_;
    SimulatedClockRegisters clockRegisters_;
    int eraseCount_ = 0;

    std::vector<std::unique_ptr<Device>> devices_;
    TimedByteQueue replies_;
    std::array<std::uint8_t, 8> pending_{};
    int pendingCount_ = 0;

    std::vector<ReceivedWrite> writes_;
    std::vector<ReceivedCommand> commands_;
    bool recording_ = true;
    std::optional<std::int64_t> lastWriteMs_;
    QByteArray lastOpenName_;
    ReadProgress progress_;

    bool silent_ = false;
    std::array<int, kKelmorCommandCount> shortBy_{};
    std::optional<std::uint8_t> modelCode_;
    std::uint8_t eraseReply_ = 'e';
    std::optional<std::uint32_t> unplugAfter_;
    std::optional<std::uint64_t> unplugAt_;
    bool openFails_ = false;
    std::optional<std::uint32_t> failDescription_;
    std::optional<std::uint32_t> failSerial_;
    bool listingLacksPermission_ = false;
    bool lastListingLackedPermission_ = false;
    int bytesPerSecond_ = 0;
};

}  // namespace kelmor
