// Builds the car from an arbitrary settings file, as start-up does: the
// reader and the car may show boxes or raise their own errors, nothing else.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/base/errors.h"
#include "core/car/car.h"
#include "core/car/car_run.h"
#include "core/settings/ini_file.h"
#include "support/recording_platform.h"
#include "support/temp_dir.h"

namespace {

class NoCourse : public ormakin::LineProbe {
 public:
  bool IsOnLine(std::int32_t, std::int32_t) override { return false; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const ormakin::testing::TempDir dir;
  const std::string path =
      dir.WriteFile("ormakin.ini", std::string(reinterpret_cast<const char*>(data), size));
  ormakin::TIniFile settings(path);
  ormakin::testing::RecordingPlatform boxes;
  NoCourse course;
  try {
    ormakin::TCar car(settings, boxes, course);
    if (boxes.boxes.size() > 160) std::abort();
    car.PlaceAtStart(ormakin::ReadStartPoint(settings));
    ormakin::CarRun(car).Run(64);
  } catch (const ormakin::EConvertError&) {
  } catch (const ormakin::EOverflow&) {
  }
  return 0;
}
