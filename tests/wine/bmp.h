// Reads the artwork's 24-bit BMP files into the pixel layout the screen grabs use.
#pragma once

#include "support/x_helpers.h"

#include <string>

namespace sorvane::wine {

// Throws std::runtime_error unless the file is an uncompressed 24-bit BMP.
testsupport::Image readBmp24(const std::string& path);

} // namespace sorvane::wine
