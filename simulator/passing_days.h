#pragma once

// Days passing for the simulated Kelmor: it records one hourly sample after another into
// its memory as a real one does between two read-outs, so that a second read-out finds
// more than the first.

namespace kelmor {

class KelmorModel;

enum class RunChoice {
    Current,  // the most recent measurement goes on
    New,      // a new measurement begins
};

enum class DaysPassedResult {
    RunExtended,    // the most recent measurement holds the new hours
    RunStarted,     // a new measurement holds them (also when the memory held none)
    MemoryFull,     // the data area has no room for them; nothing was recorded
    DirectoryFull,  // all 27 directory entries are taken; nothing was recorded
    MemoryUnknown,  // header, directory or clock hold what the instrument never writes;
                    // nothing was recorded
    NoDays,         // fewer than one day was asked for; nothing was recorded
};

// Records `days` × 24 hours. The current measurement simply goes on from its last hour. A
// new measurement begins `days` days before the instrument's clock, so that its last
// sample is stamped with the clock's present minute (with the demo's clock, which follows
// the PC's, a read-out then shows the days that passed as the latest ones); when that
// would reach back into the most recent measurement, it begins at that measurement's last
// sample instead, since the instrument records one measurement at a time. The memory does
// not go round: overwriting the oldest hours would leave their directory entry pointing at
// the newest ones, so a memory without room for all the hours refuses them whole.
DaysPassedResult LetDaysPass(KelmorModel& kelmor, int days, RunChoice run);

}  // namespace kelmor
