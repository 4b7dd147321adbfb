#include "cli_pulse_lines.h"

#include "standard_output.h"

namespace kelmor::cli {

void PulseLines::AddPulse(DateTime time, double concentration, double error) {
    Out() << FormatIsoLocal(time) << ';' << QString::number(concentration, 'f', 6) << ';'
          << QString::number(error, 'f', 6) << '\n';
}

}  // namespace kelmor::cli
