#include "core/MultiLanguages.h"
#include "core/globals.h"
#include "platform/IniFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sys/stat.h>

using namespace MultiLanguages;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

// Points the language file into a temporary folder and starts from the English texts.
struct LanguageFixture : ::testing::Test {
    TempDir dir;
    void SetUp() override {
        ResetToEnglish();
        globals::LanguageDir = dir.path().string() + "/";
        globals::LanguageFileName = globals::LanguageDir + "english.ini";
    }
    void TearDown() override { ResetToEnglish(); }
};

} // namespace

TEST(LanguageTable, HoldsAllKeysOnceInFileOrder) {
    ASSERT_EQ(LangKeyCount, 476);
    std::set<std::string> names;
    for (int i = 0; i < LangKeyCount; ++i) {
        const std::string name = KeyName(LangId(i));
        EXPECT_EQ(name.rfind("IDS_", 0), 0u) << name;
        EXPECT_TRUE(names.insert(name).second) << "duplicate " << name;
        EXPECT_FALSE(std::string(EnglishText(LangId(i))).empty()) << name;
    }
    EXPECT_STREQ(KeyName(LangId(0)), "IDS_MAIN_TITLE");
    // The original table ends with the frames dialog's title; the rip keys follow it.
    EXPECT_EQ(IDS_READCD_MSG_Id3v2FrameLeftOut, IDS_Mp3ID3V2_TITLE + 1);
    // The data-disc read's keys follow the rip keys.
    EXPECT_EQ(IDS_READCD_MSG_NotCopiedOne, IDS_READCD_LABEL_Status_RipLog + 1);
    EXPECT_STREQ(KeyName(LangId(LangKeyCount - 1)), "IDS_READCD_REASON_DiscGone");
    EXPECT_EQ(Text(IDS_READCD_MSG_NotCopiedMany),
              "%d files or folders could not be copied (see the log).");
    EXPECT_EQ(IDS_COPYCD_MediaType_Unkown, IDS_COPYCD_MediaType_NoMedia + 1);
    EXPECT_EQ(Text(IDS_COPYCD_MediaType_Unkown), "Unknown Media");
    EXPECT_EQ(Text(IDS_MAIN_TITLE), "Platterly");
    EXPECT_EQ(Text(IDS_MSG_Error), "Error");
    EXPECT_EQ(Text(IDS_LABEL_Status_CurrentReadSpeed), "Current read speed: %d KB/s");
}

TEST(LanguageCoding, DecodeTrimsAndTurnsMarkersIntoLineBreaks) {
    EXPECT_EQ(DecodeLanguageText("  \tfirst#13second \r"), "first\r\nsecond");
    EXPECT_EQ(DecodeLanguageText("#13"), "\r\n");
    EXPECT_EQ(DecodeLanguageText("a\\rb"), "a\\rb"); // backslash-r is shown as it stands
    EXPECT_EQ(EncodeLanguageText(" one\r\ntwo\nthree\rfour  "), "one#13two#13three#13four");
    EXPECT_EQ(DecodeLanguageText(EncodeLanguageText("x\r\ny")), "x\r\ny");
}

TEST_F(LanguageFixture, MissingFileIsWrittenWithEveryKeyInOrder) {
    ASSERT_TRUE(LoadLanguage());
    const platform::IniFile ini(globals::LanguageFileName);
    EXPECT_TRUE(ini.readBool("Language", "Flags", false));
    const auto keys = ini.sectionKeys("Language");
    ASSERT_EQ(keys.size(), static_cast<std::size_t>(LangKeyCount) + 1);
    EXPECT_EQ(keys[0], "Flags");
    for (int i = 0; i < LangKeyCount; ++i)
        EXPECT_EQ(keys[i + 1], KeyName(LangId(i)));
    EXPECT_EQ(Text(IDS_MSG_Hint), "Hint");
}

TEST_F(LanguageFixture, MarkedPartialFileOverridesOnlyItsKeysAndKeepsUpdateSection) {
    const std::string update = "[Update]\nFlag=1\nIDS_UPDATE_X=Something\n";
    writeFile(globals::LanguageFileName, "[Language]\nFlags=1\nIDS_MSG_Error=  Fehler  \n"
                                         "IDS_MAIN_TITLE=Brenner#13Zwei\n\n" +
                                             update);
    ASSERT_TRUE(LoadLanguage());
    EXPECT_EQ(Text(IDS_MSG_Error), "Fehler");
    EXPECT_EQ(Text(IDS_MAIN_TITLE), "Brenner\r\nZwei");
    EXPECT_EQ(Text(IDS_MSG_Warning), "Warning");
    EXPECT_NE(readFile(globals::LanguageFileName).find(update), std::string::npos);
    // A marked file is not rewritten.
    EXPECT_EQ(platform::IniFile(globals::LanguageFileName).sectionKeys("Language").size(), 3u);
}

TEST_F(LanguageFixture, UnmarkedFileIsOverwrittenWithEnglishButOtherSectionsStay) {
    writeFile(globals::LanguageFileName, "[Update]\nFlag=1\nIDS_UPDATE_X=Etwas\n"
                                         "[Language]\nFlags=0\nIDS_MSG_Error=Fehler\n");
    ASSERT_TRUE(LoadLanguage());
    EXPECT_EQ(Text(IDS_MSG_Error), "Error");
    const platform::IniFile ini(globals::LanguageFileName);
    EXPECT_EQ(ini.readString("Update", "IDS_UPDATE_X", ""), "Etwas");
    EXPECT_EQ(ini.sectionKeys("Language").size(), static_cast<std::size_t>(LangKeyCount) + 1);
}

TEST_F(LanguageFixture, TwoLineTextIsWrittenAsOneValue) {
    writeFile(globals::LanguageFileName, "[Language]\nFlags=1\nIDS_MSG_Hint=line one#13line two\n");
    ASSERT_TRUE(LoadLanguage());
    ASSERT_EQ(Text(IDS_MSG_Hint), "line one\r\nline two");
    ASSERT_TRUE(WriteDefaultLanguage());
    EXPECT_EQ(platform::ReadIniString(globals::LanguageFileName, "Language", "IDS_MSG_Hint", ""),
              "line one#13line two");
}

TEST_F(LanguageFixture, UnwritableFolderKeepsEnglishSilently) {
    globals::LanguageFileName = (dir / "no-such-folder" / "english.ini").string();
    EXPECT_TRUE(LoadLanguage());
    EXPECT_EQ(Text(IDS_MSG_Error), "Error");
    EXPECT_FALSE(std::filesystem::exists(globals::LanguageFileName));
}

TEST_F(LanguageFixture, GarbageFileNeverCrashes) {
    std::string junk;
    for (int i = 0; i < 20000; ++i)
        junk += static_cast<char>((i * 7919) % 256);
    writeFile(globals::LanguageFileName, "[Language]\nFlags=1\nIDS_MSG_Error=\xff\xfe\x80"
                                         "bad\n" +
                                             junk);
    LoadLanguage();
    EXPECT_FALSE(Text(IDS_MSG_Error).isEmpty());
    EXPECT_EQ(Text(IDS_MSG_Warning), "Warning");
}
