// Joliet folders as the volume reads them: names beyond Latin-1 and the Basic Multilingual
// Plane, times with their zone, and records that would lead a reader out of their block.
#include "IsoRecords.h"
#include "discengine/Engine.h"
#include "discengine/VirtualStore.h"
#include "isofs/ImageWriter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <set>

using namespace discengine;
namespace fs = std::filesystem;

namespace {

// A directory record: the fixed part, then the name (padded to an even length).
std::string Record(const std::string& name, std::uint32_t lsn, std::uint32_t bytes, bool folder,
                   const std::string& date = std::string(7, '\0')) {
    std::string r(33, '\0');
    r += name;
    if (r.size() % 2)
        r += '\0';
    r[0] = static_cast<char>(r.size());
    for (int i = 0; i < 4; ++i) {
        r[2 + i] = static_cast<char>(lsn >> (8 * i));
        r[10 + i] = static_cast<char>(bytes >> (8 * i));
    }
    r.replace(18, 7, date);
    r[25] = folder ? 2 : 0;
    r[32] = static_cast<char>(name.size());
    return r;
}

std::string Ucs2(const std::u16string& s) {
    std::string out;
    for (char16_t c : s) {
        out += static_cast<char>(c >> 8);
        out += static_cast<char>(c & 0xFF);
    }
    return out;
}

std::vector<iso::FolderRecord> Read(const std::string& bytes) {
    return iso::ReadJolietFolder(reinterpret_cast<const unsigned char*>(bytes.data()),
                                 bytes.size());
}

} // namespace

TEST(JolietRecords, NamesDatesAndBrokenRecords) {
    std::string block = Record(std::string(1, '\0'), 20, 2048, true) +
                        Record(std::string(1, '\1'), 18, 2048, true) +
                        // 2026-12-11 10:30:05 at UTC+1 (four quarter hours)
                        Record(Ucs2(u"日本語"), 30, 5, false, {126, 12, 11, 10, 30, 5, 4}) +
                        Record(Ucs2(u"smile \U0001F600.txt"), 31, 7, false) +
                        Record(Ucs2(u"lone \xD800 half"), 32, 1, false) +
                        Record(Ucs2(u"Sub"), 40, 4096, true);
    // A record whose name runs past its own length is the end of the block's records.
    std::string broken = Record(Ucs2(u"bad"), 50, 1, false);
    broken[32] = 60;
    block += broken + Record(Ucs2(u"after broken"), 51, 1, false);
    block.resize(2048, '\0');
    // The next block: a record that would cross into a third block counts for nothing, and
    // the reader goes on in the block after it.
    std::string second(2048, '\0');
    const std::string crossing = Record(Ucs2(u"crossing"), 60, 1, false);
    second.replace(2048 - 20, 20, crossing.substr(0, 20));
    std::string third = Record(Ucs2(u"last"), 70, 3, false);
    third.resize(2048, '\0');

    const auto records = Read(block + second + third);
    std::vector<std::string> names;
    for (const auto& r : records)
        names.push_back(r.name);
    EXPECT_EQ(names, (std::vector<std::string>{"日本語", "smile 😀.txt", "lone \xEF\xBF\xBD half",
                                               "Sub", "last"}));
    ASSERT_EQ(records.size(), 5u);
    EXPECT_EQ(records[0].lsn, 30u);
    EXPECT_EQ(records[0].bytes, 5u);
    EXPECT_FALSE(records[0].isFolder);
    EXPECT_EQ(records[0].recorded, 1796981405); // 2026-12-11 09:30:05 UTC
    EXPECT_EQ(records[1].recorded, 0);          // not recorded
    EXPECT_TRUE(records[3].isFolder);
    EXPECT_EQ(records[3].bytes, 4096u);

    // Month and day out of their range carry over; nothing is read past the end.
    const unsigned char late[7] = {126, 13, 1, 0, 0, 0, 0};
    EXPECT_EQ(iso::RecordTime(late), 1798761600); // 2027-01-01
    EXPECT_TRUE(Read(std::string(5, '\x40')).empty());
}

// Names beyond Latin-1, one of them of three-byte characters only (longer in UTF-8 than on
// the disc), are listed whole by a volume on a Joliet disc.
TEST(JolietRecords, AVolumeListsEveryNameWhole) {
    testsupport::TempDir dir;
    const std::set<std::string> names{"日本語", "Ünïcödé café.txt", "plain.txt"};
    fs::create_directories(dir / "src");
    for (const auto& name : names)
        testsupport::writeFile(dir / "src" / name, name);
    isofs::FileLayout layout;
    for (const auto& name : names)
        layout.addItem((dir / "src" / name).string(), "\\folder\\" + name);
    isofs::ImageOptions options;
    options.fileSystems = isofs::fsIso9660 | isofs::fsJoliet;
    ASSERT_EQ(isofs::writeImageFile(isofs::ImagePlan::build(layout, options), layout.opener(),
                                    dir / "names.iso")
                  .status,
              isofs::WriteResult::Status::Completed);
    auto engine = CreateEngine({dir / "drives", true});
    ASSERT_TRUE(engine->Initialize(0));
    VirtualStore(dir / "drives").InsertImage('E', dir / "names.iso");
    auto device = engine->FindDevice('E');
    device->Refresh(true);
    auto volume = device->Volume();
    std::set<std::string> listed;
    for (const auto& entry : volume->List("\\folder"))
        listed.insert(entry.name);
    EXPECT_EQ(listed, names);
    const auto out = dir / "copy";
    volume->CopyFile("\\folder\\日本語", out);
    EXPECT_EQ(testsupport::readFile(out), "日本語");
}
