#include "preview/TAudioPreview.h"

#include "preview/TfrmAudioPlay.h"

#include "app/LogLines.h"
#include "app/Shell.h"
#include "app/TfrmLog.h"
#include "core/MultiLanguages.h"
#include "core/globals.h"
#include "discengine/Errors.h"
#include "discengine/Volume.h"
#include "engine/DVDEngineBinding.h"
#include "ui/TextFormat.h"

#include <filesystem>

using MultiLanguages::Text;

TAudioPreview::TAudioPreview(app::Shell& shell, QWidget* mainWindow)
    : QObject(mainWindow), shell_(shell), mainWindow_(mainWindow) {}

TAudioPreview::~TAudioPreview() {
    delete current_.data();
}

TfrmAudioPlay* TAudioPreview::Current() const {
    return current_.data();
}

void TAudioPreview::mniRead_PlayClick(int row) {
    if (row < 0 || !shell_.ReadDevice)
        return;
    QPoint place;
    const bool replacing = !current_.isNull();
    if (replacing) {
        place = current_->pos();
        delete current_.data();
    }
    auto* window = new TfrmAudioPlay(
        mainWindow_, [this](const QString& name) { return TrackFileExists(name); },
        [this](const QString& text) { Log(text); });
    current_ = window;
    if (replacing) {
        window->move(place);
    } else {
        // Its designed place: over the main window's upper right part.
        const QRect frame = mainWindow_->frameGeometry();
        window->move(frame.right() - window->width() - 40, frame.top() + 80);
    }
    const std::string description = shell_.ReadDevice->Description();
    const QString letter =
        description.empty() ? QStringLiteral("D") : QString(QChar::fromLatin1(description[0]));
    const QString fileName =
        letter + QStringLiteral(":\\") +
        ui::FormatText(Text(IDS_READCD_AudiTrackTitle), {static_cast<long long>(row + 1)}) +
        QStringLiteral(".cda");
    window->SetTrack(fileName, row + 1);
    window->show();
    window->btnPlayClick();
}

bool TAudioPreview::TrackFileExists(const QString& fileName) const {
    const std::string name = fileName.toStdString();
    if (auto drivePath = discengine::ParseDrivePath(name)) {
        if (!shell_.Engine())
            return false;
        try {
            auto device = shell_.Engine()->FindDevice(drivePath->letter);
            return device && device->Volume()->Exists(drivePath->path);
        } catch (const discengine::EngineError&) {
            return false; // no disc, or one that cannot be read: no such file
        }
    }
    std::error_code ec;
    return std::filesystem::is_regular_file(std::filesystem::path(name), ec);
}

void TAudioPreview::Log(const QString& text) const {
    if (shell_.Log)
        app::AddLogLine(shell_.Log->Memo(), globals::EnableLog, text);
}
