#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

// File helpers of the drive store: bounded reads, atomic replacement and the per-drive lock.
namespace discengine::storefiles {

// Reads a small regular file (at most maxBytes) without blocking on FIFOs or devices; throws
// EngineError naming the file and, for special files, what it is.
std::string ReadSmallFile(const std::filesystem::path& file, std::size_t maxBytes = 256 * 1024);

// Writes `content` to a temporary file beside `file`, then renames it over `file`.
void WriteAtomic(const std::filesystem::path& file, const std::string& content);

// An flock on the drive folder's ".lock" file, released on destruction. Shared for reading,
// exclusive for read-modify-write. A read-only store is read without a lock.
class DriveLock {
public:
    enum class Mode { Shared, Exclusive };
    DriveLock(const std::filesystem::path& driveFolder, Mode mode);
    ~DriveLock();
    DriveLock(const DriveLock&) = delete;
    DriveLock& operator=(const DriveLock&) = delete;

private:
    int fd_ = -1;
};

// The cross-process "a job runs on this drive" marker: held for a job's whole run.
class JobLock {
public:
    explicit JobLock(const std::filesystem::path& driveFolder);
    ~JobLock();
    JobLock(const JobLock&) = delete;
    JobLock& operator=(const JobLock&) = delete;
    bool Acquired() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// INI text: sections of key=value lines. Keys and sections compare case-insensitively.
using IniSection = std::map<std::string, std::string>;
using IniFile = std::map<std::string, IniSection>;
IniFile ParseIni(const std::string& text, const std::string& fileName);
std::string Lower(std::string text);

// Typed reads of a section; missing keys give the fallback, malformed values throw EngineError.
std::int64_t GetInt(const IniSection& section, const std::string& key, std::int64_t fallback,
                    const std::string& fileName, std::int64_t min, std::int64_t max);
bool GetBool(const IniSection& section, const std::string& key, bool fallback,
             const std::string& fileName);
std::string GetText(const IniSection& section, const std::string& key, const std::string& fallback);

} // namespace discengine::storefiles
