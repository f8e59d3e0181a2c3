// platterly-artwork: draws the bundle's pictures into a skins folder.
//   platterly-artwork <skins folder>
// Everything is drawn here with QPainter; nothing is read from outside the program.
#include "Glyphs.h"
#include "Icons.h"
#include "Pictures.h"
#include "core/Version.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QSaveFile>
#include <QString>
#include <cstdio>

namespace {

// The main window's title strip and the icon sizes it and the Introduction page use.
constexpr int kTitleWidth = 531;
constexpr int kTitleHeight = 41;
constexpr int kIconLarge = 48;
constexpr int kIconBar = 24;

// Written beside and renamed into place: an interrupted run never leaves half a picture.
bool Save(const QImage& image, const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit()) {
        std::fprintf(stderr, "platterly-artwork: cannot write %s: %s\n", qPrintable(path),
                     qPrintable(file.errorString()));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    // Fonts need a GUI application; no window is ever shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: platterly-artwork <skins folder>\n");
        return 2;
    }
    const QDir skins(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(skins.filePath(QStringLiteral("nav")))) {
        std::fprintf(stderr, "platterly-artwork: cannot create %s\n",
                     qPrintable(skins.filePath(QStringLiteral("nav"))));
        return 1;
    }
    const QString name = QStringLiteral("Platterly");
    bool ok = Save(artwork::RenderSplash(name, QStringLiteral(PLATTERLY_VERSION)),
                   skins.filePath(QStringLiteral("Splash.png")));
    ok = Save(artwork::RenderTitle(name, kTitleWidth, kTitleHeight),
              skins.filePath(QStringLiteral("Title.png"))) &&
         ok;
    ok = Save(artwork::RenderMark(128), skins.filePath(QStringLiteral("About.png"))) && ok;
    ok = Save(artwork::RenderMark(256), skins.filePath(QStringLiteral("Platterly.png"))) && ok;
    for (const artwork::GlyphEntry& glyph : artwork::NavigationGlyphs()) {
        const QString base = skins.filePath(QStringLiteral("nav/") + glyph.name);
        ok = Save(artwork::RenderIcon(glyph, kIconLarge), base + QStringLiteral(".png")) && ok;
        ok = Save(artwork::RenderIcon(glyph, kIconBar), base + QStringLiteral("-24.png")) && ok;
    }
    return ok ? 0 : 1;
}
