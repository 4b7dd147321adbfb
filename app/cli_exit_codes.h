#pragma once

namespace kelmor::cli {

// kelmor-cli's exit codes, which the README and the man page list.
enum ExitCode {
    kDone = 0,
    kUsage = 1,
    kBadFile = 2,         // not a readable data file
    kNoMeasurements = 3,  // a data file without measurements
    kOutputFailed = 4,    // standard output or the report could not be written
};

}  // namespace kelmor::cli
