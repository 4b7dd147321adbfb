#pragma once

namespace kelmor::cli {

// kelmor-cli's exit codes, which the README and the man page list.
enum ExitCode {
    kDone = 0,
    kUsage = 1,
    kBadFile = 2,         // not a readable data file or archive, or nothing of that name in it
    kNoMeasurements = 3,  // a data file without measurements
    kOutputFailed = 4,    // standard output, the report or the archive could not be written
    kInconsistent = 5,    // archive check: the archive is not what its sources give
};

}  // namespace kelmor::cli
