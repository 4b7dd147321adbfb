#include "passing_days.h"

#include <QDate>
#include <algorithm>
#include <optional>
#include <vector>

#include "data/date_time.h"
#include "data/measurement_data.h"
#include "simulator/indoor_climate.h"
#include "simulator/kelmor_model.h"

namespace kelmor {

namespace {

constexpr DateTime kOneHour = 1.0 / 24;

std::uint8_t ToBcd(int value) {
    return static_cast<std::uint8_t>(value / 10 * 16 + value % 10);
}

// Where the memory stands, read from its header and directory and checked against the
// layout before any of it is used as an address.
struct Position {
    int writeAddress = 0;  // lowest byte of the most recent measurement's records
    int nextEntry = 1;     // the directory entry a new measurement takes; 28 when none is left
    bool hasCurrent = false;
    int currentEntry = 0;
    int currentStart = 0;      // start address of the most recent measurement
    DateTime currentTime = 0;  // its start time
};

class Memory {
  public:
    Memory(std::vector<std::uint8_t>& bytes, const ModelLayout& layout)
        : bytes_(bytes), layout_(layout) {}

    const ModelLayout& Layout() const { return layout_; }
    bool Wide() const { return layout_.model == Model::V7; }
    // The V5 and V7 keep a record for the hour in progress below the completed ones; the
    // hour's count goes into it when the hour ends.
    bool KeepsHourInProgress() const { return layout_.model != Model::V6; }

    // The V6 uses bit 7 of an address's high byte for something else.
    int Address(int offset) const {
        if (Wide()) {
            return bytes_[offset] << 16 | bytes_[offset + 1] << 8 | bytes_[offset + 2];
        }
        const int mask = layout_.model == Model::V6 ? 0x7FFF : 0xFFFF;
        return (bytes_[offset] << 8 | bytes_[offset + 1]) & mask;
    }

    void SetAddress(int offset, int address) {
        if (Wide()) {
            bytes_[offset++] = static_cast<std::uint8_t>(address >> 16);
        }
        const std::uint8_t keptBit =
            layout_.model == Model::V6 ? (bytes_[offset] & 0x80) : std::uint8_t{0};
        bytes_[offset] = static_cast<std::uint8_t>(keptBit | ((address >> 8) & 0xFF));
        bytes_[offset + 1] = static_cast<std::uint8_t>(address);
    }

    int HeaderWriteAddress() const { return Address(Wide() ? 1 : 2); }
    void SetHeaderWriteAddress(int address) { SetAddress(Wide() ? 1 : 2, address); }

    static int EntryOffset(int entry) { return 16 + 8 * entry; }
    int DateOffset(int entry) const { return EntryOffset(entry) + (Wide() ? 3 : 2); }

    std::optional<DateTime> StartTime(int entry) const {
        const int o = DateOffset(entry);
        const int minute = BcdToByte(bytes_[o]);
        const int hour = BcdToByte(bytes_[o + 1]);
        DateTime day = 0;
        if (minute > 59 || hour > 23 ||
            !TryEncodeDate(2000 + BcdToByte(bytes_[o + 4]), BcdToByte(bytes_[o + 3]),
                           BcdToByte(bytes_[o + 2]), day)) {
            return std::nullopt;
        }
        return day + EncodeTime(hour, minute, 0, 0);
    }

    void SetEntry(int entry, int startAddress, const DateTimeFields& start) {
        SetAddress(EntryOffset(entry), startAddress);
        const int o = DateOffset(entry);
        bytes_[o] = ToBcd(start.minute);
        bytes_[o + 1] = ToBcd(start.hour);
        bytes_[o + 2] = ToBcd(start.day);
        bytes_[o + 3] = ToBcd(start.month);
        bytes_[o + 4] = ToBcd(start.year - 2000);
    }

    void SetWriteEntryIndex(int index) { bytes_[6] = static_cast<std::uint8_t>(8 * index); }

    double CalibrationFactor() const { return bytes_[7] + bytes_[8] / 100.0; }

    BarometerCoefficients Coefficients() const {
        const PressureCoefficients c = DecodePressureCoefficients(&bytes_[9]);
        return {static_cast<double>(c.A0), static_cast<double>(c.B1), static_cast<double>(c.B2),
                static_cast<double>(c.C12)};
    }

    // Record k of the measurement starting at `start` lies directly below record k - 1.
    void SetRecord(int start, int k, int pulses, int humidity, int temperature, int pressure) {
        const int low = start - layout_.recordSize * (k + 1);
        auto put16 = [this](int at, int value) {
            const int word = std::clamp(value, 0, 0xFFFF);
            bytes_[at] = static_cast<std::uint8_t>(word >> 8);
            bytes_[at + 1] = static_cast<std::uint8_t>(word);
        };
        switch (layout_.model) {
            case Model::V5:
                put16(low, pulses);
                break;
            case Model::V6:
                put16(low, humidity);
                put16(low + 2, temperature);
                put16(low + 4, pulses);
                break;
            case Model::V7:
                bytes_[low] = static_cast<std::uint8_t>(humidity);
                bytes_[low + 1] = static_cast<std::uint8_t>(temperature);
                bytes_[low + 2] = static_cast<std::uint8_t>(pressure);
                bytes_[low + 3] = 0;
                put16(low + 4, pulses);
                break;
        }
    }

    std::uint8_t Byte(int offset) const { return bytes_[offset]; }

  private:
    std::vector<std::uint8_t>& bytes_;
    const ModelLayout& layout_;
};

// The address at which the first measurement after an erase starts: the top of memory,
// held in the directory's width (15 bits for the V6, the highest valid address for the
// V7).
int FirstStartAddress(const ModelLayout& layout) {
    switch (layout.model) {
        case Model::V5:
            return layout.imageSize;
        case Model::V6:
            return layout.imageSize - 2;
        case Model::V7:
            return layout.highestAddress;
    }
    return layout.imageSize;
}

bool Valid(const ModelLayout& layout, int address) {
    return address >= layout.lowestAddress && address <= layout.highestAddress;
}

std::optional<Position> ReadPosition(const Memory& memory) {
    const ModelLayout& layout = memory.Layout();
    Position p;
    const int writeEntryIndex = memory.Byte(6) / 8;
    if (writeEntryIndex > kDirectoryEntries + 1) {
        return std::nullopt;
    }
    if (writeEntryIndex <= 1) {
        // Erased: the directory is empty and the records begin at the top again.
        p.writeAddress = FirstStartAddress(layout);
        return p;
    }
    p.hasCurrent = true;
    p.currentEntry = writeEntryIndex - 1;
    p.nextEntry = writeEntryIndex;
    p.currentStart = memory.Address(Memory::EntryOffset(p.currentEntry));
    p.writeAddress = memory.HeaderWriteAddress();
    const std::optional<DateTime> start = memory.StartTime(p.currentEntry);
    const int span = p.currentStart - p.writeAddress;
    const int inProgress = memory.KeepsHourInProgress() ? 1 : 0;
    if (!start || !Valid(layout, p.currentStart) || !Valid(layout, p.writeAddress) ||
        span < inProgress * layout.recordSize || span % layout.recordSize != 0) {
        return std::nullopt;
    }
    p.currentTime = *start;
    return p;
}

// The start time as the directory holds it: whole minutes of a year of this century.
std::optional<DateTimeFields> EntryTime(DateTime time) {
    DateTimeFields fields = DecodeDateTime(time);
    fields.second = 0;
    fields.millisecond = 0;
    if (fields.year < 2000 || fields.year > 2099) {
        return std::nullopt;
    }
    return fields;
}

}  // namespace

DaysPassedResult LetDaysPass(KelmorModel& kelmor, int days, RunChoice run) {
    Memory memory(kelmor.MutableMemory(), LayoutOf(kelmor.InstrumentModel()));
    const ModelLayout& layout = memory.Layout();
    const std::optional<Position> position = ReadPosition(memory);
    if (days < 1) {
        return DaysPassedResult::NoDays;
    }
    if (!position) {
        return DaysPassedResult::MemoryUnknown;
    }
    const bool startsRun = run == RunChoice::New || !position->hasCurrent;
    if (startsRun && position->nextEntry > kDirectoryEntries) {
        return DaysPassedResult::DirectoryFull;
    }

    const int inProgress = memory.KeepsHourInProgress() ? 1 : 0;
    const int completed =
        position->hasCurrent
            ? (position->currentStart - position->writeAddress) / layout.recordSize - inProgress
            : 0;
    int start = position->currentStart;
    int firstRecord = completed;
    DateTime startTime = position->currentTime;
    if (startsRun) {
        start = position->writeAddress;
        firstRecord = 0;
        startTime = DateTimeFromQt(kelmor.ClockRegisters().Now()) - days;
        if (position->hasCurrent) {
            startTime = std::max(startTime, position->currentTime + completed * kOneHour);
        }
    }
    const std::optional<DateTimeFields> entryTime = EntryTime(startTime);
    if (!entryTime) {
        return DaysPassedResult::MemoryUnknown;
    }
    // The first sample's time counts from the start as the directory holds it.
    TryEncodeDate(entryTime->year, entryTime->month, entryTime->day, startTime);
    startTime += EncodeTime(entryTime->hour, entryTime->minute, 0, 0);

    const long long records = firstRecord + 24LL * days + inProgress;
    const long long lowest = start - records * layout.recordSize;
    if (lowest < layout.lowestAddress) {
        return DaysPassedResult::MemoryFull;
    }
    const int hours = days * 24;  // within the memory's size, as checked

    // The same memory always records the same hours.
    Random random(0x9E3779B97F4A7C15ULL ^ (static_cast<std::uint64_t>(position->writeAddress) << 8 |
                                           static_cast<std::uint64_t>(position->nextEntry)));
    Weather weather;
    const double factor = memory.CalibrationFactor() > 0 ? memory.CalibrationFactor() : 6.0;
    const BarometerCoefficients coefficients = memory.Coefficients();
    for (int k = firstRecord; k < firstRecord + hours; ++k) {
        const QDateTime at = DateTimeToQt(startTime + (k + 1) * kOneHour);
        const Hour h =
            SimulateHour(kLivingRoom, weather, at.time().hour(), at.date().dayOfYear(), random);
        const int pulses = random.Poisson(h.radonBq / factor);
        if (layout.model == Model::V7) {
            const V7Readings r = V7ReadingsOf(h, coefficients);
            memory.SetRecord(start, k, pulses, r.humidity, r.temperature, r.pressure);
        } else {
            memory.SetRecord(start, k, pulses, V6HumidityReading(h.humidity, h.temperature),
                             V6TemperatureReading(h.temperature), 0);
        }
    }
    if (inProgress) {
        memory.SetRecord(start, firstRecord + hours, 0, 0, 0, 0);
    }
    memory.SetHeaderWriteAddress(static_cast<int>(lowest));
    if (startsRun) {
        memory.SetEntry(position->nextEntry, start, *entryTime);
        memory.SetWriteEntryIndex(position->nextEntry + 1);
        return DaysPassedResult::RunStarted;
    }
    return DaysPassedResult::RunExtended;
}

}  // namespace kelmor
