// The save file on disk: reading it so that no kind of file can freeze the
// window, and writing it so that a failed save leaves the old file whole.
#pragma once

#include <QString>

#include <string>

namespace vusk {

// Writes the whole file or leaves whatever was there before untouched.
bool WriteFileAtomically(const QString& path, const std::string& text);

}  // namespace vusk
