// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Every conversion between a double and text that the game makes goes through
// here, so that labels and save files show the same digits on every build.
// Where the C++ library has the floating-point std::to_chars and
// std::from_chars these call them; where it has not (the C++ library of
// Emscripten 3.1.6, used for the WebAssembly build, has only the integer ones)
// they call the fallback below, which gives the same results from the C
// library's correctly rounded strtod and snprintf. CMake decides which at
// configure time (src/game/CMakeLists.txt); -DVUSK_CHARCONV_FALLBACK=ON forces
// the fallback, so that it can be tested on the desktop too.

#include <charconv>

namespace vusk {

// As std::from_chars(first, last, value): chars_format::general, no leading
// '+' or space, "inf", "infinity", "nan" and "nan(...)" in any case. On an
// error value is left as it was.
std::from_chars_result ReadDouble(const char* first, const char* last, double& value);

// As std::to_chars(first, last, value, std::chars_format::scientific,
// precision): "d.ddde+XX" with precision digits after the point.
std::to_chars_result WriteScientific(char* first, char* last, double value, int precision);

// The fallback itself, always built (the tests compare it with the standard
// calls wherever those exist).
namespace charconv_fallback {
std::from_chars_result ReadDouble(const char* first, const char* last, double& value);
std::to_chars_result WriteScientific(char* first, char* last, double value, int precision);
}  // namespace charconv_fallback

}  // namespace vusk
