#include "RipTestSupport.h"

#include "dialogs/GenreList.h"
#include "jobs/CDTextList.h"
#include "jobs/TCDGrabber.h"

#include "discengine/SampleAudioDisc.h"

#include <gtest/gtest.h>

namespace {

struct FakeTarget : cdtext::ICDTextTarget {
    QString album = QStringLiteral("old album"), artist = QStringLiteral("old artist");
    int genre = 12;
    QStringList genreNames;
    std::vector<QString> titles, artists;

    int RowCount() const override { return static_cast<int>(titles.size()); }
    void SetAlbum(const QString& a) override { album = a; }
    void SetArtist(const QString& a) override {
        artist = a;
        for (auto& r : artists)
            r = a;
    }
    QStringList GenreNames() const override { return genreNames; }
    void SelectGenre(int index) override { genre = index; }
    void SetRowTitle(int row, const QString& t) override { titles[row] = t; }
    void SetRowArtist(int row, const QString& a) override { artists[row] = a; }
};

TEST(CDText, FillsTitlesArtistAlbumAndGenreFromTheDisc) {
    SampleDiscFixture disc;
    const auto text = discengine::SampleAudioDiscText();
    FakeTarget target;
    target.genreNames = QStringList{"Blues", "Electronic", "Electronic"};
    target.titles.assign(text.tracks.size() + 1, QStringLiteral("x"));
    target.artists.assign(text.tracks.size() + 1, QStringLiteral("x"));
    TCDDevice device('D');
    ASSERT_TRUE(device.Loaded());
    cdtext::ApplyCDText(device, target);
    EXPECT_EQ(target.album.toStdString(), text.album);
    EXPECT_EQ(target.artist.toStdString(), text.performer);
    EXPECT_EQ(target.genre, 1) << "the first exact match";
    for (std::size_t i = 0; i < text.tracks.size(); ++i) {
        EXPECT_EQ(target.titles[i].toStdString(), text.tracks[i].title);
        EXPECT_EQ(target.artists[i].toStdString(), text.tracks[i].performer);
    }
    // A row beyond the disc's tracks has no text: "TrackNN" and an empty artist.
    EXPECT_EQ(target.titles.back(), rip::DefaultTrackTitle(static_cast<int>(target.titles.size())));
    EXPECT_EQ(target.artists.back(), "");
}

TEST(CDText, AGenreSpelledDifferentlyLeavesTheSelection) {
    EXPECT_EQ(cdtext::GenreIndexFor(genres::GenreNames(), "Pop-Folk"), 53);
    EXPECT_EQ(cdtext::GenreIndexFor(genres::GenreNames(), "pop-folk"), -1);
    EXPECT_EQ(cdtext::GenreIndexFor(genres::GenreNames(), "Electronic"), 52);
}

TEST(CDText, ADriveWithoutDiscEmptiesAlbumAndArtistAndNamesTracks) {
    SampleDiscFixture disc;
    FakeTarget target;
    target.genreNames = genres::GenreNames();
    target.titles.assign(2, QStringLiteral("x"));
    target.artists.assign(2, QStringLiteral("x"));
    TCDDevice device('Q');
    ASSERT_TRUE(device.Loaded());
    cdtext::ApplyCDText(device, target);
    EXPECT_EQ(target.album, "");
    EXPECT_EQ(target.artist, "");
    EXPECT_EQ(target.genre, 12);
    EXPECT_EQ(target.titles[0], "Track01");
    EXPECT_EQ(target.titles[1], "Track02");
}

} // namespace
