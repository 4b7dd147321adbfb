#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "data/measurement_image.h"
#include "link/clock.h"
#include "simulator/simulated_clock_registers.h"
#include "simulator/timed_byte_queue.h"

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

// What the line does with the next write that reaches it.
enum class WriteFault {
    None,
    Fails,    // the bridge takes none of the bytes
    Unplugs,  // the instrument is pulled out while the bytes travel
};

// A Kelmor as its serial line shows it: its memory, its clock, and the command language of
// its model's dialect. V5 and V6 take two-byte codes and carry every data byte as a nibble
// pair; V7 takes a letter and plain bytes. Frames are parsed from the byte stream, so a
// frame may come in several writes. Replies arrive through the clock: after the erase time
// for the erase, and over the transfer rate when one is set.
//
// It can be told to misbehave, and it records what it received, so that tests can check
// every byte and pause of a command. The transport in front of it (the simulated FTDI bus,
// the emulated FT232R) owns it and serialises every call under its own lock.
class KelmorModel {
  public:
    // The instrument's memory: V7's is 128 KiB, of which a read-out takes all but the
    // last byte.
    static int MemorySize(Model model);
    static constexpr int kEraseTimeMsV5V6 = 5000;
    static constexpr int kEraseTimeMsV7 = 15000;
    // The first byte of the V7 coefficient reply, before the seven coefficient bytes the
    // instrument keeps at memory 9..15: the command letter, echoed.
    static constexpr std::uint8_t kCoefficientReplyLead = 'P';

    KelmorModel(Clock& clock, Model model);

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

    // Misbehaviours.
    void SetSilent(bool silent) { silent_ = silent; }
    void SetShortReply(KelmorCommand command, int bytesLess);
    void SetShortReplies(int bytesLess);
    void SetModelCode(std::optional<std::uint8_t> code) { modelCode_ = code; }
    // The acknowledgement of an erase; "e" when it worked.
    void SetEraseReply(std::uint8_t reply) { eraseReply_ = reply; }
    // The four high bits of every nibble byte the instrument sends, which the program
    // must ignore (0 on a well-behaved line).
    void SetNibbleHighBits(std::uint8_t bits) { nibbleHighBits_ = bits & 0xF0; }
    // Bytes the line carries before the next reply, as after a glitch.
    void SendStrayBytesBeforeNextReply(std::vector<std::uint8_t> bytes) {
        stray_ = std::move(bytes);
    }
    // The line is cut after `afterBytes` bytes of the next memory reply have been taken.
    void CutLineDuringMemoryReply(std::uint32_t afterBytes) { cutAfter_ = afterBytes; }
    // Takes back a cut that no memory reply has met yet.
    void KeepLineWhole() { cutAfter_.reset(); }
    bool CutPending() const { return cutAfter_.has_value(); }
    // The write after `writesBefore` more writes meets `fault`.
    void SetWriteFault(WriteFault fault, int writesBefore = 0);
    // 0: replies arrive at once.
    void SetTransferRate(int bytesPerSecond) { bytesPerSecond_ = bytesPerSecond; }

    // The transport's side.
    // A new connection: what was on its way and half a frame are gone.
    void ResetLine();
    // The bytes of one write; the fault it meets, None when the instrument took them.
    WriteFault Write(const std::uint8_t* bytes, std::uint32_t count);
    // Bytes arrived by now and not taken yet.
    std::uint32_t Arrived();
    // Takes up to `count` arrived bytes; stops where the line is cut.
    std::uint32_t Take(std::uint8_t* out, std::uint32_t count);
    // The line was cut during a memory reply: the transport goes away.
    bool LineCut() const { return lineCut_; }
    // Drops what has arrived; what is on its way keeps coming.
    void DropArrived();
    // Drops the oldest arrived bytes beyond `kept`, as a full receive buffer loses bytes.
    std::uint32_t DropArrivedBeyond(std::uint32_t kept);

  private:
    struct Frame;

    bool NibbleDialect() const { return model_ != Model::V7; }
    void Receive(std::uint8_t byte);
    Frame Parse() const;
    void Execute(const Frame& frame);
    template <typename ByteAt>
    void Reply(KelmorCommand command, std::uint32_t length, ByteAt byteAt, std::int64_t startMs);
    void ReplyNibblePairs(KelmorCommand command, const std::uint8_t* bytes, std::uint32_t pairs,
                          std::uint32_t length, std::int64_t startMs);
    void Erase();

    Clock& clock_;
    const Model model_;
    std::vector<std::uint8_t> memory_;
    SimulatedClockRegisters clockRegisters_;
    int eraseCount_ = 0;

    TimedByteQueue replies_;
    std::array<std::uint8_t, 8> pending_{};
    int pendingCount_ = 0;

    std::vector<ReceivedWrite> writes_;
    std::vector<ReceivedCommand> commands_;
    bool recording_ = true;
    std::optional<std::int64_t> lastWriteMs_;

    bool silent_ = false;
    std::array<int, kKelmorCommandCount> shortBy_{};
    std::optional<std::uint8_t> modelCode_;
    std::uint8_t eraseReply_ = 'e';
    std::uint8_t nibbleHighBits_ = 0;
    std::vector<std::uint8_t> stray_;
    std::optional<std::uint32_t> cutAfter_;
    std::optional<std::uint64_t> cutAt_;
    bool lineCut_ = false;
    WriteFault writeFault_ = WriteFault::None;
    int writesBeforeFault_ = 0;
    int bytesPerSecond_ = 0;
};

}  // namespace kelmor
