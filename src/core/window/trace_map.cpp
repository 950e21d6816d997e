#include "core/window/trace_map.h"

#include "core/base/errors.h"
#include "core/base/text_encoding.h"
#include "core/car/car_run.h"
#include "core/draw/canvas.h"
#include "core/extended/precision_control.h"

namespace ormakin {

TTraceMap* TraceMap = nullptr;

bool TOpenDialog::Execute(Platform& platform) {
  std::optional<std::string> chosen = platform.ChooseFile(Filter, FileName);
  if (!chosen) {
    return false;
  }
  FileName = std::move(*chosen);
  return true;
}

TTraceMap::TTraceMap(Platform& platform, std::string settingsPath)
    : platform_(platform), settingsPath_(std::move(settingsPath)) {}

TTraceMap::~TTraceMap() {
  if (TraceMap == this) {
    TraceMap = nullptr;
  }
}

void TTraceMap::FormCreate() {
  IniFile = std::make_unique<TIniFile>(settingsPath_);
  CourseImage = std::make_unique<TImage>(kImageWidth, kImageHeight);
  Car = std::make_unique<TCar>(*IniFile, platform_, *this);
  Running = false;
}

void TTraceMap::FormClose() {
  Car.reset();
  CourseImage.reset();
  IniFile.reset();
}

void TTraceMap::FormCloseQuery(bool& canClose) {
  StopRequested = true;
  platform_.ProcessMessages();
  platform_.Pause(kPauseMilliseconds);
  // The close is never refused: canClose keeps its incoming value.
  (void)canClose;
}

void TTraceMap::EndSessionQuery() {
  bool canClose = true;
  FormCloseQuery(canClose);
}

void TTraceMap::Close() {
  if (closed_) {
    return;
  }
  bool canClose = true;
  FormCloseQuery(canClose);
  // A close chosen while the query processed messages has already done the
  // rest.
  if (!canClose || closed_) {
    return;
  }
  closed_ = true;
  FormClose();
  platform_.Terminate();
}

void TTraceMap::Open1Click() {
  if (!OpenDialog1.Execute(platform_)) {
    return;
  }
  StopRequested = true;
  platform_.ProcessMessages();
  // The window may have been closed from inside that message processing:
  // then the settings object, the car and the course are gone.
  if (closed_) {
    return;
  }
  platform_.Pause(kPauseMilliseconds);

  const StartPoint start = ReadStartPoint(*IniFile);
  // Without a car (its construction failed) the course is still loaded and
  // shown.
  if (Car) {
    Car->PlaceAtStart(start);
    for (RunObserver* observer : runObservers_) {
      observer->Placed(*Car);
    }
  }
  CourseImage->Picture.LoadFromFile(OpenDialog1.FileName);
  Redraw();
}

void TTraceMap::Exit1Click() {
  Close();
}

void TTraceMap::N3Click() {
  // Without a car there is nothing to run.
  if (!Car) {
    return;
  }
  if (OpenDialog1.FileName.empty()) {
    platform_.ShowMessageBox(kNoCourseMessage, kApplicationTitle, MessageBoxFlags::Ok);
    return;
  }
  if (Running) {
    return;
  }
  Running = true;
  StopRequested = false;
  CarRun run(*Car);
  for (RunObserver* observer : runObservers_) {
    run.Observe(*observer);
  }
  try {
    do {
      // Whatever ran nested in the last message processing (a file dialog, a
      // box, a library they load) may have changed the x87's precision.
      UseExtendedPrecision();
      // An observer may have asked for the stop during the tick.
      if (!run.Tick()) {
        StopRequested = true;
      }
      Redraw();
      // Commands run nested in here; a close frees the car, the course and
      // the settings object and leaves StopRequested set, so nothing below
      // touches them.
      platform_.ProcessMessages();
      platform_.Pause(kPauseMilliseconds);
    } while (!StopRequested);
  } catch (...) {
    Running = false;
    throw;
  }
  Running = false;
}

void TTraceMap::N4Click() {
  StopRequested = true;
}

void TTraceMap::About2Click() {
  platform_.ShowMessageBox(kAboutText, kAboutCaption, MessageBoxFlags::Ok);
}

bool TTraceMap::IsOnLine(std::int32_t x, std::int32_t y) {
  TPicture& picture = CourseImage->Picture;
  const TBitmap* bitmap = picture.Bitmap();
  if (bitmap == nullptr) {
    switch (picture.GetKind()) {
      case TPicture::Kind::None:
        // Probing a picture that holds nothing makes it a white bitmap of the
        // image's own size, which then stays the course.
        picture.SetBitmap(TBitmap(CourseImage->Width, CourseImage->Height, clWhite));
        bitmap = picture.Bitmap();
        break;
      default:
        throw EInvalidOperation(kBitmapOnlyMessage);
    }
  }
  return IsLineColor(bitmap->GetPixel(x, y));
}

TBitmap TTraceMap::ComposeFrame(int maxWidth, int maxHeight) const {
  const TPicture& course = CourseImage->Picture;
  TBitmap frame = course.GetKind() == TPicture::Kind::None
                      ? TBitmap(Image1.Width, Image1.Height, clWhite)
                      : TBitmap::ViewOf(*course.Bitmap(), maxWidth, maxHeight);
  DrawCar(frame, false);
  return frame;
}

void TTraceMap::DrawCar(TBitmap& frame, bool notify) const {
  if (!Car) {
    return;
  }
  TCanvas canvas(frame);
  if (notify) {
    canvas.OnChange = [this] { platform_.InvalidateImage(); };
  }
  Car->Draw(canvas);
}

void TTraceMap::Redraw() {
  // The car's corners are computed in its own arithmetic, whatever ran before.
  UseExtendedPrecision();
  const TPicture& course = CourseImage->Picture;
  switch (course.GetKind()) {
    case TPicture::Kind::None:
      // The frame of a course that holds nothing is white, and belongs to
      // the frame alone.
      Image1.Picture.SetBitmap(TBitmap(Image1.Width, Image1.Height, clWhite));
      break;
    case TPicture::Kind::Bitmap:
      // The frame shares the course's pixels until the car is drawn on it,
      // and covers only what the window can show.
      Image1.Picture.SetBitmap(TBitmap::ViewOf(*course.Bitmap(), Image1.Width, Image1.Height));
      break;
    default:
      // An icon or a metafile is shown as it is, without the car.
      Image1.Picture.Assign(course);
      platform_.InvalidateImage();
      throw EInvalidOperation(kBitmapOnlyMessage);
  }
  platform_.InvalidateImage();
  DrawCar(*Image1.Picture.Bitmap(), true);
}

TBitmap TTraceMap::ComposeFullFrame() const {
  const TPicture& course = CourseImage->Picture;
  if (course.GetKind() != TPicture::Kind::None && course.GetKind() != TPicture::Kind::Bitmap) {
    throw EInvalidOperation(kBitmapOnlyMessage);
  }
  const TBitmap* bitmap = course.Bitmap();
  return ComposeFrame(bitmap ? bitmap->Width() : Image1.Width,
                      bitmap ? bitmap->Height() : Image1.Height);
}

void TTraceMap::Create() {
  try {
    FormCreate();
  } catch (...) {
    HandleException(std::current_exception());
  }
}

void TTraceMap::Dispatch(void (TTraceMap::*handler)()) {
  // Input that was already waiting when the window closed is dropped.
  if (closed_) {
    return;
  }
  try {
    (this->*handler)();
  } catch (...) {
    HandleException(std::current_exception());
  }
}

std::string WithFinalPeriod(std::string text) {
  if (text.empty()) {
    return text;
  }
  // The lead byte of the last character: in UTF-8, step back over
  // continuation bytes (10xxxxxx).
  std::size_t i = text.size() - 1;
  while (i > 0 && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) {
    --i;
  }
  if (static_cast<unsigned char>(text[i]) > '.') {
    text += '.';
  }
  return text;
}

void TTraceMap::HandleException(const std::exception_ptr& failure) {
  platform_.CancelMouseCapture();
  std::string text;
  try {
    std::rethrow_exception(failure);
  } catch (const EAbort&) {
    return;
  } catch (const std::exception& e) {
    text = e.what();
  } catch (...) {
    text.clear();
  }
  platform_.ShowMessageBox(WithFinalPeriod(ToDisplayText(text)), kApplicationTitle,
                           MessageBoxFlags::OkWithErrorIcon);
}

}  // namespace ormakin
