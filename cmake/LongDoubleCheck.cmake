# The radon error of a sample is computed in x87 extended precision: 225 pulses at a
# calibration factor of 6.0 give an error of 89, and 90 with a 53-bit mantissa.
# Refuse to build where long double is anything else.
include(CheckCXXSourceCompiles)
check_cxx_source_compiles("
#include <limits>
static_assert(std::numeric_limits<long double>::digits == 64, \"\");
int main() { return 0; }
" KELMOR_LONG_DOUBLE_IS_X87_EXTENDED)
if(NOT KELMOR_LONG_DOUBLE_IS_X87_EXTENDED)
  message(FATAL_ERROR "long double must be the 80-bit x87 extended type (64-bit mantissa)")
endif()
