// Finds the moment a run starts to repeat itself. The car's future depends
// only on its position, heading and controller state (the speed is fixed
// during a run and the sensor mask is probed afresh every tick), so once that
// state repeats bit for bit the car cycles for ever. Brent's algorithm finds
// the cycle in constant memory: one saved state, compared with each new one,
// and saved again at every power of two.
#pragma once

#include <bit>
#include <cstdint>

namespace ormakin {

// The part of the car's state that decides everything after it, as bits, so
// that equal means equal to the last bit (and -0.0 differs from 0.0).
struct CarState {
  std::uint64_t x = 0;
  std::uint64_t y = 0;
  std::uint64_t direction = 0;
  std::int32_t state = 0;

  static CarState Of(double x, double y, double direction, std::int32_t state) {
    return {std::bit_cast<std::uint64_t>(x), std::bit_cast<std::uint64_t>(y),
            std::bit_cast<std::uint64_t>(direction), state};
  }
  bool operator==(const CarState&) const = default;
};

class LoopDetector {
 public:
  // `start`: the state at the placement (tick 0).
  explicit LoopDetector(const CarState& start) : saved_(start) {}

  // The state after the next tick. Returns true on the tick where the
  // repetition is found; from then on Period() is known and nothing more is
  // compared.
  bool Add(const CarState& state) {
    if (period_ != 0) {
      return false;
    }
    ++distance_;
    if (state == saved_) {
      period_ = distance_;
      return true;
    }
    if (distance_ == power_) {
      saved_ = state;
      power_ *= 2;
      distance_ = 0;
    }
    return false;
  }

  // The length of the cycle in ticks; 0 while no repetition has been seen.
  std::uint64_t Period() const { return period_; }

 private:
  CarState saved_;
  std::uint64_t power_ = 1;
  std::uint64_t distance_ = 0;  // ticks since the state was saved
  std::uint64_t period_ = 0;
};

}  // namespace ormakin
