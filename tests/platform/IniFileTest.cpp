#include "platform/IniFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <random>
#include <sys/stat.h>

using platform::IniFile;
using platform::ParseIniInteger;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

TEST(IniValues, IntegersAreDecimalOrHexAndGarbageIsNoNumber) {
    EXPECT_EQ(ParseIniInteger("42"), 42);
    EXPECT_EQ(ParseIniInteger("  -7 \t"), -7);
    EXPECT_EQ(ParseIniInteger("0x1F"), 31);
    EXPECT_EQ(ParseIniInteger("0X10"), 16);
    EXPECT_EQ(ParseIniInteger("abc"), std::nullopt);
    EXPECT_EQ(ParseIniInteger("12abc"), std::nullopt);
    EXPECT_EQ(ParseIniInteger("0x"), std::nullopt);
    EXPECT_EQ(ParseIniInteger(""), std::nullopt);
    EXPECT_EQ(ParseIniInteger("99999999999999999999999"), std::nullopt);
}

TEST(IniValues, BooleansReadAsIntegersAndFallBackToDefault) {
    TempDir dir;
    writeFile(dir / "a.ini", "[S]\nOne=1\nTwo= 2 \nZero=0\nWord=yes\nHex=0x0\n");
    IniFile ini(dir / "a.ini");
    EXPECT_TRUE(ini.readBool("S", "One", false));
    EXPECT_TRUE(ini.readBool("S", "Two", false));
    EXPECT_FALSE(ini.readBool("S", "Zero", true));
    EXPECT_TRUE(ini.readBool("S", "Word", true)); // not a number: the default
    EXPECT_FALSE(ini.readBool("S", "Word", false));
    EXPECT_FALSE(ini.readBool("S", "Hex", true));
    EXPECT_TRUE(ini.readBool("S", "Missing", true));
}

TEST(IniFileTest, SectionsAndKeysMatchWithoutCaseAndValuesAreTrimmed) {
    TempDir dir;
    writeFile(dir / "a.ini", "[Config]\r\n  LanguageFile =  german.ini  \r\n");
    IniFile ini(dir / "a.ini");
    EXPECT_EQ(ini.readString("CONFIG", "languagefile", "x"), "german.ini");
    EXPECT_EQ(ini.readString("config", "Other", "dflt"), "dflt");
}

TEST(IniFileTest, WritingOneKeyKeepsEverythingElse) {
    TempDir dir;
    const std::string original = "; a comment\n[First]\nA=1\n\n# other comment\n[Second]\nB=two\n"
                                 "junk line without equals\n[Third]\nC=3\n";
    writeFile(dir / "a.ini", original);
    ASSERT_TRUE(platform::WriteIniString(dir / "a.ini", "second", "b", "changed"));
    ASSERT_TRUE(platform::WriteIniString(dir / "a.ini", "Second", "New", "added"));
    ASSERT_TRUE(platform::WriteIniString(dir / "a.ini", "Fourth", "D", "4"));
    EXPECT_EQ(readFile(dir / "a.ini"),
              "; a comment\n[First]\nA=1\n\n# other comment\n[Second]\nb=changed\n"
              "junk line without equals\nNew=added\n[Third]\nC=3\n\n[Fourth]\nD=4\n");
}

TEST(IniFileTest, CrLfFilesStayCrLf) {
    TempDir dir;
    writeFile(dir / "a.ini", "[S]\r\nA=1\r\n");
    ASSERT_TRUE(platform::WriteIniInteger(dir / "a.ini", "S", "B", 2));
    EXPECT_EQ(readFile(dir / "a.ini"), "[S]\r\nA=1\r\nB=2\r\n");
}

TEST(IniFileTest, MissingFileIsCreatedAndMissingFolderFails) {
    TempDir dir;
    EXPECT_TRUE(platform::WriteIniBool(dir / "new.ini", "S", "K", true));
    EXPECT_EQ(readFile(dir / "new.ini"), "[S]\nK=1\n");
    EXPECT_FALSE(platform::WriteIniBool(dir / "nofolder" / "x.ini", "S", "K", true));
    EXPECT_EQ(platform::ReadIniInteger(dir / "nofolder" / "x.ini", "S", "K", 5), 5);
}

TEST(IniFileTest, ReadOnlyFolderKeepsFileAndReportsFailureWhenNotWritable) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    TempDir dir;
    const auto sub = dir / "ro";
    std::filesystem::create_directory(sub);
    writeFile(sub / "a.ini", "[S]\nK=1\n");
    ::chmod((sub / "a.ini").c_str(), 0444);
    ::chmod(sub.c_str(), 0555);
    EXPECT_FALSE(platform::WriteIniString(sub / "a.ini", "S", "K", "2"));
    EXPECT_EQ(platform::ReadIniString(sub / "a.ini", "S", "K", ""), "1");
}

TEST(IniFileTest, GarbageBinaryAndTruncatedFilesReadAsDefaults) {
    TempDir dir;
    std::mt19937 rng(7);
    std::string garbage(64 * 1024, '\0');
    for (auto& c : garbage)
        c = static_cast<char>(rng());
    writeFile(dir / "bin.ini", garbage);
    IniFile bin(dir / "bin.ini");
    EXPECT_EQ(bin.readInteger("Options", "GrabOutputFormat", 1), 1);

    writeFile(dir / "trunc.ini", "[Options]\nEnableLog=1\nGrabOutputFor");
    IniFile trunc(dir / "trunc.ini");
    EXPECT_TRUE(trunc.readBool("Options", "EnableLog", false));
    EXPECT_EQ(trunc.readInteger("Options", "GrabOutputFormat", 1), 1);

    writeFile(dir / "nul.ini", std::string("[S]\nA=1\0junk\nB=2\n", 16));
    IniFile nul(dir / "nul.ini");
    EXPECT_EQ(nul.readInteger("S", "B", 0), 2);
}

TEST(IniFileTest, OversizedFileIsNeitherReadNorTruncated) {
    TempDir dir;
    const auto big = dir / "big.ini";
    {
        std::string content = "[S]\nK=1\n";
        content.resize(IniFile::MaxFileSize + 10, 'x');
        writeFile(big, content);
    }
    IniFile ini(big);
    EXPECT_EQ(ini.readInteger("S", "K", 9), 9);
    ini.setString("S", "K", "2");
    EXPECT_FALSE(ini.save());
    EXPECT_EQ(std::filesystem::file_size(big), IniFile::MaxFileSize + 10);
}

TEST(IniFileTest, AValueWithLineBreaksStaysOnOneLine) {
    TempDir dir;
    ASSERT_TRUE(platform::WriteIniString(dir / "a.ini", "S", "K", "a\nb\r\nc"));
    IniFile ini(dir / "a.ini");
    EXPECT_EQ(ini.sectionKeys("S").size(), 1u);
}

TEST(IniFileTest, DirectoryInPlaceOfFileIsHarmless) {
    TempDir dir;
    std::filesystem::create_directory(dir / "d.ini");
    EXPECT_EQ(platform::ReadIniString(dir / "d.ini", "S", "K", "def"), "def");
    EXPECT_FALSE(platform::WriteIniString(dir / "d.ini", "S", "K", "v"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "d.ini"));
}
