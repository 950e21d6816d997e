#include "cli/check_command.h"

#include <cinttypes>

#include "cli/output_file.h"
#include "cli/run_command.h"
#include "core/base/errors.h"
#include "core/base/text_encoding.h"
#include "core/car/line_probe.h"
#include "core/picture/bmp_reader.h"
#include "core/picture/byte_source.h"
#include "core/picture/picture.h"
#include "core/window/trace_map.h"
#include "studies/line_mask.h"

namespace ormakin::cli {

namespace {

bool IsNearBlack(TColor color) {
  const std::uint32_t red = color & 0xFFu;
  const std::uint32_t green = (color >> 8) & 0xFFu;
  const std::uint32_t blue = (color >> 16) & 0xFFu;
  return !IsLineColor(color) && color != kNoColor && red <= kNearBlackLimit &&
         green <= kNearBlackLimit && blue <= kNearBlackLimit;
}

bool TouchesLine(const TBitmap& course, int x, int y) {
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      if ((dx != 0 || dy != 0) && IsLineColor(course.GetPixel(x + dx, y + dy))) {
        return true;
      }
    }
  }
  return false;
}

const char* CompressionName(std::uint32_t compression) {
  switch (compression) {
    case 0:
      return "none";
    case 1:
      return "rle8";
    case 2:
      return "rle4";
    case 3:
      return "bitfields";
    default:
      return "unknown";
  }
}

// Smoothing is suspected when the soft edge holds at least one pixel in a
// hundred of the line's own: a stray dark pixel is no reason to warn.
bool LooksSmoothed(const CourseSurvey& survey) {
  return survey.linePixels > 0 && survey.nearBlackEdgePixels > 0 &&
         survey.nearBlackEdgePixels * 100 >= survey.linePixels;
}

}  // namespace

CourseSurvey SurveyCourse(const TBitmap& course) {
  CourseSurvey survey;
  for (int y = 0; y < course.Height(); ++y) {
    for (int x = 0; x < course.Width(); ++x) {
      const TColor color = course.GetPixel(x, y);
      if (IsLineColor(color)) {
        ++survey.linePixels;
      } else if (IsNearBlack(color)) {
        ++survey.nearBlackPixels;
        if (TouchesLine(course, x, y)) {
          ++survey.nearBlackEdgePixels;
        }
      }
    }
  }
  return survey;
}

int CheckCommand(const CheckOptions& options, std::FILE* out, std::FILE* err) {
  try {
    // The window's own load: the kind by the extension, then the reader.
    TPicture picture;
    picture.LoadFromFile(options.course);
    const TBitmap* course = picture.Bitmap();
    if (course == nullptr) {
      // An icon or a metafile loads, but the first probe would fail.
      throw EInvalidOperation(kBitmapOnlyMessage);
    }
    const BmpInfo info = InspectBitmap(FileSource(options.course));
    const CourseSurvey survey = SurveyCourse(*course);
    std::fprintf(out, "width=%d\nheight=%d\n", course->Width(), course->Height());
    std::fprintf(out, "bits_per_pixel=%d\ncompression=%s\ntop_down=%s\n", info.bitsPerPixel,
                 CompressionName(info.compression), info.topDown ? "yes" : "no");
    std::fprintf(out, "line_pixels=%" PRIu64 "\nnear_black_pixels=%" PRIu64 "\n", survey.linePixels,
                 survey.nearBlackPixels);
    if (survey.linePixels == 0) {
      std::fprintf(out,
                   "warning: there is no line: no pixel is pure black (0, 0, 0), so the sensors "
                   "never see a line on this course.");
      if (survey.nearBlackPixels > 0) {
        std::fprintf(out,
                     " %" PRIu64 " pixels are nearly black; draw the line in pure black instead.",
                     survey.nearBlackPixels);
      }
      std::fprintf(out, "\n");
    } else if (LooksSmoothed(survey)) {
      std::fprintf(out,
                   "warning: the line looks drawn with smoothing: %" PRIu64
                   " nearly black pixels lie along its edges, and the sensors see only pure "
                   "black (0, 0, 0), so the line is narrower for them than it looks. Draw it "
                   "without anti-aliasing.\n",
                   survey.nearBlackEdgePixels);
    }
    if (options.mask) {
      OutputFile file(*options.mask);
      file.Write(studies::LineMaskPbm(*course));
      file.Close();
    }
  } catch (const std::exception& failure) {
    std::fflush(out);
    std::fprintf(err, "%s\n", WithFinalPeriod(ToDisplayText(failure.what())).c_str());
    return kExitFailure;
  }
  return kExitDone;
}

}  // namespace ormakin::cli
