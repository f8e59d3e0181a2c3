#include "core/Startup.h"
#include "core/MultiLanguages.h"
#include "core/globals.h"
#include "platform/IniFile.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

TEST(Startup, FreshBundleGetsExactlyTheDefaultFiles) {
    TempDir dir;
    for (const char* sub : {"langs", "skins", "help"})
        std::filesystem::create_directory(dir / sub);
    core::RunStartup(dir.path());

    std::set<std::string> entries;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        entries.insert(e.path().filename().string());
    EXPECT_EQ(entries, (std::set<std::string>{"config.ini", "options.ini", "DubrixTemp", "langs",
                                              "skins", "help"}));
    std::set<std::string> langs;
    for (const auto& e : std::filesystem::directory_iterator(dir / "langs"))
        langs.insert(e.path().filename().string());
    EXPECT_EQ(langs, std::set<std::string>{"english.ini"});
    const platform::IniFile lang(dir / "langs" / "english.ini");
    EXPECT_TRUE(lang.readBool("Language", "Flags", false));
    EXPECT_EQ(lang.sectionKeys("Language").size(), static_cast<std::size_t>(LangKeyCount) + 1);
    EXPECT_EQ(globals::GrabOutputFormat, globals::FormatMp3);
}

TEST(Startup, GermanFileIsUsedOnlyWhileMarkedAndConfigIsResetAtExit) {
    TempDir dir;
    TempDir xdg;
    testsupport::ScopedEnv config("XDG_CONFIG_HOME", xdg.path().string());
    std::filesystem::create_directory(dir / "langs");
    writeFile(dir / "config.ini", "[Config]\nFlag=1\nLanguageFile=german.ini\n");
    writeFile(dir / "langs" / "german.ini", "[Language]\nFlags=1\nIDS_MAIN_TITLE=Plattenbrenner\n");
    core::RunStartup(dir.path());
    EXPECT_EQ(MultiLanguages::Text(IDS_MAIN_TITLE), "Plattenbrenner");
    core::RunShutdown();
    EXPECT_EQ(platform::ReadIniString(dir / "config.ini", "Config", "LanguageFile", ""),
              "english.ini");

    // Without the marker the German file is overwritten with English before it is read.
    writeFile(dir / "config.ini", "[Config]\nFlag=1\nLanguageFile=german.ini\n");
    writeFile(dir / "langs" / "german.ini", "[Language]\nIDS_MAIN_TITLE=Plattenbrenner\n");
    core::RunStartup(dir.path());
    EXPECT_EQ(MultiLanguages::Text(IDS_MAIN_TITLE), "Platterly");
    MultiLanguages::ResetToEnglish();
}

TEST(Startup, ReadOnlyProgramFolderStillStartsWithDefaults) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    TempDir dir;
    std::filesystem::create_directory(dir / "langs");
    ::chmod((dir / "langs").c_str(), 0555);
    ::chmod(dir.path().c_str(), 0555);
    core::RunStartup(dir.path());
    EXPECT_EQ(globals::GrabOutputFormat, globals::FormatWav);
    EXPECT_EQ(MultiLanguages::Text(IDS_MSG_Error), "Error");
    EXPECT_FALSE(std::filesystem::exists(dir / "config.ini"));
    ::chmod(dir.path().c_str(), 0755);
}

TEST(Startup, CorruptFilesStillStartWithDefaults) {
    TempDir dir;
    std::filesystem::create_directory(dir / "langs");
    writeFile(dir / "config.ini", std::string("\0\0\xff[Config\nFlag", 15));
    writeFile(dir / "options.ini", "[Options]\nGrabOutputFormat=mp3\nEnableLog=\n");
    writeFile(dir / "langs" / "english.ini", "[Language\nFlags=1");
    core::RunStartup(dir.path());
    EXPECT_EQ(globals::LanguageFileName, dir.path().string() + "/langs/english.ini");
    EXPECT_EQ(globals::GrabOutputFormat, globals::FormatWav);
    EXPECT_TRUE(globals::EnableLog);
    EXPECT_EQ(MultiLanguages::Text(IDS_MSG_Warning), "Warning");
    EXPECT_TRUE(platform::ReadIniBool(dir / "config.ini", "Config", "Flag", false));
}
