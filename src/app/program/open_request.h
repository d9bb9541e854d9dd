#pragma once

#include <string>

namespace vistel {
class TForm1;
}

namespace vistel::program {

// A path handed over by another start of the program: the device comes
// forward as on an activation (from the notification-area icon when it was
// sent back), then the chooser opens the path. An empty path only brings
// the device forward.
void openHandedPath(TForm1& viewer, const std::string& path);

}  // namespace vistel::program
