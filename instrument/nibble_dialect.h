#pragma once

#include "instrument/dialect.h"

namespace kelmor {

// V5 and V6: two-byte command codes, data as nibble pairs. The two differ in their memory
// size, their top of memory and the pause before the register request.
class NibbleDialect : public Dialect {
  public:
    explicit NibbleDialect(Model model) : model_(model) {}

    Model InstrumentModel() const override { return model_; }
    void WriteClock(Session& session, const ClockValues& values) const override;
    void Erase(Session& session, std::uint8_t& result) const override;
    void WriteTrigger(Session& session, std::uint8_t levelCode,
                      std::uint8_t flashFlag) const override;
    void ReadOut(Session& session, ReadoutTarget& target,
                 const ReadProgress& progress) const override;

  private:
    const Model model_;
};

}  // namespace kelmor
