#include "core/globals.h"
#include "dialogs/GenreList.h"
#include "dialogs/TfrmMp3ID3V2.h"
#include "dialogs/TfrmRipOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class RipOptionsDialog : public ::testing::Test {
protected:
    void SetUp() override {
        globals::Rip = globals::RipOptions{};
        globals::GrabOutputFormat = globals::FormatMp3;
        globals::TempDir = "/tmp/DubrixTemp/";
    }
};

TEST_F(RipOptionsDialog, LoadsTablesGenresAndStartValues) {
    TfrmRipOptions d;
    EXPECT_EQ(d.windowTitle(), "Grab Options...");
    EXPECT_TRUE(d.btnMp3->isChecked());
    ASSERT_EQ(d.cmbGenre->count(), 148);
    EXPECT_EQ(d.cmbGenre->currentIndex(), 12);
    EXPECT_EQ(d.cmbGenre->currentText(), "Other");
    const QStringList& g = genres::GenreNames();
    EXPECT_EQ(g[0], "Blues");
    EXPECT_EQ(g[40], "Alt. Rock");
    EXPECT_EQ(g[59], "Gangsta Rap");
    EXPECT_EQ(g[67], "Psychedelic");
    EXPECT_EQ(g[81], "Folk/Rock");
    EXPECT_EQ(g[84], "Fast-Fusion");
    EXPECT_EQ(g[123], "A Cappella");
    EXPECT_EQ(g[147], "Synthpop");
    EXPECT_EQ(d.cmbBitrate->count(), 14);
    EXPECT_EQ(d.cmbBitrate->currentText(), "192");
    EXPECT_EQ(d.cmbVBRMaxBitrate->currentText(), "320");
    EXPECT_EQ(d.cmbVBRQuality->currentText(), "5");
    EXPECT_EQ(d.cmbVBRBitrate->currentText(), "128");
    EXPECT_EQ(d.cmbMpegQuality->currentText(), "High");
    EXPECT_EQ(d.edtOutputPath->text(), "/tmp/DubrixTemp/");
    EXPECT_EQ(d.edtYear->text(), QString::number(QDate::currentDate().year()));
    EXPECT_TRUE(d.chkEnableID3->isChecked());
    EXPECT_FALSE(d.chkWriteID3V2->isChecked());
    EXPECT_FALSE(d.btnAdvance->isEnabled());
}

TEST_F(RipOptionsDialog, Id3SwitchesEnableEachOther) {
    TfrmRipOptions d;
    QTest::mouseClick(d.chkWriteID3V2, Qt::LeftButton);
    EXPECT_TRUE(d.btnAdvance->isEnabled());
    QTest::mouseClick(d.chkEnableID3, Qt::LeftButton);
    EXPECT_FALSE(d.chkWriteID3V2->isEnabled());
    EXPECT_TRUE(d.chkWriteID3V2->isChecked()) << "disabled, not unticked";
    EXPECT_FALSE(d.btnAdvance->isEnabled());
    d.btnOkClick();
    EXPECT_TRUE(globals::Rip.writeId3v2) << "stored while disabled";
    EXPECT_FALSE(globals::Rip.enableId3);
}

TEST_F(RipOptionsDialog, CancelKeepsTheValuesButTheControlsKeepTheChoice) {
    TfrmRipOptions d;
    d.cmbBitrate->setCurrentIndex(3);
    d.edtGenre->setText("Ambient");
    QTest::mouseClick(d.btnCancel, Qt::LeftButton);
    EXPECT_EQ(globals::Rip.bitrateIndex, 10);
    EXPECT_EQ(globals::Rip.oggGenre, "");
    EXPECT_EQ(d.cmbBitrate->currentIndex(), 3);
    QTest::mouseClick(d.btnOk, Qt::LeftButton);
    EXPECT_EQ(globals::Rip.bitrateIndex, 3);
    EXPECT_EQ(globals::Rip.oggGenre, "Ambient");
    EXPECT_EQ(globals::GrabOutputFormat, globals::FormatMp3);
}

TEST_F(RipOptionsDialog, AnUnknownStoredFormatSelectsNothingAndOkStoresOgg) {
    globals::GrabOutputFormat = 7;
    TfrmRipOptions d;
    for (auto* b : {d.btnWav, d.btnRaw, d.btnMp3, d.btnOgg, d.btnFlac})
        EXPECT_FALSE(b->isChecked());
    d.btnOkClick();
    EXPECT_EQ(globals::GrabOutputFormat, globals::FormatOgg);
}

TEST_F(RipOptionsDialog, FlacAndTheAccurateRipSwitchAreChosenByName) {
    globals::GrabOutputFormat = globals::FormatFlac;
    globals::Rip.flacLevel = 7;
    TfrmRipOptions d;
    auto* flac = d.findChild<QRadioButton*>("btnFlac");
    auto* level = d.findChild<QComboBox*>("cmbFlacLevel");
    auto* accurateRip = d.findChild<QCheckBox*>("chkAccurateRip");
    auto* address = d.findChild<QLineEdit*>("edtAccurateRipAddress");
    ASSERT_TRUE(flac && level && accurateRip && address);
    EXPECT_TRUE(flac->isChecked());
    EXPECT_FALSE(d.btnOgg->isChecked());
    EXPECT_EQ(flac->text(), "FLAC");
    EXPECT_EQ(level->count(), 9);
    EXPECT_EQ(level->currentText(), "7");
    EXPECT_FALSE(accurateRip->isChecked()) << "no network use unless the user allows it";
    EXPECT_EQ(address->text(), globals::DefaultAccurateRipAddress);

    level->setCurrentIndex(2);
    QTest::mouseClick(accurateRip, Qt::LeftButton);
    address->setText("  ");
    QTest::mouseClick(d.btnOk, Qt::LeftButton);
    EXPECT_EQ(globals::GrabOutputFormat, globals::FormatFlac);
    EXPECT_EQ(globals::Rip.flacLevel, 2);
    EXPECT_TRUE(globals::Rip.accurateRip);
    EXPECT_EQ(globals::Rip.accurateRipAddress, globals::DefaultAccurateRipAddress)
        << "an emptied address falls back to the database's";

    address->setText("http://127.0.0.1:8080/ar/");
    d.btnMp3->click();
    QTest::mouseClick(d.btnOk, Qt::LeftButton);
    EXPECT_EQ(globals::GrabOutputFormat, globals::FormatMp3);
    EXPECT_EQ(globals::Rip.accurateRipAddress, "http://127.0.0.1:8080/ar/");
}

TEST_F(RipOptionsDialog, ArtistTypingReachesEveryKeystroke) {
    TfrmRipOptions d;
    QStringList seen;
    QObject::connect(&d, &TfrmRipOptions::edtArtistChange, [&](const QString& a) { seen << a; });
    QTest::keyClicks(d.edtArtist, "AB");
    EXPECT_EQ(seen, (QStringList{"A", "AB"}));
    QTest::keyClicks(d.edtYear, "x");
    EXPECT_EQ(d.edtYear->text().size(), 4) << "numeric, four characters";
}

TEST(Id3v2FramesDialog, LinesArePaddedAndStoredOnAnyClose) {
    globals::Rip.id3v2Frames = {{"OLD ", "kept"}};
    {
        TfrmMp3ID3V2 d;
        EXPECT_EQ(d.windowTitle(), "ID3V2");
        d.edtFccValue->setText("  ");
        d.edtFccText->setText("x");
        d.btnAddClick();
        d.edtFccValue->setText("TIT2");
        d.edtFccText->setText("   ");
        d.btnAddClick();
        EXPECT_TRUE(d.txtID3V2->toPlainText().isEmpty());
        d.reject(); // nothing added: the old frames stay
    }
    ASSERT_EQ(globals::Rip.id3v2Frames.size(), 1u);
    EXPECT_EQ(globals::Rip.id3v2Frames[0].value, "kept");

    TfrmMp3ID3V2 d;
    d.edtFccValue->setText("TIT2");
    d.edtFccText->setText("Live");
    d.btnAddClick();
    d.edtFccValue->setText("TXX");
    d.edtFccText->setText("abc");
    d.btnAddClick();
    EXPECT_EQ(d.txtID3V2->toPlainText(), "TIT2:Live\nTXX :abc");
    EXPECT_EQ(d.edtFccText->text(), "abc") << "the fields keep their text";
    QTest::mouseClick(d.btnCancel, Qt::LeftButton);
    ASSERT_EQ(globals::Rip.id3v2Frames.size(), 2u);
    EXPECT_EQ(globals::Rip.id3v2Frames[0].fourCC, "TIT2");
    EXPECT_EQ(globals::Rip.id3v2Frames[0].value, "Live");
    EXPECT_EQ(globals::Rip.id3v2Frames[1].fourCC, "TXX ");
    EXPECT_EQ(globals::Rip.id3v2Frames[1].value, "abc");
}

} // namespace
