// A fingerprint of a run: the FNV-1a 64-bit hash over every trace row, so that
// two runs can be compared at a glance.
#pragma once

#include <bit>
#include <cstdint>

#include "core/car/car_run.h"

namespace ormakin {

class TraceHash : public RunObserver {
 public:
  void Placed(const TCar& car) override { AddRow(car); }
  void Ticked(const TickReport& tick) override { AddRow(tick.car); }
  void AddRow(const TCar& car) {
    AddRow(car.X(), car.Y(), car.Direction(), car.SensorBits(), car.State());
  }
  // Adds one row: x, y and direction as the little-endian bytes of doubles,
  // then the sensor mask and the state as little-endian 32-bit integers.
  void AddRow(double x, double y, double direction, std::int32_t sensorBits, std::int32_t state) {
    AddBytes(std::bit_cast<std::uint64_t>(x), 8);
    AddBytes(std::bit_cast<std::uint64_t>(y), 8);
    AddBytes(std::bit_cast<std::uint64_t>(direction), 8);
    AddBytes(static_cast<std::uint32_t>(sensorBits), 4);
    AddBytes(static_cast<std::uint32_t>(state), 4);
  }

  std::uint64_t Value() const { return hash_; }

 private:
  static constexpr std::uint64_t kOffsetBasis = 0xcbf29ce484222325ULL;
  static constexpr std::uint64_t kPrime = 0x100000001b3ULL;

  // The low `count` bytes of `value`, lowest first: the little-endian order
  // whatever the machine's own.
  void AddBytes(std::uint64_t value, int count) {
    for (int i = 0; i < count; ++i) {
      hash_ ^= (value >> (8 * i)) & 0xFFu;
      hash_ *= kPrime;
    }
  }

  std::uint64_t hash_ = kOffsetBasis;
};

}  // namespace ormakin
