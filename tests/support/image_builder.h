#pragma once

// Builds measurement images of each model from plain values, so that a test says "a V6
// measurement of 170 samples starting 05/03/2026 12:30" instead of listing bytes. Used by
// the tests and by the sample-file generator in tools/.

#include <cstdint>
#include <vector>

#include "data/measurement_image.h"

namespace kelmor::testing {

struct Stamp {
    int year = 2026;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
};

// One hourly record as the instrument stores it: raw sensor readings, not converted values.
struct RawRecord {
    int pulses = 0;
    int temperature = 0;  // V6: 16-bit reading; V7: byte
    int humidity = 0;     // V6: 16-bit reading; V7: byte
    int pressure = 0;     // V7: byte
};

inline std::uint8_t ToBcd(int value) {
    return static_cast<std::uint8_t>(value / 10 * 16 + value % 10);
}

class ImageBuilder {
  public:
    explicit ImageBuilder(Model model) : layout_(LayoutOf(model)) {
        image_.fill(0);
        image_[0] = layout_.tag;
        SetCalibration(6, 0);
        // A V6 start address has 15 bits, so its first measurement starts just below the
        // top of memory.
        writeAddress_ = model == Model::V6 ? layout_.imageSize - 2 : layout_.imageSize;
        SetHeaderWriteAddress(writeAddress_);
    }

    const ModelLayout& Layout() const { return layout_; }
    const ImageBuffer& Image() const { return image_; }
    ImageBuffer& MutableImage() { return image_; }
    int WriteAddress() const { return writeAddress_; }
    int NextEntry() const { return nextEntry_; }

    ImageBuilder& SetCalibration(int whole, int hundredths) {
        image_[7] = static_cast<std::uint8_t>(whole);
        image_[8] = static_cast<std::uint8_t>(hundredths);
        return *this;
    }

    ImageBuilder& SetWriteEntryIndex(int index) {
        image_[6] = static_cast<std::uint8_t>(8 * index);
        return *this;
    }

    ImageBuilder& SetHeaderWriteAddress(int address) {
        if (layout_.model == Model::V7) {
            image_[1] = static_cast<std::uint8_t>(address >> 16);
        }
        image_[2] = static_cast<std::uint8_t>(address >> 8);
        image_[3] = static_cast<std::uint8_t>(address);
        return *this;
    }

    // V5 and V6: the end address of directory entry 27, header offset 15.
    ImageBuilder& SetEntry27End(int address) {
        image_[15] = static_cast<std::uint8_t>(address >> 8);
        image_[16] = static_cast<std::uint8_t>(address);
        return *this;
    }

    // V7: the four pressure coefficient words at offsets 9, 11, 13, 15.
    ImageBuilder& SetCoefficientWords(std::uint16_t a0, std::uint16_t b1, std::uint16_t b2,
                                      std::uint16_t c12) {
        const std::uint16_t words[4] = {a0, b1, b2, c12};
        for (int i = 0; i < 4; ++i) {
            image_[9 + 2 * i] = static_cast<std::uint8_t>(words[i] >> 8);
            image_[10 + 2 * i] = static_cast<std::uint8_t>(words[i]);
        }
        return *this;
    }

    static int EntryOffset(int entry) { return 16 + 8 * entry; }

    // Writes directory entry `entry` (1..27) with a start address and a start time given as
    // plain numbers, BCD-coded as the instrument stores them.
    ImageBuilder& SetEntry(int entry, int startAddress, const Stamp& stamp) {
        return SetEntryRaw(entry, startAddress, ToBcd(stamp.minute), ToBcd(stamp.hour),
                           ToBcd(stamp.day), ToBcd(stamp.month), ToBcd(stamp.year - 2000));
    }

    // The same with the date bytes exactly as given (for bytes that are not valid BCD).
    ImageBuilder& SetEntryRaw(int entry, int startAddress, std::uint8_t minute, std::uint8_t hour,
                              std::uint8_t day, std::uint8_t month, std::uint8_t year) {
        const int o = EntryOffset(entry);
        int d = o;
        if (layout_.model == Model::V7) {
            image_[d++] = static_cast<std::uint8_t>(startAddress >> 16);
        }
        image_[d++] = static_cast<std::uint8_t>(startAddress >> 8);
        image_[d++] = static_cast<std::uint8_t>(startAddress);
        image_[d++] = minute;
        image_[d++] = hour;
        image_[d++] = day;
        image_[d++] = month;
        image_[d++] = year;
        return *this;
    }

    // Writes record `k` of a measurement that starts at `startAddress`: the records lie
    // below the start, each below the previous one, going round the bottom of the data
    // area to the top as the instrument does.
    ImageBuilder& SetRecord(int startAddress, int k, const RawRecord& r) {
        const int size = layout_.recordSize;
        const int low = startAddress - size * (k + 1);
        auto put = [&](int offset, int value) {
            image_[Wrap(low + offset)] = static_cast<std::uint8_t>(value);
        };
        auto put16 = [&](int offset, int value) {
            put(offset, value >> 8);
            put(offset + 1, value);
        };
        switch (layout_.model) {
            case Model::V5:
                put16(0, r.pulses);
                break;
            case Model::V6:
                put16(0, r.humidity);
                put16(2, r.temperature);
                put16(4, r.pulses);
                break;
            case Model::V7:
                put(0, r.humidity);
                put(1, r.temperature);
                put(2, r.pressure);
                put(3, 0);
                put16(4, r.pulses);
                break;
        }
        return *this;
    }

    // Records a whole measurement as the instrument does: a directory entry at the next
    // position, its hourly records from the write address down, the record of the hour in
    // progress where the model keeps one (V5, V7), and the header's write address and
    // directory position advanced, so that the decoder yields exactly `records`.
    int AddMeasurement(const Stamp& start, const std::vector<RawRecord>& records) {
        const int entry = nextEntry_;
        const int startAddress = writeAddress_;
        SetEntry(entry, startAddress, start);
        for (int k = 0; k < static_cast<int>(records.size()); ++k) {
            SetRecord(startAddress, k, records[k]);
        }
        int stored = static_cast<int>(records.size());
        if (layout_.model != Model::V6) {
            SetRecord(startAddress, stored, RawRecord{});
            ++stored;
        }
        writeAddress_ = Wrap(startAddress - layout_.recordSize * stored);
        SetHeaderWriteAddress(writeAddress_);
        nextEntry_ = entry % 27 + 1;
        SetWriteEntryIndex(entry + 1);
        return entry;
    }

    // Bytes still free below the write address (without wrapping).
    int FreeBytes() const { return writeAddress_ - layout_.lowestAddress; }

  private:
    int Wrap(int address) const {
        const int size = layout_.imageSize - layout_.lowestAddress;
        return address < layout_.lowestAddress ? address + size : address;
    }

    const ModelLayout& layout_;
    ImageBuffer image_{};
    int writeAddress_ = 0;
    int nextEntry_ = 1;
};

// Plain records with the given pulse counts and no climate readings.
inline std::vector<RawRecord> Pulses(std::initializer_list<int> counts) {
    std::vector<RawRecord> records;
    for (const int c : counts) {
        records.push_back(RawRecord{c, 0, 0, 0});
    }
    return records;
}

inline std::vector<RawRecord> ConstantPulses(int hours, int count) {
    return std::vector<RawRecord>(static_cast<std::size_t>(hours), RawRecord{count, 0, 0, 0});
}

}  // namespace kelmor::testing
