// The copy job's start checks, the destination check, the three copies and their ends. The rip
// phase of an audio copy is in CopyRip.cpp.
#include "jobs/DiscCopy.h"

#include "core/MultiLanguages.h"
#include "discengine/Disc.h"
#include "discengine/Errors.h"
#include "discengine/Volume.h"
#include "jobs/AudioImageJob.h"
#include "jobs/DataLayout.h"
#include "jobs/TCDGrabber.h"
#include "ui/TextFormat.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace fs = std::filesystem;
using MultiLanguages::Text;

namespace jobs {

namespace {

constexpr std::int32_t kWriteKindDisc = 1;
constexpr std::int32_t kAudioDiscAtOnce = 232;
constexpr std::int32_t kDataDiscAtOnce = 248;
constexpr std::int32_t kTrackAtOnce = 2;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

CopyTempFolder::CopyTempFolder(const fs::path& parent) {
    std::error_code ec;
    const fs::path base = parent.empty() ? fs::temp_directory_path(ec) : parent;
    fs::create_directories(base, ec);
    std::string pattern = (base / "platterly-copy-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw JobError("Cannot make a temporary folder in " + base.string() + ": " +
                       std::strerror(errno));
    path_ = pattern;
}

void CopyTempFolder::RemoveIfEmpty() const {
    std::error_code ec;
    if (fs::is_empty(path_, ec) && !ec)
        fs::remove(path_, ec);
}

std::string CopyTrackFileName(int trackNumber) {
    return ui::FormatText(Text(IDS_COPYCD_GabOutput_FileName),
                          {static_cast<long long>(trackNumber)})
               .toStdString() +
           ".wav";
}

std::string CopyImageFileName() {
    return Text(IDS_COPYCD_SAVEFILE_DefaultName).toStdString();
}

DiscCopy::DiscCopy(ICopyHost& host, TCDGrabber& grabber) : host_(host), grabber_(grabber) {}

DiscCopy::~DiscCopy() = default;

void DiscCopy::SetDrives(std::shared_ptr<discengine::IDeviceX> source,
                         std::shared_ptr<discengine::IDeviceX> destination) {
    source_ = std::move(source);
    destination_ = std::move(destination);
}

void DiscCopy::SetImages(std::shared_ptr<discengine::IAudioCDImageX> audio,
                         std::shared_ptr<discengine::IDataImageX> data) {
    audio_ = std::move(audio);
    data_ = std::move(data);
}

bool DiscCopy::SameDrive() const {
    return source_ && destination_ && source_->Description() == destination_->Description();
}

bool DiscCopy::CheckSource() {
    if (source_->DiscInfo()->MediaType() == discengine::kMediaNone) {
        host_.ErrorBox(Text(IDS_COPYCD_MSG_InsertSoureDisc));
        source_->Eject();
        return false;
    }
    if (source_->UsedBlocks(true) <= 0) {
        host_.ErrorBox(Text(IDS_COPYCD_MSG_EmptyDisc));
        source_->Eject();
        return false;
    }
    sourceUsedMB_ = host_.UsedMB(*source_);
    return true;
}

void DiscCopy::MakeTempFolder() {
    folder_ = std::make_unique<CopyTempFolder>(settings_.tempDir);
    copyImagePath_ = folder_->Path() / CopyImageFileName();
}

void DiscCopy::DeleteTempTrackFiles() {
    std::error_code ec;
    for (const fs::path& file : tempTrackFiles_)
        fs::remove(file, ec);
    tempTrackFiles_.clear();
    if (folder_)
        folder_->RemoveIfEmpty();
}

void DiscCopy::DeleteCopyImage() {
    std::error_code ec;
    if (!copyImagePath_.empty())
        fs::remove(copyImagePath_, ec);
    if (folder_)
        folder_->RemoveIfEmpty();
}

// Each failing step gives the user one chance: the tray opens, the box waits, the tray closes
// and the disc is looked at again.
bool DiscCopy::CheckDestination(bool reenable) {
    auto& drive = *destination_;
    auto retry = [&](LangId message) {
        drive.Eject();
        host_.ErrorBox(Text(message));
        drive.CloseTray();
        drive.Refresh(true);
    };
    if (drive.DiscInfo()->MediaType() == discengine::kMediaNone) {
        retry(IDS_COPYCD_MSG_InsertDesDisc);
        if (drive.DiscInfo()->MediaType() == discengine::kMediaNone)
            return false;
        if (reenable)
            host_.SetIdle(true);
    }
    if (drive.UsedBlocks(true) != 0) {
        retry(IDS_COPYCD_MSG_NonemptyDisc);
        if (drive.UsedBlocks(true) != 0)
            return false;
        if (reenable)
            host_.SetIdle(true);
    }
    if (host_.FreeMB(drive) >= sourceUsedMB_)
        return true;
    retry(IDS_COPYCD_MSG_DiscSpaceNotEnough);
    if (host_.FreeMB(drive) < sourceUsedMB_)
        return false;
    if (reenable)
        host_.SetIdle(true);
    return true;
}

bool DiscCopy::DestinationLoop() {
    for (;;) {
        const bool ok = CheckDestination(true);
        if (!ok && !host_.AskOkCancel(Text(IDS_CopyCD_MSG_PleaseCheckWriteDevice)))
            return false;
        destination_->CloseTray();
        destination_->Refresh(true);
        if (ok)
            return true;
    }
}

void DiscCopy::ApplyAudioSettings() {
    auto& image = *audio_;
    image.SetWriteKind(kWriteKindDisc);
    image.SetWriteSpeed(settings_.writeSpeed);
    image.SetCacheFiles(false);
    image.SetTestMode(settings_.testMode && destination_->Supports(discengine::kCapTestWrite));
    image.SetBufferProtect(settings_.bufferProtect &&
                           destination_->Supports(discengine::kCapBufferProtect));
    image.SetCopyMode(!sourceHasCDText_);
    image.SetWriteMode(settings_.discAtOnce ? kAudioDiscAtOnce : kTrackAtOnce);
}

bool DiscCopy::StartAudioCopy(const CopySettings& settings) {
    settings_ = settings;
    kind_ = CopyKind::Audio;
    tempTrackFiles_.clear();
    auto fail = [&](const QString& message) {
        host_.ShowProgress(false);
        if (!message.isEmpty())
            host_.ErrorBox(message);
        host_.SetIdle(true);
        DeleteTempTrackFiles();
        kind_ = CopyKind::None;
        return false;
    };
    try {
        MakeTempFolder();
        host_.SetIdle(false);
        host_.ShowProgress(true);
        ripPhase_ = true;
        const bool ripped = RipTracksToFiles();
        ripPhase_ = false;
        if (!ripped)
            return fail(GrabCancelled ? Text(IDS_LABEL_Status_WriteCancelled)
                                      : Text(IDS_COPYCD_MSG_GrabError));
        if (!InsertTrackFiles())
            return fail({});
        CopyCDText();
        host_.ShowProgress(false);
        if (SameDrive()) {
            destination_->Eject();
            host_.HintBox(Text(IDS_COPYCD_MSG_InsertNewDisc));
            destination_->CloseTray();
            destination_->Refresh(true);
        }
        if (!DestinationLoop())
            return fail({});
        ApplyAudioSettings();
        if (!audio_->WriteToDevice(destination_))
            return fail(Text(IDS_WRITECD_MSG_CanNotStart));
    } catch (const std::exception& e) {
        // A drive or disc that failed under the job (removed, unreadable) ends it here.
        ripping_ = false;
        ripPhase_ = false;
        return fail(Q(e.what()));
    }
    host_.SetIdle(false);
    host_.ShowProgress(true);
    return true;
}

void DiscCopy::BuildImageFromDisc() {
    auto layout = data_->Layout();
    layout->Clear();
    auto volume = source_->Volume();
    AddDiscTree(*volume, *layout, std::string(1, source_->DriveLetter()), "\\", "");
}

// The label and file systems are taken from the source while it is in the drive; the second
// phase of an image copy finds the blank disc there instead.
void DiscCopy::ApplyCopyImageSettings() {
    auto& image = *data_;
    if (source_->DiscInfo()->MediaType() != discengine::kMediaNone &&
        source_->UsedBlocks(false) > 0) {
        image.Volume()->SetLabel(source_->Volume()->Label());
        image.SetFileSystems(source_->TrackFileSystems(1));
    }
    image.SetWriteKind(kWriteKindDisc);
    image.SetWriteSpeed(settings_.writeSpeed);
    image.SetCacheFiles(false);
    image.SetAutoVerify(settings_.autoVerify);
    image.SetTestMode(settings_.testMode && destination_->Supports(discengine::kCapTestWrite));
    image.SetFinalize(true);
    image.SetBufferProtect(settings_.bufferProtect &&
                           destination_->Supports(discengine::kCapBufferProtect));
    image.SetWriteMode(settings_.discAtOnce ? kDataDiscAtOnce : kTrackAtOnce);
}

bool DiscCopy::StartImageCopy(const CopySettings& settings) {
    settings_ = settings;
    kind_ = CopyKind::Image;
    imagePhase_ = false;
    try {
        MakeTempFolder();
        BuildImageFromDisc();
        ApplyCopyImageSettings();
        if (data_->WriteToImageFile(copyImagePath_)) {
            host_.SetIdle(false);
            host_.ShowProgress(true);
            imagePhase_ = true;
            return true;
        }
        host_.ErrorBox(Text(IDS_MSG_CannotStartImageWriting));
    } catch (const std::exception& e) {
        host_.ErrorBox(Q(e.what()));
    }
    DeleteCopyImage();
    host_.SetIdle(true);
    kind_ = CopyKind::None;
    return false;
}

bool DiscCopy::ContinueImageCopy() {
    auto fail = [&](const QString& message) {
        host_.ShowProgress(false);
        if (!message.isEmpty())
            host_.ErrorBox(message);
        host_.SetIdle(true);
        DeleteCopyImage();
        kind_ = CopyKind::None;
        return false;
    };
    try {
        if (SameDrive()) {
            destination_->Eject();
            host_.HintBox(Text(IDS_COPYCD_MSG_InsertNewDisc));
            destination_->CloseTray();
            destination_->Refresh(true);
        }
        host_.ShowProgress(false);
        if (!DestinationLoop())
            return fail({});
        ApplyCopyImageSettings();
        if (!data_->WriteImageFileToDevice(copyImagePath_, destination_))
            return fail(Text(IDS_WRITECD_MSG_CanNotStart));
    } catch (const std::exception& e) {
        return fail(Q(e.what()));
    }
    host_.SetIdle(false);
    host_.ShowProgress(true);
    return true;
}

bool DiscCopy::StartOnTheFlyCopy(const CopySettings& settings) {
    settings_ = settings;
    if (SameDrive()) {
        host_.ErrorBox(Text(IDS_COPYCD_MSG_SameDevice));
        return false;
    }
    try {
        if (!CheckDestination(false))
            return false;
        kind_ = CopyKind::OnTheFly;
        imagePhase_ = false;
        BuildImageFromDisc();
        ApplyCopyImageSettings();
        if (data_->WriteToDevice(destination_)) {
            host_.SetIdle(false);
            host_.ShowProgress(true);
            return true;
        }
        host_.ErrorBox(Text(IDS_WRITECD_MSG_CanNotStart));
    } catch (const std::exception& e) {
        host_.ErrorBox(Q(e.what()));
    }
    host_.SetIdle(true);
    kind_ = CopyKind::None;
    return false;
}

void DiscCopy::Cancel() {
    switch (kind_) {
    case CopyKind::Audio:
        // Between two tracks no track is being ripped, yet the rip phase runs: the cancel must
        // stop it all the same, not go to an image that is not being written.
        if (ripPhase_) {
            if (ripping_)
                grabber_.AbortRip();
            GrabCancelled = true;
        } else if (audio_) {
            audio_->Cancel();
        }
        break;
    case CopyKind::Image:
    case CopyKind::OnTheFly:
        if (data_)
            data_->Cancel();
        break;
    case CopyKind::None:
        break;
    }
}

CopyCompletion DiscCopy::WriteCompleted() {
    auto eject = [&] {
        try {
            destination_->Eject();
        } catch (const std::exception&) {
            // The copy itself is done; a tray that does not answer changes nothing.
        }
    };
    switch (kind_) {
    case CopyKind::Audio:
        DeleteTempTrackFiles();
        break;
    case CopyKind::Image:
        if (imagePhase_) {
            imagePhase_ = false;
            host_.ShowStatus(Text(IDS_LABEL_Status_WriteTempImageCompleted));
            return CopyCompletion::SecondPhase;
        }
        DeleteCopyImage();
        eject();
        break;
    case CopyKind::OnTheFly:
        eject();
        break;
    case CopyKind::None:
        break;
    }
    kind_ = CopyKind::None;
    host_.SetIdle(true);
    return CopyCompletion::Finished;
}

// What the write left stays for the user (the track files of an audio copy); a folder the
// engine left empty goes.
void DiscCopy::WriteEnded() {
    host_.SetIdle(true);
    imagePhase_ = false;
    kind_ = CopyKind::None;
    if (folder_)
        folder_->RemoveIfEmpty();
}

} // namespace jobs
