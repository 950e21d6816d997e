// The precision that the car's arithmetic needs from the processor. The x87
// rounds every result to the precision in its control word, and a thread
// does not always start with 64 bits: Windows starts threads with 53 bits,
// and a DLL may change the word. Every thread that runs the car calls this
// first (CarRun::Run does, and so does each thread of the job pool).
#pragma once

namespace ormakin {

// Sets the calling thread's x87 to a 64-bit significand and rounding to
// nearest, when it is not so already. Nothing where there is no x87.
void UseExtendedPrecision();

}  // namespace ormakin
