#include "core/globals.h"
#include "platform/IniFile.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>

using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

std::string dirText(const TempDir& d) {
    return d.path().string() + "/";
}

} // namespace

TEST(AddTrailingBackslash, AppendsOneSeparator) {
    EXPECT_EQ(globals::AddTrailingBackslash(""), "/");
    EXPECT_EQ(globals::AddTrailingBackslash("/tmp"), "/tmp/");
    EXPECT_EQ(globals::AddTrailingBackslash("/tmp/"), "/tmp/");
}

TEST(LoadConfig, FirstStartWritesDefaultsAndFormsNames) {
    TempDir dir;
    globals::LoadConfig(dir.path());
    EXPECT_EQ(globals::ProgramDir, dirText(dir));
    EXPECT_EQ(readFile(dir / "config.ini"), "[Config]\nFlag=1\nLanguagePath=langs\n"
                                            "LanguageFile=english.ini\nSkinDir=skins\n"
                                            "LogFile=Dubrix.log\n");
    EXPECT_EQ(globals::LanguageDir, dirText(dir) + "langs/");
    EXPECT_EQ(globals::LanguageFileName, dirText(dir) + "langs/english.ini");
    EXPECT_EQ(globals::SkinsDir, dirText(dir) + "skins/");
    EXPECT_EQ(globals::LogFileName, dirText(dir) + "Dubrix.log");
    EXPECT_EQ(globals::SavedLogLineCount, 0);
}

TEST(LoadConfig, FlagZeroResetsEverythingFlagOneKeepsChoice) {
    TempDir dir;
    writeFile(dir / "config.ini", "[Config]\nFlag=0\nLanguageFile=german.ini\nLogFile=x.log\n");
    globals::LoadConfig(dir.path());
    EXPECT_EQ(globals::LanguageFileName, dirText(dir) + "langs/english.ini");
    EXPECT_EQ(globals::LogFileName, dirText(dir) + "Dubrix.log");

    writeFile(dir / "config.ini", "[config]\nflag = 1\nlanguagefile = german.ini\n");
    globals::LoadConfig(dir.path());
    EXPECT_EQ(globals::LanguageFileName, dirText(dir) + "langs/german.ini");
    // Keys missing from a marked file read as their defaults.
    EXPECT_EQ(globals::SkinsDir, dirText(dir) + "skins/");
    // Exit writes the defaults back.
    ASSERT_TRUE(globals::WriteDefaultConfig());
    EXPECT_EQ(platform::ReadIniString(dir / "config.ini", "Config", "LanguageFile", ""),
              "english.ini");
}

TEST(LoadConfig, AbsolutePathsInKeysAreStillAppendedToTheProgramFolder) {
    TempDir dir;
    writeFile(dir / "config.ini", "[Config]\nFlag=1\nLanguagePath=/etc\n");
    globals::LoadConfig(dir.path());
    EXPECT_EQ(globals::LanguageDir, dirText(dir) + "/etc/");
}

TEST(LoadOptions, FirstStartSelectsMp3AndCreatesTempFolder) {
    TempDir dir;
    globals::LoadConfig(dir.path());
    globals::LoadOptions();
    EXPECT_EQ(readFile(dir / "options.ini"),
              "[Options]\nTempDir=" + dirText(dir) +
                  "DubrixTemp\nEnableLog=1\n"
                  "BootApplication=1\nAutoPlay=1\nGrabOutputFormat=3\n");
    EXPECT_EQ(globals::TempDir, dirText(dir) + "DubrixTemp/");
    EXPECT_TRUE(std::filesystem::is_directory(dir / "DubrixTemp"));
    EXPECT_EQ(globals::GrabOutputFormat, globals::FormatMp3);
    EXPECT_TRUE(globals::EnableLog);
    EXPECT_TRUE(globals::BootApplication);
    EXPECT_TRUE(globals::AutoPlay);
}

TEST(LoadOptions, MissingFormatIsWavAndMissingTempFolderIsCreatedWithParents) {
    TempDir dir;
    const auto temp = dir / "deep" / "er" / "tmp";
    writeFile(dir / "options.ini", "[Options]\nTempDir=" + temp.string() + "\nEnableLog=0\n");
    globals::LoadConfig(dir.path());
    globals::LoadOptions();
    EXPECT_EQ(globals::GrabOutputFormat, globals::FormatWav);
    EXPECT_FALSE(globals::EnableLog);
    EXPECT_TRUE(std::filesystem::is_directory(temp));
    EXPECT_EQ(globals::TempDir, temp.string() + "/");
}

TEST(LoadOptions, PhysicalDrivesKeyIsReadAsItStandsAndNeverWritten) {
    TempDir dir;
    TempDir config;
    testsupport::ScopedEnv xdg("XDG_CONFIG_HOME", config.path().string());
    globals::LoadConfig(dir.path());
    globals::LoadOptions();
    EXPECT_EQ(globals::PhysicalDrives, "") << "every drive found, by default";
    EXPECT_EQ(readFile(dir / "options.ini").find("PhysicalDrives"), std::string::npos);
    writeFile(dir / "options.ini", "[Options]\nPhysicalDrives=/dev/sr1,/dev/sr2\n");
    globals::LoadOptions();
    EXPECT_EQ(globals::PhysicalDrives, "/dev/sr1,/dev/sr2");
    writeFile(dir / "options.ini", "[Options]\nPhysicalDrives=0\n");
    globals::LoadOptions();
    EXPECT_EQ(globals::PhysicalDrives, "0");
    globals::SaveOptions();
    EXPECT_EQ(platform::IniFile(dir / "options.ini").readString("Options", "PhysicalDrives", ""),
              "0")
        << "the user's choice survives the save at exit";
}

TEST(LoadOptions, RipOptionStartValues) {
    TempDir dir;
    globals::LoadConfig(dir.path());
    globals::Rip.bitrateIndex = 0;
    globals::Rip.id3v2Frames.push_back({"TCOM", "x"});
    globals::LoadOptions();
    const auto& r = globals::Rip;
    EXPECT_TRUE(r.enableId3);
    EXPECT_FALSE(r.generateCrc || r.original || r.copyright || r.privateFlag || r.writeId3v2);
    EXPECT_TRUE(r.id3v2Frames.empty());
    EXPECT_EQ(globals::Mp3Bitrates[r.bitrateIndex], 192);
    EXPECT_EQ(globals::VbrQualities[r.vbrQualityIndex], 5);
    EXPECT_EQ(globals::Mp3Bitrates[r.vbrMaxBitrateIndex], 320);
    EXPECT_EQ(r.mpegQualityIndex, 2);
    EXPECT_TRUE(r.enableVbr && r.writeVbrHeader);
    EXPECT_FALSE(r.useJointStereo);
    EXPECT_EQ(globals::OggBitrates[r.oggBitrateIndex], 128);
}

TEST(SaveOptions, WritesCurrentValuesAndTheAutostartEntry) {
    TempDir dir;
    TempDir config;
    testsupport::ScopedEnv xdg("XDG_CONFIG_HOME", config.path().string());
    globals::SetExecutableFileForTests(dir / "platterly");
    globals::LoadConfig(dir.path());
    globals::LoadOptions();
    globals::GrabOutputFormat = globals::FormatOgg;
    globals::EnableLog = false;
    globals::BootApplication = true;
    globals::SaveOptions();
    const platform::IniFile ini(dir / "options.ini");
    EXPECT_EQ(ini.readInteger("Options", "GrabOutputFormat", 0), 4);
    EXPECT_EQ(ini.readString("Options", "TempDir", ""), dirText(dir) + "DubrixTemp/");
    EXPECT_FALSE(ini.readBool("Options", "EnableLog", true));
    const auto entry = config / "autostart" / "Dubrix.desktop";
    EXPECT_NE(readFile(entry).find("Exec=" + (dir / "platterly").string() + "\n"),
              std::string::npos);

    globals::BootApplication = false;
    globals::SaveOptions();
    EXPECT_FALSE(std::filesystem::exists(entry));
    globals::SetExecutableFileForTests({});
}

TEST(SaveOptions, FlacLevelAndAccurateRipChoiceSurviveARestart) {
    TempDir dir;
    TempDir config;
    testsupport::ScopedEnv xdg("XDG_CONFIG_HOME", config.path().string());
    globals::SetExecutableFileForTests(dir / "platterly");
    globals::LoadConfig(dir.path());
    globals::LoadOptions();
    EXPECT_EQ(globals::Rip.flacLevel, 5);
    EXPECT_FALSE(globals::Rip.accurateRip);
    globals::GrabOutputFormat = globals::FormatFlac;
    globals::Rip.flacLevel = 8;
    globals::Rip.accurateRip = true;
    globals::Rip.accurateRipAddress = "http://mirror.example/ar/";
    globals::BootApplication = false;
    globals::SaveOptions();
    globals::Rip = globals::RipOptions{};
    globals::LoadOptions();
    EXPECT_EQ(globals::GrabOutputFormat, globals::FormatFlac);
    EXPECT_EQ(globals::Rip.flacLevel, 8);
    EXPECT_TRUE(globals::Rip.accurateRip);
    EXPECT_EQ(globals::Rip.accurateRipAddress, "http://mirror.example/ar/");
    // A level out of range in a hand-edited file is held to the encoder's range.
    platform::IniFile ini(dir / "options.ini");
    ini.setInteger("Options", "FlacLevel", 42);
    ASSERT_TRUE(ini.save());
    globals::LoadOptions();
    EXPECT_EQ(globals::Rip.flacLevel, 8);
    globals::SetExecutableFileForTests({});
}

TEST(SaveOptions, UnknownServiceRaisesAndSaveSwallowsFailures) {
    EXPECT_THROW(globals::StartServiceIfStopped("NoSuchService"), std::system_error);
    TempDir dir;
    globals::LoadConfig(dir.path());
    globals::OptionsFileName = (dir / "missing-folder" / "options.ini").string();
    EXPECT_NO_THROW(globals::SaveOptions());
}
