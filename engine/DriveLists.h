#pragma once

#include "discengine/Device.h"
#include "discengine/Engine.h"

#include <QString>

#include <cstdint>
#include <memory>

class QComboBox;
class TDVDEngineX;

// The drop-down lists of drives and write speeds, and the tray commands. A drive list entry
// shows the drive's Description and carries its DeviceId as item data; the list position is the
// only way back to the drive. Every function may throw discengine::EngineError when the engine
// fails; a list may then be left partly filled, and the caller reports the error.

// All drives in engine order: position n is engine drive n. True when at least one entry was
// added, entry 0 then being selected; false leaves the list empty and without selection.
bool FillDeviceList(const discengine::IDVDEngineX& engine, QComboBox* list);
bool FillDeviceList(const TDVDEngineX& engine, QComboBox* list);
// The drives that can write, in engine order.
bool FillWriterList(const discengine::IDVDEngineX& engine, QComboBox* list);
bool FillWriterList(const TDVDEngineX& engine, QComboBox* list);

// The drive at a position of an all-drives list; null when there is none.
std::shared_ptr<discengine::IDeviceX> DriveAtPosition(const discengine::IDVDEngineX& engine,
                                                      int position);
std::shared_ptr<discengine::IDeviceX> DriveAtPosition(const TDVDEngineX& engine, int position);
// The writer position rule: the (position+1)-th writer in engine order; null when there is none
// (a list position that no longer matches the engine's drives is not taken for another drive).
std::shared_ptr<discengine::IDeviceX> WriterAtPosition(const discengine::IDVDEngineX& engine,
                                                       int position);
std::shared_ptr<discengine::IDeviceX> WriterAtPosition(const TDVDEngineX& engine, int position);
// The same rule applied to the list's selected position.
std::shared_ptr<discengine::IDeviceX> SelectedWriter(const discengine::IDVDEngineX& engine,
                                                     const QComboBox* list);
std::shared_ptr<discengine::IDeviceX> SelectedWriter(const TDVDEngineX& engine,
                                                     const QComboBox* list);
std::shared_ptr<discengine::IDeviceX> SelectedDrive(const discengine::IDVDEngineX& engine,
                                                    const QComboBox* list);
std::shared_ptr<discengine::IDeviceX> SelectedDrive(const TDVDEngineX& engine,
                                                    const QComboBox* list);

// The three write-speed lists are one family; they differ in the entry text and in the tag of
// the single no-speed entry.
enum class SpeedListKind {
    CopyCD,    // cmbCopyCD_WriteSpeed: "%.1f x" of SpeedMultiple; no-speed tag MaxWriteSpeed
    BurnCD,    // cmbWrite_WriteSpeed:  "%.1f x" of SpeedMultiple; no-speed tag 0
    EraseDisc, // cmbEraseCD_Speed:     "%d KB/s" of the speed;     no-speed tag 0
};

// Refreshes the drive (without the payload check) and lists its write speeds; each entry's
// item data is the speed in KB/s. No speeds: one entry `noSpeedText` tagged with the drive's
// MaxWriteSpeed. Entry 0 is selected.
void FillWriteSpeedList(discengine::IDeviceX& drive, QComboBox* list, const QString& format,
                        const QString& noSpeedText);
// The family member of a page, with the language table's texts.
void FillSpeedList(discengine::IDeviceX& drive, QComboBox* list, SpeedListKind kind);
// The speed the selected entry carries (0 when nothing is selected).
std::int32_t SelectedSpeed(const QComboBox* list);

// Tray commands; the drive's answer is ignored, as the pages do nothing with it.
void EjectTray(discengine::IDeviceX& drive);
void CloseTray(discengine::IDeviceX& drive);
