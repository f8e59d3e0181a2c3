#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace discengine {

class IFileLayoutX;

// An entry left out of an image: its native path and a sentence saying why.
using SkippedEntryHandler =
    std::function<void(const std::string& nativePath, const std::string& message)>;

// Adds the content of the native folder `folder` into `layout` below the image folder
// `imagePath` ("\" or "" for the root, else "\a\b"): folders by name, regular files by their
// native path. Whatever cannot go into an image is left out and reported through `skipped`,
// and the rest is still added: FIFOs, devices and sockets, links to folders (never followed),
// links that loop or lead nowhere or to anything but a regular file (a link to a regular file
// anywhere is followed), folders that cannot be entered, files that cannot be read or that the
// layout refuses. A native name's backslashes and control characters become '_'; a renamed
// name that the folder or the layout already holds gets "~N" before its extension, so two
// source files never share an image path. Returns true when something was left out.
bool AddSourceTree(IFileLayoutX& layout, const std::filesystem::path& folder,
                   const std::string& imagePath, const SkippedEntryHandler& skipped);

// The image name for a native file name (backslashes and control characters become '_').
std::string ImageNameOf(const std::string& nativeName);

} // namespace discengine
