#include "core/MultiLanguages.h"
#include "core/Startup.h"
#include "core/globals.h"
#include "dialogs/TfrmBurnOptions.h"
#include "dialogs/TfrmSettings.h"
#include "platform/SystemPaths.h"
#include "support/TempDir.h"
#include "ui/ScriptedPrompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

using testsupport::TempDir;

class DialogFixture : public ::testing::Test {
protected:
    void SetUp() override {
        core::RunStartup(dir.path());
        globals::AutoPlay = true;
        globals::EnableLog = true;
    }
    TempDir dir;
    ui::ScriptedPrompts prompts;
    ui::ScopedPrompts scope{prompts};
};

TEST_F(DialogFixture, SettingsShowTheTemporaryFoldersFileSystem) {
    TfrmSettings settings;
    const auto space = platform::QueryVolumeSpace(globals::TempDir);
    ASSERT_TRUE(space);
    EXPECT_EQ(settings.findChild<QLabel*>("lblTempDirInfo")->text(),
              QString("The information of %1:").arg(QString::fromStdString(space->mountPoint)));
    EXPECT_TRUE(settings.findChild<QLabel*>("lblTotalSpace")
                    ->text()
                    .contains(QRegularExpression("^Total space: \\d+\\.\\d{3} MB$")));
}

TEST_F(DialogFixture, SettingsOkAndApplyRules) {
    TfrmSettings settings;
    auto* apply = settings.findChild<QPushButton*>("btnApply");
    EXPECT_TRUE(apply->isEnabled());
    settings.findChild<QPushButton*>("btnOk")->click();
    EXPECT_TRUE(prompts.Boxes().empty());

    settings.findChild<QCheckBox*>("chkAutoPlay")->click();
    apply->click();
    EXPECT_FALSE(globals::AutoPlay);
    EXPECT_FALSE(apply->isEnabled());
    ASSERT_EQ(prompts.Boxes().size(), 1u);
    EXPECT_EQ(prompts.Boxes()[0].caption, "Hint");
    EXPECT_EQ(prompts.Boxes()[0].icon, ui::MsgIcon::Information);
    settings.findChild<QCheckBox*>("chkAutoPlay")->click();
    apply->click();
    EXPECT_TRUE(globals::AutoPlay);
    EXPECT_EQ(prompts.Boxes().size(), 1u);

    // A folder that disappeared blocks Apply and OK.
    prompts.AnswerFolder(QString::fromStdString((dir / "gone").string()));
    std::filesystem::create_directories(dir / "gone");
    settings.findChild<QPushButton*>("btnBrowse")->click();
    EXPECT_TRUE(settings.findChild<QLineEdit*>("edtTempDir")->text().endsWith("gone/"));
    std::filesystem::remove(dir / "gone");
    settings.findChild<QCheckBox*>("chkEnableLog")->click();
    settings.findChild<QPushButton*>("btnOk")->click();
    EXPECT_TRUE(globals::EnableLog);
    ASSERT_EQ(prompts.Boxes().size(), 2u);
    EXPECT_EQ(prompts.Boxes()[1].text, MultiLanguages::Text(IDS_SETTINGS_MSG_DirNotExist));
}

TEST_F(DialogFixture, BurnOptionsDefaultsAndVolumeTypes) {
    TfrmBurnOptions options;
    auto checked = [&](const char* name) {
        return options.findChild<QCheckBox*>(name)->isChecked();
    };
    EXPECT_TRUE(checked("chkUseBufferProtect"));
    EXPECT_TRUE(checked("chkAutoVerifyData"));
    for (const char* off : {"chkTestMode", "chkDiscAtOnce", "chkFinalizeDisc", "chkMode2XA",
                            "chkUseFileDate", "chkCacheFileLocal"})
        EXPECT_FALSE(checked(off)) << off;
    EXPECT_EQ(options.findChild<QLineEdit*>("edtVolumeID")->text(), "New Disc");
    auto* types = options.findChild<QComboBox*>("cmbVolumeType");
    ASSERT_EQ(types->count(), 5);
    EXPECT_EQ(types->currentIndex(), 3);
    EXPECT_EQ(types->currentText(), "ISO9660/UDF (DVDVideo) Bridge");
    EXPECT_EQ(types->toolTip(), "ISO9660/UDF (DVDVideo) Bridge");
    EXPECT_EQ(options.FileSystems(), 5);
    const int flags[] = {1, 4, 3, 5, 7};
    for (int i = 0; i < 5; ++i) {
        types->setCurrentIndex(i);
        EXPECT_EQ(options.FileSystems(), flags[i]);
    }
    QStringList seen;
    QObject::connect(&options, &TfrmBurnOptions::VolumeIdChanged,
                     [&](const QString& t) { seen << t; });
    options.findChild<QLineEdit*>("edtVolumeID")->setText("Backup");
    EXPECT_EQ(seen, QStringList{"Backup"});
}

// Each kind of job leaves usable exactly the burn options it reads.
TEST_F(DialogFixture, BurnOptionsFitTheKindOfJob) {
    TfrmBurnOptions options;
    const QStringList all = {"chkUseBufferProtect", "chkTestMode",       "chkDiscAtOnce",
                             "chkFinalizeDisc",     "chkAutoVerifyData", "chkMode2XA",
                             "chkUseFileDate",      "chkCacheFileLocal", "edtVolumeID",
                             "cmbVolumeType"};
    auto enabled = [&] {
        QStringList on;
        for (const QString& name : all)
            if (options.findChild<QWidget*>(name)->isEnabled())
                on << name;
        return on;
    };
    auto* volumeId = options.findChild<QLineEdit*>("edtVolumeID");
    QStringList seen;
    QObject::connect(&options, &TfrmBurnOptions::VolumeIdChanged,
                     [&](const QString& t) { seen << t; });

    options.OptionsForAudioBurn();
    EXPECT_EQ(enabled(), (QStringList{"chkUseBufferProtect", "chkTestMode", "chkDiscAtOnce",
                                      "chkCacheFileLocal"}));
    volumeId->setText("Old");
    options.OptionsForDataBurn();
    EXPECT_EQ(enabled(), all);
    EXPECT_EQ(volumeId->text(), "New Disc");
    options.OptionsForIsoBurn();
    EXPECT_EQ(enabled(), QStringList(all.mid(0, 8)) << "cmbVolumeType");
    EXPECT_EQ(volumeId->text(), "") << "an image brings its own volume ID";
    EXPECT_EQ(seen.last(), "") << "the tree's root follows the emptied ID";

    options.OptionsForImageFromDataDisc(false);
    EXPECT_EQ(enabled(), (QStringList{"chkUseBufferProtect", "chkTestMode", "chkDiscAtOnce",
                                      "chkFinalizeDisc", "chkUseFileDate", "chkCacheFileLocal"}));
    options.OptionsForImageFromDataDisc(true);
    EXPECT_EQ(enabled(), all);
    options.SetVolumeId("Disc Name");
    EXPECT_EQ(seen.last(), "Disc Name");

    options.OptionsForAudioBurn();
    options.OptionsForCopy();
    EXPECT_EQ(enabled(), all.mid(0, 8)) << "a copy keeps the source's volume ID and type";
}
