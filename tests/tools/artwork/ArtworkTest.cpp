#include "support/TempDir.h"

#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QString>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;
using testsupport::TempDir;

namespace {

struct ToolRun {
    int exitCode = -1;
    QString errors;
};

ToolRun Generate(const QStringList& arguments) {
    QProcess tool;
    tool.start(QStringLiteral(PLATTERLY_ARTWORK_TOOL), arguments);
    ToolRun run;
    if (!tool.waitForFinished(120000) || tool.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = tool.exitCode();
    run.errors = QString::fromLocal8Bit(tool.readAllStandardError());
    return run;
}

QImage Load(const fs::path& file) {
    QImageReader reader(QString::fromStdString(file.string()));
    EXPECT_EQ(reader.format(), "png") << file;
    return reader.read().convertToFormat(QImage::Format_ARGB32);
}

bool FullyOpaque(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 255)
                return false;
    return true;
}

// What the main window, the about box and the splash window load from the skins folder.
const char* const kNavigationIcons[] = {"Home",        "ReadCD", "WriteCD", "CopyCD", "EraseDisc",
                                        "General",     "Rip",    "Burn",    "Log",    "HelpContent",
                                        "Information", "Online", "Support", "Update"};

} // namespace

TEST(Artwork, DrawsEveryPictureAtTheSizeItIsShown) {
    TempDir dir;
    const fs::path skins = dir / "bundle" / "skins";
    const ToolRun run = Generate({QString::fromStdString(skins.string())});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();

    // The splash and the title strip are whole pictures: no see-through pixel on a desktop
    // without compositing, where it would show black.
    const QImage splash = Load(skins / "Splash.png");
    EXPECT_EQ(splash.size(), QSize(480, 300));
    EXPECT_TRUE(FullyOpaque(splash));
    const QImage title = Load(skins / "Title.png");
    EXPECT_EQ(title.size(), QSize(531, 41));
    EXPECT_TRUE(FullyOpaque(title));

    // The mark has round corners: clear outside, solid inside (the hole shows the tile).
    for (const auto& [name, pixels] : {std::pair{"About.png", 128}, {"Platterly.png", 256}}) {
        const QImage mark = Load(skins / name);
        EXPECT_EQ(mark.size(), QSize(pixels, pixels)) << name;
        EXPECT_EQ(qAlpha(mark.pixel(0, 0)), 0) << name;
        EXPECT_EQ(qAlpha(mark.pixel(pixels / 2, pixels / 2)), 255) << name;
    }

    for (const char* name : kNavigationIcons) {
        for (const auto& [suffix, pixels] : {std::pair{".png", 48}, {"-24.png", 24}}) {
            const fs::path file = skins / "nav" / (std::string(name) + suffix);
            const QImage icon = Load(file);
            EXPECT_EQ(icon.size(), QSize(pixels, pixels)) << file;
            EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0) << file;
            EXPECT_EQ(qAlpha(icon.pixel(pixels - 1, pixels - 1)), 0) << file;
            // The tile is solid all the way round its glyph.
            EXPECT_EQ(qAlpha(icon.pixel(pixels / 2, pixels / 12 + 1)), 255) << file;
            EXPECT_EQ(qAlpha(icon.pixel(pixels / 12 + 1, pixels / 2)), 255) << file;
        }
    }
}

TEST(Artwork, TheIconsOfTheBarDifferFromEachOther) {
    TempDir dir;
    ASSERT_EQ(Generate({QString::fromStdString(dir.path().string())}).exitCode, 0);
    std::vector<QImage> icons;
    for (const char* name : kNavigationIcons)
        icons.push_back(Load(dir / "nav" / (std::string(name) + "-24.png")));
    for (std::size_t a = 0; a < icons.size(); ++a)
        for (std::size_t b = a + 1; b < icons.size(); ++b)
            EXPECT_NE(icons[a], icons[b]) << kNavigationIcons[a] << " and " << kNavigationIcons[b];
}

TEST(Artwork, AnUnwritableFolderFailsTheBuildStep) {
    TempDir dir;
    testsupport::writeFile(dir / "skins", "a file where the folder should be");
    const ToolRun blocked = Generate({QString::fromStdString((dir / "skins").string())});
    EXPECT_EQ(blocked.exitCode, 1);
    EXPECT_TRUE(blocked.errors.contains(QStringLiteral("cannot create")))
        << blocked.errors.toStdString();
    EXPECT_EQ(testsupport::readFile(dir / "skins"), "a file where the folder should be");
    EXPECT_EQ(Generate({}).exitCode, 2);
}

// A folder that exists but takes no files: every picture is reported, none is left half done.
TEST(Artwork, AFolderThatTakesNoFilesFailsWithEveryPictureNamed) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into a read-only folder";
    TempDir dir;
    fs::create_directories(dir / "locked" / "nav");
    fs::permissions(dir / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    fs::permissions(dir / "locked" / "nav", fs::perms::owner_read | fs::perms::owner_exec);
    const ToolRun locked = Generate({QString::fromStdString((dir / "locked").string())});
    fs::permissions(dir / "locked", fs::perms::owner_all);
    fs::permissions(dir / "locked" / "nav", fs::perms::owner_all);
    EXPECT_EQ(locked.exitCode, 1);
    EXPECT_TRUE(locked.errors.contains(QStringLiteral("Splash.png")));
    EXPECT_TRUE(fs::is_empty(dir / "locked" / "nav"));
}
