#pragma once

#include "discengine/AudioImage.h"
#include "discengine/DataImage.h"
#include "discengine/Device.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TCDGrabber;

// Copying a disc onto a blank one: an audio CD track by track through temporary WAV files, any
// other disc file by file through a temporary image or straight to the destination. The Copy CD
// page and `platterly-cli copy` are its two front ends; the job talks to them only through
// ICopyHost.
namespace jobs {

// What the job needs from its front end.
class ICopyHost {
public:
    virtual ~ICopyHost() = default;
    virtual void ShowStatus(const QString& text) = 0;
    virtual void SetProgress(int percent) = 0;
    // Lets the front end's events run (a Cancel arrives through them).
    virtual void ProcessEvents() = 0;
    virtual void ErrorBox(const QString& text) = 0;
    virtual void HintBox(const QString& text) = 0;
    // A question with OK and Cancel; true for OK.
    virtual bool AskOkCancel(const QString& text) = 0;
    // The front end's idle switch: false while the job runs.
    virtual void SetIdle(bool idle) = 0;
    virtual void ShowProgress(bool shown) = 0;
    // Used and free size of a drive's disc in MB (the disc report's rounding).
    virtual double UsedMB(discengine::IDeviceX& drive) = 0;
    virtual double FreeMB(discengine::IDeviceX& drive) = 0;
};

// The write settings of one copy.
struct CopySettings {
    std::int32_t writeSpeed = 0; // KB/s
    bool testMode = false;
    bool discAtOnce = false;
    bool bufferProtect = false;
    bool autoVerify = false;
    // The temporary folder; the job makes its own private folder inside it.
    std::filesystem::path tempDir;
    // Interval between two looks at a track being ripped.
    std::chrono::milliseconds pollInterval{100};
    // The grabbing library for the source's CD-Text; empty: the program folder's.
    std::filesystem::path grabberLibrary;
};

enum class CopyKind { None, Audio, Image, OnTheFly };

// What the front end does after the engine reported a completed write.
enum class CopyCompletion {
    Finished,   // the copy is done: the common completion follows
    SecondPhase // the temporary image is ready: start ContinueImageCopy after this event
};

// The private folder of one copy's temporary files. Its name is new for each copy, so no file
// of the user's in the temporary folder is ever replaced or deleted.
class CopyTempFolder {
public:
    // Makes "platterly-copy-XXXXXX" in `parent` (created when missing). Throws JobError.
    explicit CopyTempFolder(const std::filesystem::path& parent);
    const std::filesystem::path& Path() const { return path_; }
    // Removes the folder when nothing is left in it.
    void RemoveIfEmpty() const;

private:
    std::filesystem::path path_;
};

// The temporary file name of track n (from 1): the language table's name + ".wav".
std::string CopyTrackFileName(int trackNumber);
// The temporary image's file name.
std::string CopyImageFileName();

class DiscCopy {
public:
    DiscCopy(ICopyHost& host, TCDGrabber& grabber);
    ~DiscCopy();
    DiscCopy(const DiscCopy&) = delete;
    DiscCopy& operator=(const DiscCopy&) = delete;

    void SetDrives(std::shared_ptr<discengine::IDeviceX> source,
                   std::shared_ptr<discengine::IDeviceX> destination);
    void SetImages(std::shared_ptr<discengine::IAudioCDImageX> audio,
                   std::shared_ptr<discengine::IDataImageX> data);

    // The source must hold a disc with something on it; else its box, the tray opens, false.
    // Notes the source's used size for the destination check.
    bool CheckSource();
    // Both sides are the same drive (the discs are swapped in it).
    bool SameDrive() const;

    // The three copies. True when the engine took the write: its events follow, and the front
    // end hands them on (WriteCompleted, WriteEnded). False: the job ended, with its boxes
    // shown, the front end idle and the temporary files gone.
    bool StartAudioCopy(const CopySettings& settings);
    bool StartImageCopy(const CopySettings& settings);
    bool StartOnTheFlyCopy(const CopySettings& settings);
    // The second phase of an image copy, once the temporary image is complete.
    bool ContinueImageCopy();

    // The destination disc must be present, empty and big enough for the source; each failing
    // step opens the tray, shows its box and closes the tray for one more look.
    bool CheckDestination(bool reenable);

    // Cancel: the rip is aborted while a track is ripped, else the engine's write is cancelled.
    void Cancel();

    // The engine's completed write (status 9).
    CopyCompletion WriteCompleted();
    // A cancelled or failed write: what was written stays for the user.
    void WriteEnded();

    CopyKind Kind() const { return kind_; }
    bool ImagePhase() const { return imagePhase_; }
    bool Ripping() const { return ripping_; }
    bool RipPhase() const { return ripPhase_; }
    double SourceUsedMB() const { return sourceUsedMB_; }
    const std::vector<std::filesystem::path>& TempTrackFiles() const { return tempTrackFiles_; }
    // Empty until a data copy through an image has made its folder.
    const std::filesystem::path& CopyImagePath() const { return copyImagePath_; }
    const QString& LastError() const { return lastError_; }

    // Deletes what this job wrote into its private folder, and the folder once it is empty.
    void DeleteTempTrackFiles();
    void DeleteCopyImage();

private:
    bool RipTracksToFiles();
    bool InsertTrackFiles();
    void CopyCDText();
    bool DestinationLoop();
    void BuildImageFromDisc();
    void ApplyCopyImageSettings();
    void ApplyAudioSettings();
    void MakeTempFolder();
    // Forgets what an earlier copy left behind (its cancelled or failed write's files).
    void DisposeOfEarlierFiles();

    ICopyHost& host_;
    TCDGrabber& grabber_;
    std::shared_ptr<discengine::IDeviceX> source_, destination_;
    std::shared_ptr<discengine::IAudioCDImageX> audio_;
    std::shared_ptr<discengine::IDataImageX> data_;
    CopySettings settings_;
    CopyKind kind_ = CopyKind::None;
    double sourceUsedMB_ = 0;
    bool imagePhase_ = false;
    bool ripping_ = false;
    bool ripPhase_ = false; // from the first track's start to the last track's end
    bool sourceHasCDText_ = false;
    std::unique_ptr<CopyTempFolder> folder_;
    std::vector<std::filesystem::path> tempTrackFiles_;
    std::filesystem::path copyImagePath_;
    QString lastError_;
};

} // namespace jobs
