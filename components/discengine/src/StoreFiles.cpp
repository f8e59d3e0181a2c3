#include "StoreFiles.h"

#include "RegularFile.h"
#include "discengine/Errors.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <sys/file.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace discengine::storefiles {

std::string ReadSmallFile(const fs::path& file, std::size_t maxBytes) {
    SourceFile source = OpenRegularFileOrThrow(file, "");
    std::string data(maxBytes + 1, '\0');
    std::int64_t got = ReadAt(source.Fd(), data.data(), static_cast<std::int64_t>(data.size()), 0);
    data.resize(static_cast<std::size_t>(got));
    if (data.size() > maxBytes)
        throw EngineError(file.filename().string() + " is too large to be a drive store file");
    return data;
}

void WriteAtomic(const fs::path& file, const std::string& content) {
    static thread_local std::mt19937_64 random{std::random_device{}()};
    fs::path temp = file;
    temp += ".tmp." + std::to_string(::getpid()) + "." + std::to_string(random() % 1000000);
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        out.flush();
        if (!out) {
            std::error_code ec;
            fs::remove(temp, ec);
            throw EngineError("Cannot write " + file.string() + ": " + std::strerror(errno));
        }
    }
    std::error_code ec;
    fs::rename(temp, file, ec);
    if (ec) {
        fs::remove(temp, ec);
        throw EngineError("Cannot replace " + file.string() + ": " + ec.message());
    }
}

DriveLock::DriveLock(const fs::path& driveFolder, Mode mode) {
    fd_ = ::open((driveFolder / ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        if (mode == Mode::Shared)
            return; // a read-only store cannot be changed by us either
        throw EngineError("Cannot lock drive folder " + driveFolder.string() + ": " +
                          std::strerror(errno));
    }
    int op = mode == Mode::Shared ? LOCK_SH : LOCK_EX;
    while (::flock(fd_, op) != 0) {
        if (errno != EINTR) {
            ::close(fd_);
            fd_ = -1;
            throw EngineError("Cannot lock drive folder " + driveFolder.string());
        }
    }
}

DriveLock::~DriveLock() {
    if (fd_ >= 0)
        ::close(fd_); // closing the descriptor releases the flock
}

JobLock::JobLock(const fs::path& driveFolder) {
    fd_ = ::open((driveFolder / ".job").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

JobLock::~JobLock() {
    if (fd_ >= 0)
        ::close(fd_);
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

static std::string Trim(const std::string& text) {
    const char* blanks = " \t\r\n";
    auto first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

IniFile ParseIni(const std::string& text, const std::string& fileName) {
    if (text.find('\0') != std::string::npos)
        throw EngineError(fileName + " is corrupt (binary data)");
    IniFile ini;
    std::string section;
    std::size_t lineNo = 0, pos = 0;
    while (pos <= text.size()) {
        auto end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = Trim(text.substr(pos, end - pos));
        pos = end + 1;
        ++lineNo;
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line.front() == '[') {
            if (line.back() != ']')
                throw EngineError(fileName + " line " + std::to_string(lineNo) +
                                  ": unterminated section header");
            section = Lower(Trim(line.substr(1, line.size() - 2)));
            ini[section];
            continue;
        }
        auto eq = line.find('=');
        if (eq == std::string::npos || section.empty())
            throw EngineError(fileName + " line " + std::to_string(lineNo) +
                              ": expected key=value inside a section");
        ini[section][Lower(Trim(line.substr(0, eq)))] = Trim(line.substr(eq + 1));
    }
    return ini;
}

std::int64_t GetInt(const IniSection& section, const std::string& key, std::int64_t fallback,
                    const std::string& fileName, std::int64_t min, std::int64_t max) {
    auto it = section.find(Lower(key));
    if (it == section.end() || it->second.empty())
        return fallback;
    const std::string& text = it->second;
    std::size_t used = 0;
    long long value = 0;
    try {
        value = std::stoll(text, &used, 10);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text.size())
        throw EngineError(fileName + ": " + key + " is not a number (\"" + text + "\")");
    if (value < min || value > max)
        throw EngineError(fileName + ": " + key + " is out of range (" + text + ")");
    return value;
}

bool GetBool(const IniSection& section, const std::string& key, bool fallback,
             const std::string& fileName) {
    auto it = section.find(Lower(key));
    if (it == section.end() || it->second.empty())
        return fallback;
    std::string value = Lower(it->second);
    if (value == "1" || value == "true" || value == "yes")
        return true;
    if (value == "0" || value == "false" || value == "no")
        return false;
    throw EngineError(fileName + ": " + key + " must be 0 or 1 (\"" + it->second + "\")");
}

std::string GetText(const IniSection& section, const std::string& key,
                    const std::string& fallback) {
    auto it = section.find(Lower(key));
    return it == section.end() ? fallback : it->second;
}

} // namespace discengine::storefiles
