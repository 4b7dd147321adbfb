#include "instrument_session.h"

#include "instrument/memory_readout.h"
#include "link/d2xx_unit.h"

namespace kelmor {

InstrumentSession::InstrumentSession(FtDriver& driver, Clock& clock)
    : driver_(driver),
      clock_(clock),
      port_(std::make_unique<D2XXUnit>(driver, clock)),
      readout_(std::make_unique<MemoryReadout>()) {}

InstrumentSession::~InstrumentSession() = default;

bool InstrumentSession::Discover() {
    InstrumentAttached = kelmor::Discover(*port_, InstrumentIdentity);
    return InstrumentAttached;
}

void InstrumentSession::SetErrorReport(bool on) {
    port_->FTErrorReportOn = on;
}

}  // namespace kelmor
