#include "decoder.h"

#include "sample_conversion.h"

#include <algorithm>
#include <cmath>

namespace kelmor {

namespace {

int BigEndian16(const ImageBuffer& image, int offset) {
    return image[offset] << 8 | image[offset + 1];
}

int BigEndian24(const ImageBuffer& image, int offset) {
    return image[offset] << 16 | image[offset + 1] << 8 | image[offset + 2];
}

// Reads the directory and header addresses in the width of the model. V6 addresses have
// 15 bits: the instrument uses bit 7 of the high byte for something else.
class Directory {
  public:
    Directory(const ImageBuffer& image, const ModelLayout& layout)
        : image_(image), model_(layout.model) {}

    int EntryOffset(int entry) const { return 16 + 8 * entry; }

    int StartAddress(int entry) const { return Address(EntryOffset(entry)); }

    int HeaderWriteAddress() const {
        return model_ == Model::V7 ? BigEndian24(image_, 1) : Address(2);
    }

    // The lower bound of the records of `entry` before the write position is taken
    // into account: the next entry's start, or for the last entry a header field.
    int NextBoundary(int entry) const {
        if (model_ == Model::V7) {
            // A V7 start address points at the record of the hour in progress.
            const int next =
                entry < kDirectoryEntries ? StartAddress(entry + 1) : HeaderWriteAddress();
            return next + 6;
        }
        return entry < kDirectoryEntries ? StartAddress(entry + 1) : Address(15);
    }

    int WriteBoundary() const { return HeaderWriteAddress() + (model_ == Model::V7 ? 6 : 0); }

    // Offset of the BCD minute; hour, day, month and year follow it.
    int DateOffset(int entry) const { return EntryOffset(entry) + (model_ == Model::V7 ? 3 : 2); }

  private:
    int Address(int offset) const {
        switch (model_) {
            case Model::V5:
                return BigEndian16(image_, offset);
            case Model::V6:
                return BigEndian16(image_, offset) & 0x7FFF;
            case Model::V7:
                return BigEndian24(image_, offset);
        }
        return 0;
    }

    const ImageBuffer& image_;
    Model model_;
};

struct StartDate {
    int minute, hour, day, month, year;
};

StartDate ReadStartDate(const ImageBuffer& image, int offset) {
    return {BcdToByte(image[offset]), BcdToByte(image[offset + 1]), BcdToByte(image[offset + 2]),
            BcdToByte(image[offset + 3]), 2000 + BcdToByte(image[offset + 4])};
}

bool ComposeStartTime(const StartDate& d, DateTime& startTime) {
    if (d.minute > 59 || d.hour > 23 || d.day == 0 || d.day > 31 || d.month == 0 || d.month > 12) {
        return false;
    }
    DateTime day = 0;
    if (!TryEncodeDate(d.year, d.month, d.day, day)) {
        return false;  // 31 April or 30 February: not a date the instrument can have written
    }
    startTime = day + EncodeTime(d.hour, d.minute, 0, 0);
    return true;
}

// The data area is circular: the instrument writes downwards and continues at the top
// when it reaches the lowest address, overwriting the oldest records.
class DataArea {
  public:
    explicit DataArea(const ModelLayout& layout)
        : lowest_(layout.lowestAddress), size_(layout.imageSize - layout.lowestAddress) {}

    // Bytes from the start address down to the end address, going round the bottom when
    // the end lies above the start; never more than the whole area.
    int Span(int start, int end) const {
        long long span = static_cast<long long>(start) - end;
        if (span < 0) {
            span = (span % size_ + size_) % size_;
        }
        return static_cast<int>(std::min<long long>(span, size_));
    }

    // Maps an address of a downward walk that started at a valid start address back into
    // the data area.
    int Wrap(int address) const { return address < lowest_ ? address + size_ : address; }

  private:
    int lowest_;
    int size_;
};

struct RecordReader {
    const ImageBuffer& image;
    const DataArea& area;
    int top;  // highest byte of the record
    int size;

    int Byte(int offset) const { return image[area.Wrap(top - size + 1 + offset)]; }
    int Word(int offset) const { return Byte(offset) << 8 | Byte(offset + 1); }
};

// The record's climate readings packed as ClimateReadings describes.
ClimateReadings ReadClimate(Model model, const RecordReader& record) {
    if (model == Model::V6) {
        return static_cast<ClimateReadings>(record.Word(0)) << 16 |
               static_cast<ClimateReadings>(record.Word(2));
    }
    if (model == Model::V7) {
        return static_cast<ClimateReadings>(record.Byte(0) << 16 | record.Byte(1) << 8 |
                                            record.Byte(2));
    }
    return 0;
}

void AppendMemoSegment(QString& memo, int start, int end, const StartDate& date, bool empty) {
    memo += QChar(12);
    memo += QStringLiteral("%1, %2, %3, %4, %5, %6")
                .arg(start)
                .arg(end)
                .arg(date.year)
                .arg(date.month)
                .arg(date.day)
                .arg(date.hour);
    memo += empty ? QStringLiteral(", empty") : QStringLiteral(", OK");
}

// Stable: measurements with equal start times keep their directory order.
void SortByStartTime(MeasurementTableType& rows, int count) {
    for (int i = 1; i < count; ++i) {
        const MeasurementEntry row = rows[i];
        int j = i;
        while (j > 0 && rows[j - 1].StartTime > row.StartTime) {
            rows[j] = rows[j - 1];
            --j;
        }
        rows[j] = row;
    }
}

DecodeOutcome Decode(MeasurementData& data, Model model, const DecodeContext& context) {
    const ModelLayout& layout = LayoutOf(model);
    const ImageBuffer& image = data.MeasurementImage;
    const HeaderValues& header = data.Header;
    const Directory directory(image, layout);
    const DataArea area(layout);
    const int recordSize = layout.recordSize;
    const bool keepsMemo = model != Model::V5;

    data.MeasurementTable.fill(MeasurementEntry{});
    data.MeasurementCount = 0;
    int cursor = 0;  // next free slot of the sample table

    for (int entry = 1; entry <= kDirectoryEntries; ++entry) {
        const int start = directory.StartAddress(entry);
        bool empty = start < layout.lowestAddress;

        int end = directory.NextBoundary(entry);
        if (entry == header.WriteEntryIndex - 1) {
            end = directory.WriteBoundary();  // the most recent measurement
        }
        if (start < layout.lowestAddress || start > layout.highestAddress ||
            end < layout.lowestAddress || end > layout.highestAddress) {
            empty = true;
        }
        if (entry == header.WriteEntryIndex) {
            end = header.WriteAddress;  // the entry being written, or the oldest one left
        }
        if (end == start) {
            empty = true;
        }

        const StartDate date = ReadStartDate(image, directory.DateOffset(entry));
        DateTime startTime = 0;
        if (!ComposeStartTime(date, startTime)) {
            empty = true;
        }
        if (keepsMemo) {
            AppendMemoSegment(data.Memo, start, end, date, empty);
        }
        constexpr DateTime kOneMillisecond = 1.0 / 86400000;
        if (!empty && model == Model::V7 && startTime > context.now + kOneMillisecond) {
            empty = true;  // a V7 clock that was never set dates its measurements ahead
        }
        if (empty) {
            continue;
        }

        const int records = area.Span(start, end) / recordSize;
        // The V5's last record is the hour in progress, not yet a full hour of counts.
        int rowLength = model == Model::V5 ? std::max(records - 1, 0) : records;
        rowLength = std::min(rowLength, kSampleSlots - cursor);

        MeasurementEntry& row = data.MeasurementTable[data.MeasurementCount];
        row = {cursor, cursor + rowLength - 1, startTime};
        for (int k = 0; k < rowLength; ++k) {
            const RecordReader record{image, area, start - 1 - k * recordSize, recordSize};
            const ClimateReadings climate = ReadClimate(model, record);
            data.SampleTable[cursor + k] =
                ConvertReadings(model, record.Word(record.size - 2), climate,
                                header.CalibrationFactor, startTime, k, header.Coefficients);
            data.ClimateTable[cursor + k] = climate;
        }
        cursor += rowLength;
        ++data.MeasurementCount;
    }

    SortByStartTime(data.MeasurementTable, data.MeasurementCount);
    // The samples lie in directory order. The instrument fills its directory in time order
    // until it goes round, so mostly they are in place already; otherwise they are
    // gathered again in the order of the sorted rows.
    bool inPlace = true;
    for (int j = 0, q = 0; j < data.MeasurementCount; ++j) {
        const MeasurementEntry& row = data.MeasurementTable[j];
        inPlace &= row.FirstSample == q;
        q += std::max(row.LastSample - row.FirstSample + 1, 0);
    }
    if (!inPlace) {
        std::copy_n(data.SampleTable.begin(), cursor, data.WorkingSamples.begin());
        std::copy_n(data.ClimateTable.begin(), cursor, data.WorkingClimate.begin());
    }

    DecodeOutcome outcome;
    outcome.model = model;
    int q = 0;
    for (int j = 0; j < data.MeasurementCount; ++j) {
        MeasurementEntry& row = data.MeasurementTable[j];
        const int count = std::max(row.LastSample - row.FirstSample + 1, 0);
        if (!inPlace) {
            std::copy_n(data.WorkingSamples.begin() + row.FirstSample, count,
                        data.SampleTable.begin() + q);
            std::copy_n(data.WorkingClimate.begin() + row.FirstSample, count,
                        data.ClimateTable.begin() + q);
        }
        row.FirstSample = q;
        q += count;
        row.LastSample = q - 1;
        const DateTime listEnd =
            static_cast<DateTime>(row.StartTime + static_cast<Extended>(count) / 24);
        outcome.listItems << FormatDayMonthHourMinute(row.StartTime, context.separators) +
                                 QStringLiteral(" TO ") +
                                 FormatDayMonthHourXx(listEnd, context.separators);
    }
    data.LastSampleIndex = q - 1;

    if (data.MeasurementCount == 0) {
        outcome.message = kNoMeasurementsMessage;
        outcome.climateItemsEnabled = false;
        return outcome;
    }
    outcome.measurementsFound = true;
    outcome.listItems << kAllMeasurementsItem;
    data.MeasurementTable[data.MeasurementCount] = {
        data.MeasurementTable[0].FirstSample,
        data.MeasurementTable[data.MeasurementCount - 1].LastSample,
        data.MeasurementTable[0].StartTime};
    outcome.climateItemsEnabled = model != Model::V5;
    return outcome;
}

}  // namespace

DecodeOutcome DecodeV5Image(MeasurementData& data, const DecodeContext& context) {
    return Decode(data, Model::V5, context);
}

DecodeOutcome DecodeV6Image(MeasurementData& data, const DecodeContext& context) {
    return Decode(data, Model::V6, context);
}

DecodeOutcome DecodeV7Image(MeasurementData& data, const DecodeContext& context) {
    return Decode(data, Model::V7, context);
}

DecodeOutcome DecodeImage(MeasurementData& data, Model model, const DecodeContext& context) {
    switch (model) {
        case Model::V5:
            return DecodeV5Image(data, context);
        case Model::V6:
            return DecodeV6Image(data, context);
        case Model::V7:
            return DecodeV7Image(data, context);
    }
    return {};
}

QString SampleListText(const MeasurementData& data, const Separators& separators,
                       QLatin1String lineEnd) {
    QString text;
    text.reserve((data.LastSampleIndex + 1) * (16 + static_cast<int>(lineEnd.size())));
    for (int i = 0; i <= data.LastSampleIndex; ++i) {
        const SampleRecord& sample = data.SampleTable[i];
        text += FormatDayMonthHour00(sample.Time, separators);
        text += QLatin1String("; ");
        text += QString::number(RoundHalfEvenToInt(sample.Concentration));
        text += lineEnd;
    }
    return text;
}

}  // namespace kelmor
