#pragma once

#include <string>

namespace Vx {

// Both '/' and '\\' separate a name's directories, as scripts written on either system use.
bool isPathSeparator(char c);

// Where a name's extension starts: the position of the last '.' in it, or npos without one.
// With lastComponent a '/' or '\\' ends the search, so a dot in a directory does not count.
size_t extensionDot(const std::string& name, bool lastComponent);

// Whether name, taken below some folder, leads out of it on the way: an absolute name, or a
// ".." that climbs above where the name starts ("a/../b" stays; "a/../../b" leaves, and so does
// "../folder/b", which cannot tell it comes back in without the folder's own name).
bool leavesItsFolder(const std::string& name);

} // namespace Vx
