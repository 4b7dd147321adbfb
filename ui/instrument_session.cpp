#include "instrument_session.h"

#include "instrument/exchange.h"
#include "instrument/memory_readout.h"
#include "link/d2xx_unit.h"

namespace kelmor {

InstrumentSession::InstrumentSession(FtDriver& driver, Clock& clock)
    : driver_(driver),
      port_(std::make_unique<D2XXUnit>(driver)),
      exchange_(std::make_unique<Exchange>(*port_, clock)),
      readout_(std::make_unique<MemoryReadout>(*port_, clock)) {}

InstrumentSession::~InstrumentSession() = default;

bool InstrumentSession::Discover() {
    InstrumentAttached = kelmor::Discover(*port_, InstrumentIdentity);
    return InstrumentAttached;
}

void InstrumentSession::SetErrorReport(bool on) {
    port_->FTErrorReportOn = on;
}

}  // namespace kelmor
