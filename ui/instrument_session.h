#pragma once

#include <memory>

#include "instrument/instrument_link.h"
#include "link/cancellation.h"
#include "link/discovery.h"

namespace kelmor {

class Clock;
class PortLayer;
class FtDriver;
class MemoryReadout;

// The window's link to the instrument: the port layer with its buffers, the outcome of the
// latest discovery pass, the cancellation and the read-out's staging, all for the
// program's lifetime.
class InstrumentSession {
  public:
    InstrumentSession(FtDriver& driver, Clock& clock);
    ~InstrumentSession();

    PortLayer& Port() { return *port_; }
    // What the instrument commands run on.
    InstrumentLink Link() { return InstrumentLink{*port_, clock_, cancel_}; }
    Cancellation& Cancel() { return cancel_; }
    MemoryReadout& Readout() { return *readout_; }
    FtDriver& Driver() { return driver_; }

    // One discovery pass; the result is also kept as Attached() and Identity().
    bool Discover();
    bool Attached() const { return attached_; }
    void SetAttached(bool attached) { attached_ = attached; }
    const InstrumentIdentity& Identity() const { return identity_; }
    void SetErrorReport(bool on);

  private:
    FtDriver& driver_;
    Clock& clock_;
    std::unique_ptr<PortLayer> port_;
    Cancellation cancel_;
    std::unique_ptr<MemoryReadout> readout_;
    bool attached_ = false;
    InstrumentIdentity identity_;
};

}  // namespace kelmor
