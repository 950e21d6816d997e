// Where the course-file dialog opens.
#pragma once

namespace ormakin {

// A rectangle and a point on the screen, in pixels.
struct ScreenRect {
  int left, top, width, height;
};
struct ScreenPoint {
  int x, y;
};

// The dialog's top-left corner on a monitor, once the dialog has its final
// size: horizontally centred, a third of the free height down. C++ integer
// division rounds toward zero, also for a dialog larger than the monitor.
constexpr ScreenPoint DialogPosition(const ScreenRect& monitor, int width, int height) {
  return {monitor.left + (monitor.width - width) / 2, monitor.top + (monitor.height - height) / 3};
}

}  // namespace ormakin
