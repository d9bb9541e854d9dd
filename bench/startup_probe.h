#pragma once

// What the start-up benchmark and its trivial window agree on: where the
// window lies and what the benchmark reads off the screen to tell that the
// first frame is there.

namespace startup_probe {

// The device's place on the screen, which the trivial window takes too.
inline constexpr int kLeft = 200;
inline constexpr int kTop = 100;
inline constexpr int kWidth = 792;
inline constexpr int kHeight = 611;

// The trivial window's one colour (0xRRGGBB), in no picture of Vistel's.
inline constexpr unsigned kTrivialColour = 0x2a7f63;

// Client rows read off the screen: they cross the wreath at its top, both
// sides and its bottom, away from the panel's labels and pads (whose text is
// not in the skin).
inline constexpr int kRows[] = {20, 250, 450, 575};

}  // namespace startup_probe
