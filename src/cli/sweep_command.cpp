#include "cli/sweep_command.h"

#include <string>

#include "cli/cli_platform.h"
#include "cli/job_pool.h"
#include "cli/picture_file.h"
#include "cli/progress_bar.h"
#include "core/base/errors.h"
#include "core/window/trace_map.h"
#include "studies/controller.h"
#include "studies/sweep.h"

namespace ormakin::cli {

int SweepCommand(const SweepOptions& options, std::FILE* out, std::FILE* err) {
  CliSession session(options.course, options.settings, err);
  TTraceMap& traceMap = session.Window();
  if (!session.Open()) {
    return kExitFailure;
  }

  return session.Run(out, [&] {
    const TBitmap* picture = traceMap.CourseImage->Picture.Bitmap();
    if (picture == nullptr) {
      // An icon or a metafile: the car's first probe would fail so.
      throw EInvalidOperation(kBitmapOnlyMessage);
    }
    studies::Sweep sweep(
        *picture, studies::Controller::Read(*traceMap.IniFile, *traceMap.Car),
        studies::SweepOptions{options.ticks, options.around, options.step, options.line},
        PoolRunner(options.jobs));
    const std::size_t count = sweep.Starts().size();
    ProgressBar bar(err);
    sweep.RunNext(count, [&](std::size_t done) {
      bar.Show(static_cast<double>(done) / static_cast<double>(count),
               std::to_string(done) + " of " + std::to_string(count) + " starts");
    });
    bar.Clear();
    if (options.map) {
      WritePicture(sweep.Map(), *options.map);
    }
    std::fputs(sweep.Summary().c_str(), out);
    return kExitDone;
  });
}

}  // namespace ormakin::cli
