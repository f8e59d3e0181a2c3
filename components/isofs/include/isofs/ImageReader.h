#pragma once

#include "isofs/FileLayout.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace isofs {

// One extent of a file inside the image: start block and byte length.
struct ImageExtent {
    std::uint32_t block = 0;
    std::uint64_t bytes = 0;
};

struct ImageEntry {
    std::string name; // UTF-8, sanitised: never empty, ".", ".." and never holds "/" or "\"
    bool isFolder = false;
    std::uint64_t size = 0;
    std::int64_t date = 0;
    std::vector<ImageExtent> extents; // files read through libiso9660 (empty for UDF files)
    std::vector<ImageEntry> children;
};

struct LoadedImage {
    std::string volumeLabel;
    int fileSystems = 0; // flags found: 1 ISO9660, 2 Joliet, 4 UDF
    int namesFrom = 0;   // which tree was read: 2 Joliet, 1 ISO9660, 4 UDF
    std::uint64_t imageBlocks = 0;
    ImageEntry root;
    std::vector<std::string> warnings; // entries dropped or repaired
};

// Reads an ISO or UDF image file with libcdio (Joliet names when present, else ISO9660, else
// UDF). Throws ImageReadError for a file that is no image or is malformed beyond repair.
LoadedImage readImageFile(const std::filesystem::path& image);

// Replaces the layout's content by the loaded tree. It describes the image for display: files
// have no source path (burning an image file uses the file itself).
void fillLayout(const LoadedImage& image, FileLayout& layout);

// Names and labels that libiso9660 and libudf hand over in Latin-1, as UTF-8.
std::string latin1ToUtf8(const std::string& s);

} // namespace isofs
