#include "jobs/DataDiscRead.h"

#include "discengine/Errors.h"
#include "jobs/DataLayout.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace jobs {

void PrepareImageFromDisc(discengine::IDataImageX& image, discengine::IDiscVolume& volume,
                          char letter, const DiscImageSettings& settings) {
    auto layout = image.Layout();
    layout->Clear();
    AddDiscTree(volume, *layout, std::string(1, letter), "\\", "");
    image.Volume()->SetLabel(settings.label);
    image.SetFileSystems(settings.fileSystems);
    image.SetAutoVerify(settings.autoVerify);
    image.SetMode2XA(settings.mode2XA);
    image.SetReadKind(1);
}

namespace {

// Bytes written between two looks at the front end's events: small enough that Cancel answers
// at once inside a large file, large enough that the event loop costs nothing.
constexpr std::size_t kEventsEvery = 2u << 20;

using Note = CopyNote::Kind;

// Whether a name the disc gives can only name an entry inside the folder it is created in.
std::optional<Note> NameProblem(const std::string& name) {
    if (name.empty() || name == "." || name == "..")
        return Note::NameLeavesFolder;
    if (name.find('/') != std::string::npos || name.find('\0') != std::string::npos)
        return Note::NameHasSeparator;
    if (name.size() > NAME_MAX)
        return Note::NameTooLong;
    return std::nullopt;
}

std::string ErrnoText(int errnum) {
    return std::strerror(errnum);
}

bool DiskFull(int errnum) {
    return errnum == ENOSPC || errnum == EDQUOT;
}

// Why one file was not copied, with the errno behind it.
struct CopyFailure {
    Note kind;
    std::string target;
    std::string detail;
    int errnum = 0;
};

CopyFailure SystemFailure(Note kind, const fs::path& target, int errnum) {
    return CopyFailure{kind, target.string(), ErrnoText(errnum), errnum};
}

// Closes the descriptor and removes the temporary file unless it was handed over.
class TempFile {
public:
    explicit TempFile(const fs::path& folder) {
        std::string pattern = (folder / ".platterly-part-XXXXXX").string();
        fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd_ < 0)
            throw SystemFailure(Note::CannotCreate, folder, errno);
        path_ = pattern;
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() {
        if (fd_ >= 0)
            ::close(fd_);
        if (!path_.empty())
            ::unlink(path_.c_str());
    }
    int fd() const { return fd_; }
    const fs::path& path() const { return path_; }
    void Close() {
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0)
            throw SystemFailure(Note::CannotWrite, path_, errno);
    }
    void Release() { path_.clear(); }

private:
    int fd_ = -1;
    fs::path path_;
};

// The errno of a failed write; 0 when everything was written.
int WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return 0;
}

struct timespec ToTimespec(std::chrono::system_clock::time_point when) {
    const auto ns =
        std::chrono::duration_cast<std::chrono::nanoseconds>(when.time_since_epoch()).count();
    struct timespec t {};
    t.tv_sec = static_cast<time_t>(ns / 1000000000);
    t.tv_nsec = static_cast<long>(ns % 1000000000);
    if (t.tv_nsec < 0) {
        t.tv_nsec += 1000000000;
        t.tv_sec -= 1;
    }
    return t;
}

// Gives the finished temporary file its name unless a file of that name appeared meanwhile: that
// one is the user's and stays. File systems without an atomic way (no RENAME_NOREPLACE, no hard
// links, as on FAT) get a look before the rename.
void PlaceWithoutReplacing(TempFile& temp, const fs::path& to) {
    auto failed = [&](int errnum) { return SystemFailure(Note::CannotCreate, to, errnum); };
    if (::renameat2(AT_FDCWD, temp.path().c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        temp.Release();
        return;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        throw failed(errno);
    if (::link(temp.path().c_str(), to.c_str()) == 0)
        return; // the temporary name goes with `temp`
    if (errno == EEXIST)
        throw failed(errno);
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0)
        throw failed(EEXIST);
    if (::rename(temp.path().c_str(), to.c_str()) != 0)
        throw failed(errno);
    temp.Release();
}

class TreeCopy {
public:
    TreeCopy(const discengine::IDiscVolume& volume, char letter, bool replace,
             IFolderCopyHost& host)
        : volume_(volume), letter_(letter), replace_(replace), host_(host) {
        fileMask_ = ::umask(0);
        ::umask(fileMask_);
        try {
            discBytes_ = volume.TotalSize();
        } catch (const discengine::EngineError&) {
            discBytes_ = 0; // the copy runs without moving the bar
        }
    }

    void Folder(const std::string& discFolder, const fs::path& target) {
        std::vector<discengine::VolumeEntry> entries;
        try {
            entries = volume_.List(discFolder);
        } catch (const discengine::MediumGoneError& e) {
            DiscGone(Shown(discFolder), e.what());
            return;
        } catch (const discengine::EngineError& e) {
            Fail({Note::DiscError, Shown(discFolder), {}, e.what()});
            return;
        }
        for (const auto& entry : entries) {
            if (Ended())
                return;
            const std::string from = (discFolder == "\\" ? "" : discFolder) + "\\" + entry.name;
            if (const auto problem = NameProblem(entry.name)) {
                Fail({*problem, Shown(from), (target / "").string(), {}});
                if (!entry.isFolder)
                    Count(entry.size);
                continue;
            }
            if (entry.isFolder)
                SubFolder(entry, from, target / entry.name);
            else
                File(entry, from, target / entry.name);
        }
    }

    FolderCopyResult result;

private:
    bool Ended() {
        if (result.cancelled || result.stopped || result.discGone)
            return true;
        if (host_.Cancelled())
            result.cancelled = true;
        return result.cancelled;
    }

    std::string Shown(const std::string& discPath) const {
        return std::string(1, letter_) + ":" + discPath;
    }

    void Fail(const CopyNote& note) {
        ++result.failed;
        host_.Report(note);
    }

    void DiscGone(const std::string& what, const std::string& why) {
        result.discGone = true;
        Fail({Note::DiscGone, what, {}, why});
    }

    void Count(std::uint64_t size) {
        copied_ += size;
        if (discBytes_ == 0)
            return;
        const double percent =
            std::ceil(static_cast<double>(copied_) * 100.0 / static_cast<double>(discBytes_));
        host_.SetProgress(static_cast<int>(std::min(percent, 100.0)));
    }

    void SubFolder(const discengine::VolumeEntry& entry, const std::string& from,
                   const fs::path& to) {
        struct stat st {};
        if (::lstat(to.c_str(), &st) != 0) {
            if (::mkdir(to.c_str(), 0777) != 0) {
                const int errnum = errno;
                Fail({Note::CannotCreate, Shown(from), to.string(), ErrnoText(errnum)});
                if (DiskFull(errnum))
                    result.stopped = true;
                return;
            }
        } else if (!S_ISDIR(st.st_mode)) {
            // A link here could lead the copy out of the output folder.
            Fail({Note::NotAFolder, Shown(from), to.string(), {}});
            return;
        }
        Folder(from, to);
        const struct timespec times[2] = {ToTimespec(entry.created), ToTimespec(entry.created)};
        ::utimensat(AT_FDCWD, to.c_str(), times, AT_SYMLINK_NOFOLLOW);
    }

    void File(const discengine::VolumeEntry& entry, const std::string& from, const fs::path& to) {
        host_.CopyingFile(Shown(from));
        struct stat st {};
        const bool exists = ::lstat(to.c_str(), &st) == 0;
        if (exists && !replace_) {
            ++result.skipped;
            host_.Report({Note::SkippedExisting, Shown(from), to.string(), {}});
        } else if (exists && S_ISDIR(st.st_mode)) {
            Fail({Note::IsAFolder, Shown(from), to.string(), {}});
        } else {
            try {
                CopyOne(entry, from, to);
                ++result.copied;
            } catch (const CopyFailure& e) {
                if (!result.cancelled) {
                    Fail({e.kind, Shown(from), e.target, e.detail});
                    if (DiskFull(e.errnum))
                        result.stopped = true;
                }
            } catch (const discengine::MediumGoneError& e) {
                DiscGone(Shown(from), e.what());
            } catch (const discengine::EngineError& e) {
                if (!result.cancelled)
                    Fail({Note::DiscError, Shown(from), to.string(), e.what()});
            }
        }
        Count(entry.size);
        if (!Ended() && host_.Cancelled())
            result.cancelled = true;
    }

    void CopyOne(const discengine::VolumeEntry& entry, const std::string& from,
                 const fs::path& to) {
        TempFile temp(to.parent_path());
        std::size_t sinceEvents = 0;
        std::optional<CopyFailure> writeFailure;
        const bool whole = volume_.ReadFile(from, [&](const char* data, std::size_t size) {
            if (const int errnum = WriteAll(temp.fd(), data, size)) {
                writeFailure = SystemFailure(Note::CannotWrite, to, errnum);
                return false;
            }
            sinceEvents += size;
            if (sinceEvents >= kEventsEvery) {
                sinceEvents = 0;
                if (host_.Cancelled()) {
                    result.cancelled = true;
                    return false;
                }
            }
            return true;
        });
        if (writeFailure)
            throw *writeFailure;
        if (result.cancelled)
            throw CopyFailure{Note::CannotWrite, to.string(), "cancelled"};
        if (!whole)
            throw CopyFailure{Note::Incomplete, to.string(), {}};
        const struct timespec times[2] = {ToTimespec(entry.created), ToTimespec(entry.created)};
        ::futimens(temp.fd(), times);
        // The temporary file was made private; the copy gets what any new file gets.
        ::fchmod(temp.fd(), 0666 & ~fileMask_);
        temp.Close();
        if (!replace_) {
            PlaceWithoutReplacing(temp, to);
            return;
        }
        if (::rename(temp.path().c_str(), to.c_str()) != 0)
            throw SystemFailure(Note::CannotCreate, to, errno);
        temp.Release();
    }

    const discengine::IDiscVolume& volume_;
    char letter_;
    bool replace_;
    IFolderCopyHost& host_;
    std::uint64_t discBytes_ = 0;
    std::uint64_t copied_ = 0;
    mode_t fileMask_ = 022;
};

} // namespace

FolderCopyResult CopyDiscTree(const discengine::IDiscVolume& volume, char letter,
                              const fs::path& output, bool replaceExisting, IFolderCopyHost& host) {
    TreeCopy copy(volume, letter, replaceExisting, host);
    std::error_code ec;
    if (!fs::is_directory(output, ec)) {
        copy.result.failed = 1;
        host.Report({Note::OutputMissing, {}, output.string(), {}});
        return copy.result;
    }
    if (::faccessat(AT_FDCWD, output.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
        copy.result.failed = 1;
        host.Report({Note::OutputUnwritable, {}, output.string(), ErrnoText(errno)});
        return copy.result;
    }
    copy.Folder("\\", output);
    return copy.result;
}

bool FolderCopyHasProblems(const FolderCopyResult& result) {
    return result.failed > 0 || result.stopped || result.discGone;
}

} // namespace jobs
