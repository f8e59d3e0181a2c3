// The name rules of the three file systems, on one folder's names at a time.
#include "Names.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using namespace isofs::detail;

namespace {

// Requests view the names: `names` must outlive them.
std::vector<NameRequest> Files(const std::vector<std::string>& names, bool folders = false) {
    std::vector<NameRequest> out;
    for (const auto& n : names)
        out.push_back({n, folders});
    return out;
}

template <typename Ch> std::vector<std::basic_string<Ch>> All(const NameList<Ch>& list) {
    std::vector<std::basic_string<Ch>> out;
    for (std::size_t i = 0; i < list.size(); ++i)
        out.emplace_back(list[i]);
    return out;
}

std::u16string U16(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

} // namespace

TEST(NameRules, ClashesAreNumberedInOrderWithinEachLimit) {
    const std::string longName = std::string(70, 'x') + ".document";
    std::vector<std::string> names(12, longName);
    names.push_back("Read Me.txt");
    names.push_back("read me.TXT"); // the same name to Joliet, not to UDF
    auto requests = Files(names);

    auto joliet = All(jolietNames(requests));
    EXPECT_EQ(joliet[0], U16(std::string(55, 'x') + ".document"));
    EXPECT_EQ(joliet[1], U16(std::string(53, 'x') + "~1.document"));
    EXPECT_EQ(joliet[11], U16(std::string(52, 'x') + "~11.document"));
    EXPECT_EQ(joliet[12], u"Read Me.txt");
    EXPECT_EQ(joliet[13], u"read me~1.TXT");
    for (const auto& n : joliet)
        EXPECT_LE(n.size(), 64u);

    auto udf = All(udfNames(requests));
    EXPECT_EQ(udf[0], U16(longName)); // fits UDF's 254
    EXPECT_EQ(udf[1], U16(std::string(70, 'x') + "~1.document"));
    EXPECT_EQ(udf[13], u"read me.TXT");

    auto iso = All(isoNames(requests));
    EXPECT_EQ(iso[0], std::string(22, 'X') + ".DOCUMENT");
    EXPECT_EQ(iso[1], std::string(20, 'X') + "_1.DOCUMENT");
    EXPECT_EQ(iso[12], "READ_ME.TXT");
    EXPECT_EQ(iso[13], "READ_ME_1.TXT");
}

TEST(NameRules, ThousandsOfOneNameStayUniqueAndLegal) {
    for (bool folders : {false, true}) {
        SCOPED_TRACE(folders ? "folders" : "files");
        std::vector<std::string> names(3000, "Same Name.txt");
        for (int i = 0; i < 300; ++i)
            names.push_back("same name~" + std::to_string(i + 1) + ".txt"); // taken by numbering
        auto requests = Files(names, folders);
        auto iso = All(isoNames(requests));
        auto joliet = All(jolietNames(requests));
        auto udf = All(udfNames(requests));
        EXPECT_EQ(std::set<std::string>(iso.begin(), iso.end()).size(), names.size());
        EXPECT_EQ(std::set<std::u16string>(udf.begin(), udf.end()).size(), names.size());
        std::set<std::u16string> folded;
        for (auto n : joliet) {
            EXPECT_LE(n.size(), 64u);
            for (auto& c : n)
                if (c >= u'a' && c <= u'z')
                    c = static_cast<char16_t>(c - 32);
            folded.insert(n);
        }
        EXPECT_EQ(folded.size(), names.size()); // unique ignoring case
        for (const auto& n : iso) {
            EXPECT_LE(n.size(), 31u);
            EXPECT_EQ(n.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_."),
                      std::string::npos)
                << n;
        }
    }
}

TEST(NameRules, CharactersEachFileSystemCannotHold) {
    const std::vector<std::string> names = {"a*b?c:d.txt", "tab\there",   "",
                                            ".",           "..",          "日本語 ☃.txt",
                                            "😀.txt",       "bad\xff.txt", ".hidden"};
    auto requests = Files(names);
    auto joliet = All(jolietNames(requests));
    EXPECT_EQ(joliet[0], u"a_b_c_d.txt");
    EXPECT_EQ(joliet[1], u"tab_here");
    EXPECT_EQ(joliet[2], u"_");
    EXPECT_EQ(joliet[3], u"__");
    EXPECT_EQ(joliet[4], u"___");
    EXPECT_EQ(joliet[5], u"日本語 ☃.txt");
    EXPECT_EQ(joliet[6], u"_.txt");
    EXPECT_EQ(joliet[7], u"bad\uFFFD.txt");
    EXPECT_EQ(joliet[8], u".hidden");

    auto udf = All(udfNames(requests));
    EXPECT_EQ(udf[0], u"a*b?c:d.txt"); // UDF only refuses "/" and NUL
    EXPECT_EQ(udf[1], u"tab\there");

    auto iso = All(isoNames(requests));
    EXPECT_EQ(iso[0], "A_B_C_D.TXT");
    EXPECT_EQ(iso[2], "_");
    EXPECT_EQ(iso[3], "__1"); // "." and ".." become "_" too, then clash
    EXPECT_EQ(iso[4], "__2");
    EXPECT_EQ(iso[5], "_____.TXT");
    EXPECT_EQ(iso[6], "_.TXT");
    EXPECT_EQ(iso[8], "_HIDDEN");

    // A wide UDF name has half the room of a Latin-1 one.
    const std::vector<std::string> longNames = {std::string(200, 'a') + "日",
                                                std::string(300, 'b')};
    auto wide = All(udfNames(Files(longNames)));
    EXPECT_EQ(wide[0].size(), 127u);
    EXPECT_EQ(wide[1].size(), 254u);
}
