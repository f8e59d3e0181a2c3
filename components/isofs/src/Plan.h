#pragma once

// The computed image: every name, every extent, in the order the writer emits them.

#include "isofs/ImageWriter.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace isofs::detail {

// ISO9660 extents hold at most this many bytes; larger files are split (multi-extent).
constexpr std::uint64_t kIsoMaxExtent = 0xFFFFF800ull;
// UDF short allocation descriptors hold at most this many bytes.
constexpr std::uint64_t kUdfMaxExtent = 0x3FFFF800ull;
// A UDF file entry is one block: its descriptors follow a 176-byte header.
constexpr std::uint64_t kUdfMaxExtents = (2048 - 176) / 8;
// Block addresses are 32 bits: no image, and so no file, can be larger.
constexpr std::uint64_t kMaxImageBlocks = 0xFFFFFFFFull;

// Keeps a plan's names and source paths in a few large blocks: 100,000 nodes do not cost a heap
// block (and its overhead) per string. What it hands out stays put until the arena goes.
class TextArena {
public:
    std::string_view keep(std::string_view text);
    std::u16string_view keep(std::u16string_view text);

private:
    char* take(std::size_t bytes, std::size_t align);
    std::vector<std::unique_ptr<char[]>> blocks_;
    std::size_t used_ = 0, capacity_ = 0;
};

// Every string of a node lies in its plan's arena.
struct Node {
    std::string_view name;
    // The source path is sourceFolder + name for a file added from a folder (its folder part
    // kept once for all of the folder's files), else sourceFolder alone.
    std::string_view sourceFolder;
    std::string_view isoId; // without ";1"
    std::u16string_view jolietId, udfId;
    // A folder's children in layout order and in ISO9660 and Joliet record order. Files have
    // none and carry no empty lists.
    struct Lists {
        std::vector<std::uint32_t> children, iso, joliet;
    };
    std::unique_ptr<Lists> lists;
    const std::vector<std::uint32_t>& children() const;
    const std::vector<std::uint32_t>& recordOrder(bool joliet) const;
    std::string source() const;
    bool hasSource() const { return !sourceFolder.empty(); }
    std::uint64_t size = 0;
    std::int64_t date = 0;
    std::uint64_t uniqueId = 0;
    std::int32_t parent = -1;
    std::uint32_t isoLsn = 0, isoSize = 0, jolietLsn = 0, jolietSize = 0;
    std::uint32_t udfFe = 0, udfData = 0, udfDataBytes = 0;
    std::uint32_t dataLsn = 0;
    std::uint16_t isoNumber = 0, jolietNumber = 0; // path table numbers
    bool isDir = false;
    bool sourceEndsWithName = false;
};

struct PlanData {
    ImageOptions options;
    std::int64_t writeTime = 0;
    bool iso = false, joliet = false, udf = false;
    TextArena text;
    std::vector<Node> nodes;                                 // 0 is the root
    std::vector<std::uint32_t> isoDirs, jolietDirs, udfDirs; // emission order of folders
    std::vector<std::uint32_t> files;                        // emission order of file data
    std::uint32_t isoPathBytes = 0, isoPathL = 0, isoPathM = 0;
    std::uint32_t jolietPathBytes = 0, jolietPathL = 0, jolietPathM = 0;
    std::uint32_t vrsStart = 0;       // UDF volume recognition sequence
    std::uint32_t partitionStart = 0; // UDF partition, absolute block
    std::uint32_t partitionBlocks = 0;
    std::uint32_t fsdLsn = 0;
    std::uint32_t dataStart = 0;
    std::uint32_t totalBlocks = 0;
    std::uint64_t nextUniqueId = 16;
    std::string isoVolume;
    std::u16string jolietVolume, udfVolume, udfLogicalVolume;
    std::uint64_t dataBytes = 0;

    std::string imagePath(std::uint32_t node) const;
    // Children by name of the folders with many children, so that looking up every file of a
    // folder of 100,000 files does not search it name by name each time. Made on the first
    // lookup: writing an image never looks names up.
    const std::unordered_map<std::uint32_t, std::unordered_map<std::string, std::uint32_t>>&
    bigFolders() const;

private:
    mutable std::once_flag bigFoldersMade_;
    mutable std::unordered_map<std::uint32_t, std::unordered_map<std::string, std::uint32_t>>
        bigFolders_;
};

// Bytes of a directory record with an identifier of idBytes.
std::uint32_t isoRecordBytes(std::uint32_t idBytes, bool xa);
// Extents a file of size needs in ISO9660 (at least one).
std::uint32_t isoExtentCount(std::uint64_t size);
std::uint32_t udfFidBytes(std::u16string_view name);
bool udfWide(std::u16string_view name);
std::uint64_t blocksFor(std::uint64_t bytes);

// Fixed places of the UDF volume structures.
constexpr std::uint32_t kUdfMainVds = 32;
constexpr std::uint32_t kUdfReserveVds = 48;
constexpr std::uint32_t kUdfLvid = 64;
constexpr std::uint32_t kUdfAnchor = 256;

} // namespace isofs::detail
