#pragma once

#include "instrument/dialect.h"

namespace kelmor {

// V7: one ASCII letter per command, plain data bytes.
class LetterDialect : public Dialect {
  public:
    Model InstrumentModel() const override { return Model::V7; }
    void WriteClock(Session& session, const ClockValues& values) const override;
    void Erase(Session& session, std::uint8_t& result) const override;
    void WriteTrigger(Session& session, std::uint8_t levelCode,
                      std::uint8_t flashFlag) const override;
    void ReadOut(Session& session, ReadoutTarget& target,
                 const ReadProgress& progress) const override;

  private:
    void WriteMemoryByte(Session& session, std::uint16_t address, std::uint8_t value) const;
};

}  // namespace kelmor
