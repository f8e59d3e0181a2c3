#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace isofs {

// What a source path names, as far as the layout needs it.
struct SourceInfo {
    bool exists = false;
    bool isFolder = false;
    std::uint64_t size = 0;
    std::int64_t modified = 0; // seconds since the Unix epoch, UTC
    // Why an existing source cannot go into an image (a FIFO, a device, unreadable, a size its
    // medium cannot hold), as a sentence naming it; empty when it can. The layout refuses the
    // source with this text.
    std::string problem;
};

// A sequential reader of one source file. read() returns 0 at the end and throws SourceError.
class SourceReader {
public:
    virtual ~SourceReader() = default;
    virtual std::size_t read(void* buffer, std::size_t bytes) = 0;
    virtual std::uint64_t size() const = 0;
    // A readable descriptor for in-kernel copies; -1 if none. The next bytes lie at
    // nativeOffset() in it.
    virtual int nativeFd() const { return -1; }
    virtual std::uint64_t nativeOffset() const { return position(); }
    // Moves the position forward after bytes were consumed through nativeFd() with explicit
    // offsets.
    virtual void advance(std::uint64_t /*bytes*/) {}
    // True when the source starts on a 2048-byte block boundary of nativeFd() and its last
    // block lies whole in it (a file inside a disc image): the writer may then copy that block's
    // slack along with the data, and neighbouring files as one range.
    virtual bool wholeBlocks() const { return false; }
    virtual std::uint64_t position() const = 0;
};

// Turns source paths into readers. The engine plugs its volume layer in here so that paths
// such as "D:\docs\a.txt" can be read from a disc; the default reads native files.
class SourceOpener {
public:
    virtual ~SourceOpener() = default;
    virtual SourceInfo stat(const std::string& path) const = 0;
    virtual std::unique_ptr<SourceReader> open(const std::string& path) const = 0;
};

// Native files through POSIX calls. Only folders and regular files are sources: FIFOs, devices
// and sockets are refused without being opened (opening a FIFO blocks), and so are the files of
// the kernel's pseudo file systems (/proc, /sys), whose size says nothing about their content.
class NativeSourceOpener : public SourceOpener {
public:
    SourceInfo stat(const std::string& path) const override;
    std::unique_ptr<SourceReader> open(const std::string& path) const override;
};

std::shared_ptr<const SourceOpener> nativeSourceOpener();

} // namespace isofs
