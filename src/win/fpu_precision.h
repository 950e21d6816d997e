// The x87 precision control. The car's extended arithmetic (long double)
// needs the full 64-bit mantissa; 64-bit Windows starts threads with 53
// bits, which would round every intermediate result to a double's precision.
#pragma once

namespace ormakin::win {

// Sets the x87 precision control of the calling thread to 64 bits. Every
// program of the Windows build runs this before main (see fpu_precision.cpp);
// call it again on any other thread that runs the car.
void UseExtendedPrecision();

// The precision control bits of the calling thread's x87 control word: 3 for
// 64 bits, 2 for 53, 0 for 24.
unsigned PrecisionControl();

}  // namespace ormakin::win
