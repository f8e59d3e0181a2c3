// The rip phase of an audio copy: every track of the source into a WAV file of the job's
// private folder, then those files and the source's CD-Text into the audio image.
#include "jobs/CDTextList.h"
#include "jobs/DiscCopy.h"
#include "jobs/RipJob.h"
#include "jobs/TCDGrabber.h"

#include "core/MultiLanguages.h"
#include "ui/TextFormat.h"

#include <cmath>

namespace fs = std::filesystem;
using MultiLanguages::Text;

namespace jobs {

bool DiscCopy::RipTracksToFiles() {
    grabber_.SetCDLetter(source_->DriveLetter());
    const std::int32_t n = source_->AudioTrackList()->Count();
    GrabCancelled = false;
    ripping_ = false;
    rip::RipJobSettings rip;
    rip.grabOutputFormat = globals::FormatWav;
    rip.replaceExisting = true;
    rip.pollInterval = settings_.pollInterval;
    for (std::int32_t i = 0; i < n; ++i) {
        if (GrabCancelled)
            return false;
        GrabFinished = false;
        host_.ShowStatus(ui::FormatText(Text(IDS_READCD_LABEL_Status_GrabTracks),
                                        {static_cast<long long>(i + 1)}));
        ripping_ = true;
        rip::TrackRip track;
        track.trackIndex = i;
        const fs::path path = folder_->Path() / CopyTrackFileName(i + 1);
        track.outputPath = path.string();
        rip::RipTurns turns;
        turns.progress = [&](int percent) {
            host_.SetProgress(static_cast<int>(
                std::floor((i * 100.0 + percent) / (static_cast<double>(n) * 100.0) * 100.0)));
        };
        turns.events = [&] { host_.ProcessEvents(); };
        const rip::TrackOutcome outcome = rip::RipTrack(grabber_, rip, track, turns);
        ripping_ = false;
        // Whatever ended the track, its file may exist now and is the job's to delete.
        tempTrackFiles_.push_back(path);
        if (outcome != rip::TrackOutcome::Success) {
            // The library stops (and removes the track's file) before the job goes on: a
            // cancel that came before the track started has aborted nothing yet.
            grabber_.AbortRip();
            return false;
        }
    }
    ripping_ = false;
    return true;
}

bool DiscCopy::InsertTrackFiles() {
    audio_->ClearTracks();
    for (std::size_t i = 0; i < tempTrackFiles_.size(); ++i) {
        const auto position = static_cast<std::int32_t>(i + 1);
        if (!audio_->InsertTrack(tempTrackFiles_[i], position)) {
            host_.ErrorBox(ui::FormatText(Text(IDS_COPYCD_MSG_CannotInsertImageTrack),
                                          {static_cast<long long>(position)}));
            return false;
        }
    }
    return true;
}

// The copy carries the source's album, performers and titles. The image's copy mode writes no
// CD-Text at all, so it is used only for a source without any: then the copy has none either
// (rather than titles made of the temporary files' names).
void DiscCopy::CopyCDText() {
    const auto device =
        settings_.grabberLibrary.empty()
            ? std::make_unique<TCDDevice>(source_->DriveLetter())
            : std::make_unique<TCDDevice>(source_->DriveLetter(), settings_.grabberLibrary);
    sourceHasCDText_ = false;
    auto text = [&](int track, int kind) {
        std::string found = device->Loaded() ? device->GetCDText(track, kind) : std::string();
        sourceHasCDText_ = sourceHasCDText_ || !found.empty();
        return found;
    };
    audio_->SetDiscText(text(0, cdtext::KindTitle), text(0, cdtext::KindPerformer));
    for (std::int32_t i = 1; i <= audio_->TrackCount(); ++i)
        audio_->SetTrackText(i, text(i, cdtext::KindTitle), text(i, cdtext::KindPerformer));
}

} // namespace jobs
