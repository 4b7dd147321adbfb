#include "instrument_session.h"

#include "instrument/memory_readout.h"
#include "link/port_layer.h"

namespace kelmor {

InstrumentSession::InstrumentSession(FtDriver& driver, Clock& clock)
    : driver_(driver),
      clock_(clock),
      port_(std::make_unique<PortLayer>(driver, clock)),
      readout_(std::make_unique<MemoryReadout>()) {}

InstrumentSession::~InstrumentSession() = default;

bool InstrumentSession::Discover() {
    attached_ = kelmor::Discover(*port_, identity_);
    return attached_;
}

void InstrumentSession::SetErrorReport(bool on) {
    port_->FTErrorReportOn = on;
}

}  // namespace kelmor
