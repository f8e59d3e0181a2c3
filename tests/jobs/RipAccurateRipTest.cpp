// The rip job's AccurateRip check against a database answer the test builds from a second,
// independent implementation, served from 127.0.0.1; and the rip log it leaves beside the files.
#include "RipTestSupport.h"

#include "jobs/AccurateRip.h"
#include "jobs/TCDGrabber.h"

#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <sstream>
#include <thread>

namespace fs = std::filesystem;
using testsupport::readFile;

namespace {

// What accuraterip.py reckons for the disc: its identifiers and each track's v1.
struct Reckoned {
    accuraterip::DiscId disc;
    std::vector<std::uint32_t> crc32, v1, v2;
};

Reckoned Reckon(const fs::path& cue) {
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"),
            {QStringLiteral(PLATTERLY_SOURCE_DIR "/tests/components/cdgrb/accuraterip.py"),
             QString::fromStdString(cue.string())});
    p.waitForFinished(120000);
    std::istringstream in(p.readAllStandardOutput().toStdString());
    Reckoned r;
    for (std::string word; in >> word;) {
        if (word == "disc") {
            in >> std::hex >> r.disc.tracks >> r.disc.id1 >> r.disc.id2 >> r.disc.cddb >> std::dec;
        } else if (word == "track") {
            int n = 0;
            std::uint32_t crc = 0, v1 = 0, v2 = 0;
            in >> n >> std::hex >> crc >> v1 >> v2 >> std::dec;
            r.crc32.push_back(crc);
            r.v1.push_back(v1);
            r.v2.push_back(v2);
        }
    }
    return r;
}

void Le32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// One pressing of a database entry: the disc's header, then confidence and checksum per track.
std::string Pressing(const accuraterip::DiscId& d, const std::vector<std::uint32_t>& crcs,
                     int confidence) {
    std::string b(1, static_cast<char>(d.tracks));
    Le32(b, d.id1);
    Le32(b, d.id2);
    Le32(b, d.cddb);
    for (std::uint32_t crc : crcs) {
        b += static_cast<char>(confidence);
        Le32(b, crc);
        Le32(b, 0);
    }
    return b;
}

int FreePort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(s);
    return ntohs(a.sin_port);
}

bool Accepts(int port) {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(s);
    return ok;
}

// Python's http.server on 127.0.0.1 serving a folder the test fills.
class LocalServer {
public:
    explicit LocalServer(const fs::path& root) : port_(FreePort()) {
        server_.start(QStringLiteral("/usr/bin/python3"),
                      {QStringLiteral("-m"), QStringLiteral("http.server"),
                       QStringLiteral("--bind"), QStringLiteral("127.0.0.1"),
                       QString::number(port_), QStringLiteral("--directory"),
                       QString::fromStdString(root.string())});
        server_.waitForStarted();
        for (int i = 0; i < 3000 && !Accepts(port_); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ~LocalServer() {
        server_.kill();
        server_.waitForFinished();
    }
    std::string Address() const { return "http://127.0.0.1:" + std::to_string(port_) + "/db"; }

private:
    int port_;
    QProcess server_;
};

class RipAccurateRipTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.drive = disc.DriveD();
        settings.outputFolder = (out.path() / "").string();
        settings.pauseBeforeMeasure = std::chrono::milliseconds(0);
        settings.grabOutputFormat = globals::FormatFlac;
        settings.options.accurateRip = true;
        settings.driveDescription = "D: PLATTERLY Virtual Drive";
        host.Fill(host.drive->AudioTrackList()->Count(), {1, 2});
        reckoned = Reckon(disc.DiscCue());
        ASSERT_EQ(reckoned.v1.size(), static_cast<std::size_t>(host.RowCount()));
    }
    void Serve(const std::string& entry) {
        const fs::path file = www.path() / fs::path(accuraterip::EntryUrl("db", reckoned.disc));
        fs::create_directories(file.parent_path());
        testsupport::writeFile(file, entry);
    }
    void Run() {
        TCDGrabber grabber;
        ASSERT_TRUE(grabber.Loaded());
        rip::RunRipJob(grabber, host, settings);
    }
    QStringList Verdicts() const {
        return host.statuses.filter(QRegularExpression("^Track 0[12]: "));
    }

    SampleDiscFixture disc;
    testsupport::TempDir out, www;
    FakeRipHost host;
    rip::RipJobSettings settings;
    Reckoned reckoned;
};

TEST_F(RipAccurateRipTest, MatchingChecksumsAreAccurateWithTheBestConfidence) {
    // Two pressings: v1 checksums with confidence 7, and one with track 2's v2 checksum at 12.
    std::vector<std::uint32_t> v2only(reckoned.v1.size(), 0xDEADBEEF);
    v2only[1] = reckoned.v2[1];
    Serve(Pressing(reckoned.disc, reckoned.v1, 7) + Pressing(reckoned.disc, v2only, 12));
    LocalServer server(www.path());
    settings.options.accurateRipAddress = server.Address();
    Run();
    EXPECT_EQ(Verdicts(), (QStringList{"Track 01: accurately ripped (confidence 7)",
                                       "Track 02: accurately ripped (confidence 12)"}));
    // The log beside the files says the same, with the checksums the second implementation got.
    const std::string log = readFile(out.path() / "rip.log");
    EXPECT_NE(log.find("Drive: D: PLATTERLY Virtual Drive"), std::string::npos) << log;
    EXPECT_NE(log.find("Read offset correction: 0 samples"), std::string::npos);
    EXPECT_NE(log.find("Format: FLAC, compression level 5"), std::string::npos);
    char line[96];
    for (int t = 0; t < 2; ++t) {
        std::snprintf(line, sizeof line, "  CRC32: %08X\n", reckoned.crc32[t]);
        EXPECT_NE(log.find(line), std::string::npos) << line << log;
        std::snprintf(line, sizeof line, "  AccurateRip v1: %08X  v2: %08X\n", reckoned.v1[t],
                      reckoned.v2[t]);
        EXPECT_NE(log.find(line), std::string::npos) << line;
    }
    EXPECT_NE(log.find("  AccurateRip: accurately ripped (confidence 12)\n"), std::string::npos);
    EXPECT_NE(log.find("2 ripped, 0 skipped, 0 failed"), std::string::npos);
}

TEST_F(RipAccurateRipTest, OtherChecksumsAreAMismatchAndAnAbsentEntryIsNotInTheDatabase) {
    std::vector<std::uint32_t> wrong = reckoned.v1;
    for (auto& crc : wrong)
        crc += 1;
    Serve(Pressing(reckoned.disc, wrong, 3));
    {
        LocalServer server(www.path());
        settings.options.accurateRipAddress = server.Address();
        Run();
    }
    EXPECT_EQ(Verdicts(), (QStringList{"Track 01: mismatch", "Track 02: mismatch"}));

    fs::remove_all(www.path() / "db");
    host.statuses.clear();
    settings.replaceExisting = true;
    {
        LocalServer server(www.path());
        settings.options.accurateRipAddress = server.Address();
        Run();
    }
    EXPECT_EQ(Verdicts(), (QStringList{"Track 01: not in database", "Track 02: not in database"}));
    // Each job its own log; the first is kept as it was.
    EXPECT_NE(readFile(out.path() / "rip.log").find("  AccurateRip: mismatch\n"),
              std::string::npos);
    EXPECT_NE(readFile(out.path() / "rip (2).log").find("  AccurateRip: not in database\n"),
              std::string::npos);
}

TEST_F(RipAccurateRipTest, ADatabaseThatCannotBeReachedOrAnswersGarbageLeavesTheRipsGood) {
    settings.options.accurateRipAddress = "http://127.0.0.1:" + std::to_string(FreePort()) + "/";
    Run();
    EXPECT_EQ(host.rows[0].status.left(7), "Success");
    EXPECT_EQ(host.rows[1].status.left(7), "Success");
    EXPECT_TRUE(Verdicts().isEmpty());
    EXPECT_EQ(host.statuses.filter("AccurateRip database not reachable: ").size(), 1);
    EXPECT_TRUE(fs::exists(out.path() / "Track01.flac"));

    Serve(std::string("\x02\x01\x02", 3)); // an entry cut short
    host.statuses.clear();
    settings.replaceExisting = true;
    LocalServer server(www.path());
    settings.options.accurateRipAddress = server.Address();
    Run();
    EXPECT_EQ(host.rows[1].status.left(7), "Success");
    EXPECT_EQ(host.statuses.filter("not a database entry").size(), 1)
        << host.statuses.join('\n').toStdString();
}

TEST_F(RipAccurateRipTest, WithoutTheUsersConsentNothingIsAsked) {
    settings.options.accurateRip = false;
    settings.options.accurateRipAddress = "http://127.0.0.1:1/"; // would fail if asked
    Run();
    EXPECT_TRUE(Verdicts().isEmpty());
    EXPECT_TRUE(host.statuses.filter("AccurateRip").isEmpty());
    EXPECT_NE(readFile(out.path() / "rip.log").find("AccurateRip: not asked"), std::string::npos);
}

TEST(AccurateRipEntries, HostileOrCutEntriesAreRefusedAndUrlsFollowTheDatabaseLayout) {
    EXPECT_EQ(accuraterip::EntryUrl("http://h/x", {3, 0x0012ABCD, 0x01, 0x1F02}),
              "http://h/x/d/c/b/dBAR-003-0012abcd-00000001-00001f02.bin");
    EXPECT_FALSE(accuraterip::ParseEntry(""));
    EXPECT_FALSE(accuraterip::ParseEntry(std::string(12, '\0')));
    // A header claiming 255 tracks with one track's bytes behind it.
    std::string claim(1, '\xFF');
    claim += std::string(12 + 9, '\0');
    EXPECT_FALSE(accuraterip::ParseEntry(claim));
    const accuraterip::DiscId disc{2, 1, 2, 3};
    const auto entry = accuraterip::ParseEntry(Pressing(disc, {10, 20}, 4));
    ASSERT_TRUE(entry);
    EXPECT_EQ(accuraterip::Judge(entry, disc, 2, 20, 0).confidence, 4);
    EXPECT_EQ(accuraterip::Judge(entry, disc, 3, 20, 0).verdict,
              accuraterip::Verdict::NotInDatabase);
    EXPECT_EQ(accuraterip::Judge(entry, {3, 1, 2, 3}, 1, 10, 0).verdict,
              accuraterip::Verdict::NotInDatabase)
        << "a pressing of another track count says nothing";
}

} // namespace
