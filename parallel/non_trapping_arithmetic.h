// A scope in which no floating-point operation traps.
//
// The calculations run inside a host process that may have enabled traps
// for division by zero or invalid operations; their results rely on IEEE
// arithmetic instead (infinities, quiet NaN at a singular matrix).
#ifndef KORVEL_PARALLEL_NON_TRAPPING_ARITHMETIC_H
#define KORVEL_PARALLEL_NON_TRAPPING_ARITHMETIC_H

#include <cfenv>

namespace korvel {

// Masks every floating-point exception while it lives, whatever the host
// process enabled, and restores the host's environment (discarding the
// flags raised meanwhile) when it goes.
class NonTrappingArithmetic {
 public:
  NonTrappingArithmetic() { std::feholdexcept(&saved_); }
  ~NonTrappingArithmetic() { std::fesetenv(&saved_); }
  NonTrappingArithmetic(const NonTrappingArithmetic&) = delete;
  NonTrappingArithmetic& operator=(const NonTrappingArithmetic&) = delete;

 private:
  std::fenv_t saved_;
};

}  // namespace korvel

#endif  // KORVEL_PARALLEL_NON_TRAPPING_ARITHMETIC_H
