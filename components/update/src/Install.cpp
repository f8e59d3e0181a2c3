#include "update/Install.h"

#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <vector>

namespace update {
namespace {

namespace fs = std::filesystem;

fs::path Normal(const fs::path& appDir) {
    fs::path p = appDir.lexically_normal();
    if (p.has_filename())
        return p;
    return p.parent_path();
}

fs::path Beside(const fs::path& appDir, const std::string& suffix) {
    const fs::path dir = Normal(appDir);
    return dir.parent_path() / ("." + dir.filename().string() + suffix);
}

bool SyncFolder(const fs::path& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// One line per file: "R path" (an old file was replaced) or "N path" (new file).
struct Step {
    bool replaced = false;
    std::string path;
};

bool WriteJournal(const fs::path& journal, const std::vector<Step>& steps) {
    const fs::path temp = journal.string() + ".new";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        for (const Step& s : steps)
            out << (s.replaced ? "R " : "N ") << s.path << '\n';
        out.flush();
        if (!out)
            return false;
    }
    const int fd = ::open(temp.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    ::close(fd);
    std::error_code ec;
    fs::rename(temp, journal, ec);
    return !ec && SyncFolder(journal.parent_path());
}

std::vector<Step> ReadJournal(const fs::path& journal) {
    std::vector<Step> steps;
    std::ifstream in(journal, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() < 3 || line[1] != ' ' || (line[0] != 'R' && line[0] != 'N'))
            continue;
        steps.push_back({line[0] == 'R', line.substr(2)});
    }
    return steps;
}

bool Exists(const fs::path& p) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(p, ec));
}

// Undoes the steps: new files removed, replaced ones moved back from the rollback copy.
bool Undo(const std::vector<Step>& steps, const fs::path& appDir, const fs::path& rollback) {
    bool ok = true;
    std::error_code ec;
    for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
        const fs::path target = appDir / it->path;
        const fs::path saved = rollback / it->path;
        if (it->replaced) {
            if (Exists(saved)) {
                fs::rename(saved, target, ec);
                ok = ok && !ec;
            }
        } else if (Exists(target) && !fs::is_directory(fs::symlink_status(target, ec))) {
            fs::remove(target, ec);
            ok = ok && !ec;
        }
    }
    return ok;
}

std::vector<std::string> StagedFiles(const fs::path& staging) {
    std::vector<std::string> files;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(staging, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const fs::file_status st = it->symlink_status(ec);
        if (!fs::is_directory(st))
            files.push_back(it->path().lexically_relative(staging).generic_string());
    }
    return files;
}

} // namespace

bool IsUserFile(const std::string& path, bool existsInProgramDir) {
    auto under = [&](std::string_view folder) {
        return path == folder || path.rfind(std::string(folder) + "/", 0) == 0;
    };
    if (path == "config.ini" || path == "options.ini" || path == InstallationFile)
        return existsInProgramDir;
    if (under("drives") || under("DubrixTemp"))
        return true;
    if (under("langs"))
        return existsInProgramDir;
    return false;
}

fs::path WorkFolder(const fs::path& appDir) {
    return Beside(appDir, ".update");
}
fs::path RollbackFolder(const fs::path& appDir) {
    return Beside(appDir, ".rollback");
}
fs::path JournalFile(const fs::path& appDir) {
    return Beside(appDir, ".journal");
}

bool RecoverInterruptedInstall(const fs::path& appDir) {
    const fs::path journal = JournalFile(appDir);
    if (!Exists(journal))
        return true;
    if (!Undo(ReadJournal(journal), Normal(appDir), RollbackFolder(appDir)))
        return false;
    std::error_code ec;
    fs::remove(journal, ec);
    fs::remove_all(RollbackFolder(appDir), ec);
    return true;
}

InstallResult InstallStaged(const fs::path& staging, const fs::path& appDirIn,
                            const std::function<bool(const std::string&)>& beforeStep) {
    InstallResult result;
    const fs::path appDir = Normal(appDirIn);
    const fs::path rollback = RollbackFolder(appDir);
    const fs::path journal = JournalFile(appDir);
    std::error_code ec;
    if (Exists(journal) && !RecoverInterruptedInstall(appDir)) {
        result.error = "An earlier interrupted update could not be undone";
        return result;
    }
    fs::remove_all(rollback, ec);

    std::vector<Step> steps;
    for (const std::string& file : StagedFiles(staging)) {
        const bool exists = Exists(appDir / file);
        if (!IsUserFile(file, exists))
            steps.push_back({exists, file});
    }
    if (steps.empty()) {
        result.error = "The package holds no files";
        return result;
    }
    if (!fs::create_directory(rollback, ec) || !WriteJournal(journal, steps)) {
        fs::remove_all(rollback, ec);
        result.error = "Cannot prepare the installation beside " + appDir.string();
        return result;
    }

    std::vector<Step> done;
    std::string error;
    for (const Step& step : steps) {
        if (beforeStep && !beforeStep(step.path)) {
            error = "The installation was interrupted at " + step.path;
            break;
        }
        const fs::path target = appDir / step.path;
        if (step.replaced) {
            fs::create_directories((rollback / step.path).parent_path(), ec);
            if (!ec)
                fs::rename(target, rollback / step.path, ec);
            if (ec) {
                error = "Cannot move aside " + target.string() + ": " + ec.message();
                break;
            }
        }
        done.push_back(step);
        fs::create_directories(target.parent_path(), ec);
        if (!ec)
            fs::rename(staging / step.path, target, ec);
        if (ec) {
            error = "Cannot install " + target.string() + ": " + ec.message();
            break;
        }
    }
    if (!error.empty()) {
        if (Undo(done, appDir, rollback)) {
            fs::remove(journal, ec);
            fs::remove_all(rollback, ec);
        }
        result.error = error;
        return result;
    }
    SyncFolder(appDir);
    // The journal's removal is the moment the new version counts as installed.
    fs::remove(journal, ec);
    SyncFolder(journal.parent_path());
    fs::remove_all(rollback, ec);
    fs::remove_all(staging, ec);
    result.ok = true;
    return result;
}

} // namespace update
