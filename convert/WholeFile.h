#pragma once

#include <string>

namespace convert {

// Writes the text to a file, replacing it at once when it is whole: written beside it under another name,
// synced, then renamed over it, so a program ended meanwhile (a second Ctrl+C ends it at once) leaves the
// earlier file or none, never a part of one. Throws std::runtime_error naming `what` and the path.
void WriteWholeFile(const std::string &path, const std::string &text, const std::string &what);

// Why a file could not be written at that path (its folder cannot take a file, it is a folder), or empty.
// Leaves no file behind.
std::string WholeFileProblem(const std::string &path);

} // namespace convert
