#include "engine/DriveLists.h"

#include "core/MultiLanguages.h"
#include "engine/DVDEngineBinding.h"
#include "ui/TextFormat.h"

#include <QComboBox>
#include <QVariant>

namespace de = discengine;

namespace {

QString Text(const std::string& s) {
    return QString::fromStdString(s);
}

bool FillDrives(const de::IDVDEngineX& engine, QComboBox* list, bool writersOnly) {
    list->clear();
    const std::int32_t count = engine.DeviceCount();
    for (std::int32_t i = 0; i < count; ++i) {
        const auto drive = engine.Device(i);
        if (writersOnly && !drive->IsWriter())
            continue;
        const QString id = Text(drive->DeviceId());
        list->addItem(Text(drive->Description()), id);
    }
    if (list->count() == 0) {
        list->setCurrentIndex(-1);
        return false;
    }
    list->setCurrentIndex(0);
    return true;
}

void AddSpeedEntries(de::IDeviceX& drive, QComboBox* list, SpeedListKind kind,
                     const QString& format, const QString& noSpeedText) {
    list->clear();
    drive.Refresh(false);
    const std::int32_t count = drive.WriteSpeedCount();
    if (count == 0) {
        const std::int32_t tag = kind == SpeedListKind::CopyCD ? drive.MaxWriteSpeed() : 0;
        list->addItem(noSpeedText, tag);
    }
    for (std::int32_t i = 0; i < count; ++i) {
        const std::int32_t speed = drive.WriteSpeed(i);
        const double factor = drive.SpeedMultiple(speed);
        const QString text = kind == SpeedListKind::EraseDisc
                                 ? ui::FormatText(format, {static_cast<long long>(speed)})
                                 : ui::FormatText(format, {factor});
        list->addItem(text, speed);
    }
    // A negative count adds nothing; an empty list then ends without selection.
    list->setCurrentIndex(list->count() > 0 ? 0 : -1);
}

} // namespace

bool FillDeviceList(const de::IDVDEngineX& engine, QComboBox* list) {
    return FillDrives(engine, list, false);
}

bool FillDeviceList(const TDVDEngineX& engine, QComboBox* list) {
    return FillDeviceList(engine.Engine(), list);
}

bool FillWriterList(const de::IDVDEngineX& engine, QComboBox* list) {
    return FillDrives(engine, list, true);
}

bool FillWriterList(const TDVDEngineX& engine, QComboBox* list) {
    return FillWriterList(engine.Engine(), list);
}

std::shared_ptr<de::IDeviceX> DriveAtPosition(const de::IDVDEngineX& engine, int position) {
    if (position < 0 || position >= engine.DeviceCount())
        return nullptr;
    return engine.Device(position);
}

std::shared_ptr<de::IDeviceX> DriveAtPosition(const TDVDEngineX& engine, int position) {
    return DriveAtPosition(engine.Engine(), position);
}

std::shared_ptr<de::IDeviceX> WriterAtPosition(const de::IDVDEngineX& engine, int position) {
    if (position < 0)
        return nullptr;
    int writers = -1;
    const std::int32_t count = engine.DeviceCount();
    for (std::int32_t i = 0; i < count; ++i) {
        auto drive = engine.Device(i);
        if (drive->IsWriter() && ++writers == position)
            return drive;
    }
    return nullptr;
}

std::shared_ptr<de::IDeviceX> WriterAtPosition(const TDVDEngineX& engine, int position) {
    return WriterAtPosition(engine.Engine(), position);
}

std::shared_ptr<de::IDeviceX> SelectedWriter(const de::IDVDEngineX& engine, const QComboBox* list) {
    return WriterAtPosition(engine, list->currentIndex());
}

std::shared_ptr<de::IDeviceX> SelectedWriter(const TDVDEngineX& engine, const QComboBox* list) {
    return SelectedWriter(engine.Engine(), list);
}

std::shared_ptr<de::IDeviceX> SelectedDrive(const de::IDVDEngineX& engine, const QComboBox* list) {
    return DriveAtPosition(engine, list->currentIndex());
}

std::shared_ptr<de::IDeviceX> SelectedDrive(const TDVDEngineX& engine, const QComboBox* list) {
    return SelectedDrive(engine.Engine(), list);
}

void FillWriteSpeedList(de::IDeviceX& drive, QComboBox* list, const QString& format,
                        const QString& noSpeedText) {
    AddSpeedEntries(drive, list, SpeedListKind::CopyCD, format, noSpeedText);
}

void FillSpeedList(de::IDeviceX& drive, QComboBox* list, SpeedListKind kind) {
    const QString& noSpeed = MultiLanguages::Text(IDS_WRITECD_COMBOX_WriteSpeed_Max);
    // The erase list's "%d KB/s" has no key of its own in the language table.
    const QString format = kind == SpeedListKind::EraseDisc
                               ? QStringLiteral("%d KB/s")
                               : MultiLanguages::Text(IDS_WRITECD_COMBOX_WriteSpeed_Speed);
    AddSpeedEntries(drive, list, kind, format, noSpeed);
}

std::int32_t SelectedSpeed(const QComboBox* list) {
    const QVariant tag = list->currentData();
    return tag.isValid() ? tag.toInt() : 0;
}

void EjectTray(de::IDeviceX& drive) {
    drive.Eject();
}

void CloseTray(de::IDeviceX& drive) {
    drive.CloseTray();
}
