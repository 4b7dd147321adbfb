#pragma once

#include <memory>

#include "instrument/instrument_link.h"
#include "link/cancellation.h"
#include "link/discovery.h"

namespace kelmor {

class Clock;
class D2XXUnit;
class FtDriver;
class MemoryReadout;

// The window's link to the instrument: the port layer with its buffers, the outcome of the
// latest discovery pass, the cancellation and the read-out's staging, all for the
// program's lifetime.
class InstrumentSession {
  public:
    InstrumentSession(FtDriver& driver, Clock& clock);
    ~InstrumentSession();

    D2XXUnit& Port() { return *port_; }
    // What the instrument commands run on.
    InstrumentLink Link() { return InstrumentLink{*port_, clock_, cancel_}; }
    Cancellation& Cancel() { return cancel_; }
    MemoryReadout& Readout() { return *readout_; }
    FtDriver& Driver() { return driver_; }

    // One discovery pass; the result is also kept as Attached() and Identity().
    bool Discover();
    bool Attached() const { return InstrumentAttached; }
    void SetAttached(bool attached) { InstrumentAttached = attached; }
    const TV5& Identity() const { return InstrumentIdentity; }
    void SetErrorReport(bool on);

  private:
    FtDriver& driver_;
    Clock& clock_;
    std::unique_ptr<D2XXUnit> port_;
    Cancellation cancel_;
    std::unique_ptr<MemoryReadout> readout_;
    bool InstrumentAttached = false;
    TV5 InstrumentIdentity;
};

}  // namespace kelmor
