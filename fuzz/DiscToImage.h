#pragma once

#include <string>
#include <vector>

namespace fuzzsupport {

// Lays the given files of drive `letter` out as a new data image, as `mkiso X:\ out.iso` does:
// the image is never smaller than the files it holds, a small one is written, reads back with
// our own reader, and no temporary file stays behind whatever happens.
void CheckDiscToImage(char letter, const std::vector<std::string>& discPaths);

} // namespace fuzzsupport
