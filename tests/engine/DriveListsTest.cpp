// Drive lists, the writer position rule, the write-speed family and the tray commands.
#include "TestStore.h"

#include "core/MultiLanguages.h"
#include "engine/DVDEngineBinding.h"
#include "engine/DiscReport.h"
#include "engine/DriveLists.h"

#include "discengine/Disc.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <gtest/gtest.h>

namespace de = discengine;

namespace {

QStringList Texts(const QComboBox& list) {
    QStringList texts;
    for (int i = 0; i < list.count(); ++i)
        texts << list.itemText(i);
    return texts;
}

QList<int> Tags(const QComboBox& list) {
    QList<int> tags;
    for (int i = 0; i < list.count(); ++i)
        tags << list.itemData(i).toInt();
    return tags;
}

class DriveListsTest : public ::testing::Test {
protected:
    void SetUp() override { MultiLanguages::ResetToEnglish(); }
    TestStore store;
};

TEST_F(DriveListsTest, EngineWithoutDrivesLeavesBothListsEmptyAndUnselected) {
    auto engine = store.MakeEngine();
    QComboBox all, writers;
    all.addItem("stale");
    writers.addItem("stale");
    EXPECT_FALSE(FillDeviceList(*engine, &all));
    EXPECT_FALSE(FillWriterList(*engine, &writers));
    EXPECT_EQ(all.count(), 0);
    EXPECT_EQ(writers.count(), 0);
    EXPECT_EQ(all.currentIndex(), -1);
    EXPECT_EQ(writers.currentIndex(), -1);
    EXPECT_EQ(SelectedWriter(*engine, &writers), nullptr);
    EXPECT_EQ(SelectedDrive(*engine, &all), nullptr);
}

TEST_F(DriveListsTest, WriterListHoldsOnlyWritersAndPositionsMapThroughTheWriterRule) {
    store.AddReader("1");
    store.AddWriter("2");
    store.AddWriter("3");
    auto engine = store.MakeEngine();

    QComboBox all;
    ASSERT_TRUE(FillDeviceList(*engine, &all));
    ASSERT_EQ(all.count(), 3);
    EXPECT_EQ(all.currentIndex(), 0);
    for (int i = 0; i < 3; ++i) {
        auto drive = engine->Device(i);
        EXPECT_EQ(all.itemText(i).toStdString(), drive->Description());
        EXPECT_EQ(all.itemData(i).toString().toStdString(), drive->DeviceId());
    }
    // The description begins with the letter the Read CD page takes for CD-Text.
    EXPECT_TRUE(all.itemText(0).startsWith("D: "));

    QComboBox writers;
    ASSERT_TRUE(FillWriterList(*engine, &writers));
    ASSERT_EQ(writers.count(), 2);
    EXPECT_EQ(writers.currentIndex(), 0);
    EXPECT_TRUE(writers.itemText(0).startsWith("E: "));
    EXPECT_TRUE(writers.itemText(1).startsWith("F: "));

    EXPECT_EQ(SelectedWriter(*engine, &writers)->Index(), 1);
    writers.setCurrentIndex(1);
    auto writeDevice = SelectedWriter(*engine, &writers);
    ASSERT_NE(writeDevice, nullptr);
    EXPECT_EQ(writeDevice->Index(), 2);
    EXPECT_EQ(writeDevice->DriveLetter(), 'F');
    EXPECT_EQ(WriterAtPosition(*engine, 2), nullptr);
    EXPECT_EQ(WriterAtPosition(*engine, -1), nullptr);

    all.setCurrentIndex(2);
    EXPECT_EQ(SelectedDrive(*engine, &all)->DriveLetter(), 'F');
}

TEST_F(DriveListsTest, ReadersOnlyGiveAnEmptyWriterList) {
    store.AddReader("1");
    auto engine = store.MakeEngine();
    QComboBox all, writers;
    EXPECT_TRUE(FillDeviceList(*engine, &all));
    EXPECT_FALSE(FillWriterList(*engine, &writers));
    EXPECT_EQ(writers.currentIndex(), -1);
    EXPECT_EQ(SelectedWriter(*engine, &writers), nullptr);
}

TEST_F(DriveListsTest, FourSpeedsGiveFourEntriesInEngineOrderForEveryPage) {
    store.AddWriter("1");
    store.Store().InsertBlank('D', de::kMediaCDR);
    auto engine = store.MakeEngine();
    auto drive = engine->Device(0);

    QComboBox copy, burn, erase;
    FillWriteSpeedList(*drive, &copy, MultiLanguages::Text(IDS_WRITECD_COMBOX_WriteSpeed_Speed),
                       MultiLanguages::Text(IDS_WRITECD_COMBOX_WriteSpeed_Max));
    FillSpeedList(*drive, &burn, SpeedListKind::BurnCD);
    FillSpeedList(*drive, &erase, SpeedListKind::EraseDisc);

    const QList<int> speeds{7056, 5292, 3528, 1764};
    // 1x of CD is 176 KB/s: 7056 KB/s is 40.09x.
    const QStringList factors{"40.1 x", "30.1 x", "20.0 x", "10.0 x"};
    EXPECT_EQ(Texts(copy), factors);
    EXPECT_EQ(Texts(burn), factors);
    EXPECT_EQ(Texts(erase), (QStringList{"7056 KB/s", "5292 KB/s", "3528 KB/s", "1764 KB/s"}));
    for (QComboBox* list : {&copy, &burn, &erase}) {
        EXPECT_EQ(Tags(*list), speeds);
        EXPECT_EQ(list->currentIndex(), 0);
        EXPECT_EQ(SelectedSpeed(list), 7056);
    }
}

TEST_F(DriveListsTest, NoSpeedsGiveOneMaxEntryTaggedPerPage) {
    store.AddWriter("1");
    store.Store().RemoveMedium('D'); // no writable medium: the drive reports no speeds
    auto engine = store.MakeEngine();
    auto drive = engine->Device(0);
    ASSERT_EQ(drive->WriteSpeedCount(), 0);

    QComboBox copy, burn, erase;
    copy.addItem("stale", 1);
    FillSpeedList(*drive, &copy, SpeedListKind::CopyCD);
    FillSpeedList(*drive, &burn, SpeedListKind::BurnCD);
    FillSpeedList(*drive, &erase, SpeedListKind::EraseDisc);
    for (QComboBox* list : {&copy, &burn, &erase}) {
        EXPECT_EQ(Texts(*list), QStringList{"Max"});
        EXPECT_EQ(list->currentIndex(), 0);
    }
    EXPECT_EQ(SelectedSpeed(&copy), 7056); // the drive's MaxWriteSpeed
    EXPECT_EQ(SelectedSpeed(&burn), 0);
    EXPECT_EQ(SelectedSpeed(&erase), 0);
}

TEST_F(DriveListsTest, SpeedListFollowsTheMediumFamily) {
    store.AddWriter("1");
    store.Store().InsertBlank('D', de::kMediaDVDR);
    auto engine = store.MakeEngine();
    QComboBox burn;
    FillSpeedList(*engine->Device(0), &burn, SpeedListKind::BurnCD);
    // DVD 1x is 1385 KB/s.
    EXPECT_EQ(Texts(burn), (QStringList{"8.0 x", "4.0 x"}));
    EXPECT_EQ(Tags(burn), (QList<int>{11080, 5540}));
}

TEST_F(DriveListsTest, EjectAndCloseTrayChangeWhatTheReportShows) {
    store.AddReader("1");
    store.LoadMedium('D', TestStore::PressedAudioCD(2, 150));
    TDVDEngineX engine(store.MakeEngine());
    QComboBox all;
    ASSERT_TRUE(FillDeviceList(engine, &all));
    auto readDevice = SelectedDrive(engine, &all);
    ASSERT_NE(readDevice, nullptr);

    QPlainTextEdit memo;
    EjectTray(*readDevice);
    WriteSourceReport(*readDevice, &memo);
    EXPECT_TRUE(memo.toPlainText().contains("Media Type: No Media"));

    CloseTray(*readDevice);
    WriteSourceReport(*readDevice, &memo);
    EXPECT_TRUE(memo.toPlainText().contains("Media Type: CD-ROM"));
    EXPECT_FALSE(memo.toPlainText().contains("No Media"));
}

TEST_F(DriveListsTest, DriveRemovedFromTheStoreAfterTheFillIsNotTakenForAnother) {
    store.AddWriter("1");
    auto engine = store.MakeEngine();
    QComboBox writers;
    ASSERT_TRUE(FillWriterList(*engine, &writers));
    writers.addItem("a position the engine no longer has");
    writers.setCurrentIndex(1);
    EXPECT_EQ(SelectedWriter(*engine, &writers), nullptr);
}

} // namespace
