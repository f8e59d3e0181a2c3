#pragma once

#include "discengine/Engine.h"
#include "discengine/SourceTree.h"

#include <filesystem>
#include <string>

// Filling a data image's layout from what the user names: native files and folders, and files
// and folders on a disc ("X:\..."). Image paths are the engine's ("\Docs\a.txt").
namespace jobs {

// Adds a source to the image's root: a folder's content (native or "X:\..."), or a single file.
// Throws discengine::EngineError on a missing source or drive. Returns true when entries of a
// native folder were left out (each reported through `skipped`).
bool AddSourceToImage(discengine::IDVDEngineX& engine, discengine::IFileLayoutX& layout,
                      const std::string& source, const discengine::SkippedEntryHandler& skipped);

// Adds the content of a native folder under the image folder `at` ("" for the root). Loops,
// special files and unreadable entries are left out and reported; the rest still goes in.
// Returns true when something was left out.
bool AddFolderTree(discengine::IFileLayoutX& layout, const std::filesystem::path& folder,
                   const std::string& at, const discengine::SkippedEntryHandler& skipped);

// Adds the content of `folder` on the disc in drive `letter` under the image folder `at`.
void AddDiscTree(discengine::IDiscVolume& volume, discengine::IFileLayoutX& layout,
                 std::string letter, const std::string& folder, const std::string& at);

} // namespace jobs
