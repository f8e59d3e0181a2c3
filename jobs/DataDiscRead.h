#pragma once

#include "discengine/DataImage.h"
#include "discengine/Volume.h"

#include <cstdint>
#include <filesystem>
#include <string>

// Reading a data disc: into a new image file built from the disc's files (the engine writes it),
// or as plain files into a folder. The Read CD page and `platterly-cli read` are the two front
// ends; neither holds any of this logic.
namespace jobs {

// What the image is built with (the burn options of the page, the command line's options).
struct DiscImageSettings {
    std::string label;
    std::int32_t fileSystems = 3;
    bool autoVerify = false;
    bool mode2XA = false;
};

// Replaces the image's layout with the tree of the disc in drive `letter` and configures the
// image from `settings`. Throws discengine::EngineError when the disc cannot be listed (no disc,
// a folder tree that loops back on itself, a folder outside the disc).
void PrepareImageFromDisc(discengine::IDataImageX& image, discengine::IDiscVolume& volume,
                          char letter, const DiscImageSettings& settings);

// Something of a folder copy worth a line in the log: a file or folder passed over and why.
// The front end words it (in the user's language); `detail` is the system's or the disc's own
// reason, as they give it.
struct CopyNote {
    enum class Kind {
        SkippedExisting,  // `target` exists and replacing was not asked for
        NameLeavesFolder, // the disc's name is empty, "." or ".."
        NameHasSeparator, // the disc's name holds a '/' or a NUL
        NameTooLong,      // longer than a name of the output's file system
        NotAFolder,       // `target` exists and is no folder (a file, a link)
        IsAFolder,        // `target` is a folder where the file should go
        CannotCreate,     // `target` cannot be created: `detail`
        CannotWrite,      // writing `target` failed: `detail`
        Incomplete,       // the disc gave less than the file's size
        DiscError,        // the disc cannot give `source`: `detail`
        DiscGone,         // the disc left the drive while `source` was read: `detail`
        OutputMissing,    // the output folder `target` does not exist
        OutputUnwritable, // the output folder `target` cannot be written: `detail`
    };
    Kind kind;
    std::string source; // "X:\A\x.txt"; empty for the output folder's own notes
    std::string target; // the native path concerned
    std::string detail;
};

// The front end of a folder copy: it shows what the copy does and says when to stop.
class IFolderCopyHost {
public:
    virtual ~IFolderCopyHost() = default;
    // A file's copy begins ("X:\A\x.txt").
    virtual void CopyingFile(const std::string& sourcePath) = 0;
    virtual void SetProgress(int percent) = 0;
    // A file or folder that was passed over, with the reason, for the log.
    virtual void Report(const CopyNote& note) = 0;
    // Lets the front end's events run (between entries and between chunks of a file); true
    // when the user asked to stop.
    virtual bool Cancelled() = 0;
};

struct FolderCopyResult {
    int copied = 0;
    int skipped = 0; // existing files left alone because replacing was not asked for
    int failed = 0;  // files and folders that could not be copied
    bool cancelled = false;
    bool stopped = false;  // the output's disk is full: the rest was not tried
    bool discGone = false; // the disc left the drive: the rest was not tried
};

// Copies the whole tree of the disc volume (drive `letter`) into `output`, which must exist.
// Every file is written under a temporary name beside its target and renamed when complete,
// with the disc's date as its modification time; an existing file is replaced only when
// `replaceExisting`. Nothing is ever written outside `output`: names that could lead elsewhere
// are refused and reported. Progress is by bytes of the volume's total size.
FolderCopyResult CopyDiscTree(const discengine::IDiscVolume& volume, char letter,
                              const std::filesystem::path& output, bool replaceExisting,
                              IFolderCopyHost& host);

// Whether the copy left files out (failures, a full disk, a disc that left the drive); files
// skipped because they existed do not count.
bool FolderCopyHasProblems(const FolderCopyResult& result);

} // namespace jobs
