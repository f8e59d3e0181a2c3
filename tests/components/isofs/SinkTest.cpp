// The file sink's in-kernel copies: exact bytes wherever a copy starts and ends, into a file and
// into a pipe.
#include "isofs/Sink.h"
#include "TreeFixture.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <thread>
#include <unistd.h>

using namespace isofs;
using namespace isofstest;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

// Text, then `bytes` of the source from `offset` copied in the kernel, then text again.
void WriteAround(FdSink& sink, int source, std::uint64_t offset, std::size_t bytes) {
    sink.write("head", 4); // the copy starts off every alignment
    for (std::size_t done = 0; done < bytes;) {
        const std::int64_t n = sink.copyFromFd(source, offset + done, bytes - done);
        ASSERT_GT(n, 0) << "at " << done;
        done += static_cast<std::size_t>(n);
    }
    sink.write("tail", 4);
    sink.flush();
}

} // namespace

TEST(FdSink, InKernelCopiesLandExactlyIntoAFileAndAPipe) {
    TempDir dir;
    const std::string data = randomBytes(5u << 20, 3);
    writeFile(dir / "source.bin", data);
    const int source = ::open((dir / "source.bin").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(source, 0);
    const std::uint64_t offset = 12345;
    const std::size_t bytes = (3u << 20) + 777;
    const std::string expected = "head" + data.substr(offset, bytes) + "tail";

    {
        const int target =
            ::open((dir / "target.bin").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ASSERT_GE(target, 0);
        FdSink sink(target);
        WriteAround(sink, source, offset, bytes);
        EXPECT_EQ(sink.bytesWritten(), expected.size());
        ::close(target);
        EXPECT_TRUE(readFile(dir / "target.bin") == expected); // no megabytes in a failure
    }

    int pipeEnds[2];
    ASSERT_EQ(::pipe2(pipeEnds, O_CLOEXEC), 0);
    std::string received;
    std::thread reader([&] {
        char chunk[65536];
        for (ssize_t n; (n = ::read(pipeEnds[0], chunk, sizeof chunk)) > 0;)
            received.append(chunk, static_cast<std::size_t>(n));
    });
    {
        FdSink sink(pipeEnds[1]);
        WriteAround(sink, source, offset, bytes);
    }
    ::close(pipeEnds[1]);
    reader.join();
    ::close(pipeEnds[0]);
    ::close(source);
    EXPECT_EQ(received.size(), expected.size());
    EXPECT_TRUE(received == expected);
}
