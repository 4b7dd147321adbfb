#pragma once

#include "link/cancellation.h"
#include "link/clock.h"
#include "link/port_layer.h"

namespace kelmor {

// What every instrument command runs on: the port layer, the clock of its pauses, and the
// cancellation that ends it early. A command runs on whatever thread calls it (the window
// runs them on a worker thread); it touches no window and no Qt object of another thread,
// and its callbacks run on its own thread. One command at a time uses a link; any thread
// may raise the cancellation meanwhile.
struct InstrumentLink {
    PortLayer& port;
    Clock& clock;
    const Cancellation& cancel;
};

}  // namespace kelmor
