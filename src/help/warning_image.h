// "Warning.gif": the 40 x 34 warning sign shown on the pages of commands
// that must not be passed a function as string parameter.
#pragma once

#include <string>

namespace lh {

// The GIF89a file: a white triangle with a red border and a black
// exclamation mark on a transparent background.
const std::string& warning_image();

}  // namespace lh
