#pragma once

// The viewer's keyboard command map as data: one row per command, tested
// from top to bottom; the first row whose key and condition match runs.
#include <span>
#include <variant>

#include "chooser/grid_geometry.h"
#include "viewer/picture_rect.h"

namespace vistel {

class TForm1;

namespace command_map {

enum class When {
  Any,    // the shift state is not looked at
  Shift,  // the Shift flag is held, whatever else is
  Ctrl,   // the Ctrl flag is held
};

enum class Consumes {
  No,
  Yes,
  WhenActs,  // the operation consumes the key itself when it acts
};

// A row's argument: the rectangle code of an edge move or zoom step, the
// display-mode toggle, or the step through the thumbnail grid.
using Arg = std::variant<std::monostate, picture_rect::RectCode, picture_rect::Toggle, GridStep>;

struct Row {
  int key;
  When when;
  Consumes consumes;
  // The operation, or none for a command that is not built yet: the row
  // still matches (and ends the search) but does nothing.
  void (*run)(TForm1& viewer, int& key, const Arg& arg);
  Arg arg;
  // What the key does, in a few words of English for the manual page.
  const char* name;
};

// All rows, in the order they are tested.
std::span<const Row> rows();

// The row a key press selects, or none.
const Row* match(int key, int shift);

}  // namespace command_map
}  // namespace vistel
