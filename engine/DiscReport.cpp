#include "engine/DiscReport.h"

#include "core/MultiLanguages.h"
#include "ui/TextFormat.h"

#include "discengine/Disc.h"

#include <array>
#include <utility>

namespace de = discengine;
using ui::FormatArg;

namespace {

QString L(LangId key) {
    return MultiLanguages::Text(key);
}

QString Format(LangId key, const std::vector<FormatArg>& args) {
    return ui::FormatText(L(key), args);
}

QString YesNo(bool value) {
    return L(value ? IDS_COPYCD_Yes : IDS_COPYCD_No);
}

FormatArg Str(const std::string& s) {
    return QString::fromStdString(s);
}

FormatArg Int(std::int64_t value) {
    return value;
}

// Capability lines in report order (the read list does not follow code order).
constexpr std::array<std::pair<LangId, std::int32_t>, 16> ReadCapabilities{{
    {IDS_COPYCD_CanReadCDR, 0},
    {IDS_COPYCD_CanReadCDRW, 1},
    {IDS_COPYCD_CanReadDVDROM, 2},
    {IDS_COPYCD_CanReadDVDRAM, 6},
    {IDS_COPYCD_CanReadDVDR, 3},
    {IDS_COPYCD_CanReadDVDRW, 4},
    {IDS_COPYCD_CanReadDVDRDual, 5},
    {IDS_COPYCD_CanReadDVDPR, 8},
    {IDS_COPYCD_CanReadDVDPRW, 7},
    {IDS_COPYCD_CanReadDVDPRDual, 9},
    {IDS_COPYCD_CanReadBDR, 10},
    {IDS_COPYCD_CanReadBDROM, 11},
    {IDS_COPYCD_CanReadBDRE, 12},
    {IDS_COPYCD_CanReadHDDVDR, 13},
    {IDS_COPYCD_CanReadHDDVDROM, 14},
    {IDS_COPYCD_CanReadHDDVDRAM, 15},
}};

constexpr std::array<std::pair<LangId, std::int32_t>, 13> WriteCapabilities{{
    {IDS_COPYCD_CanWriteCDR, 16},
    {IDS_COPYCD_CanWriteCDRW, 17},
    {IDS_COPYCD_CanWriteDVDR, 18},
    {IDS_COPYCD_CanWriteDVDRW, 19},
    {IDS_COPYCD_CanWriteDVDRDual, 20},
    {IDS_COPYCD_CanWriteDVDRAM, 22},
    {IDS_COPYCD_CanWriteDVDPRW, 23},
    {IDS_COPYCD_CanWriteDVDPR, 24},
    {IDS_COPYCD_CanWriteDVDPRDual, 25},
    {IDS_COPYCD_CanWriteBDR, 26},
    {IDS_COPYCD_CanWriteBDRE, 27},
    {IDS_COPYCD_CanWriteHDDVDR, 28},
    {IDS_COPYCD_CanWriteHDDVDRAM, 29},
}};

QString MediaTypeName(std::int32_t type) {
    switch (type) {
    case de::kMediaNone:
        return L(IDS_COPYCD_MediaType_NoMedia);
    case de::kMediaDVDROM:
        return L(IDS_COPYCD_MediaType_DVDROM);
    case de::kMediaDVDRAM:
        return L(IDS_COPYCD_MediaType_DVDRAM);
    case de::kMediaDVDR:
        return L(IDS_COPYCD_MediaType_DVDR);
    case de::kMediaDVDRW:
        return L(IDS_COPYCD_MediaType_DVDRW);
    case de::kMediaDVDPRW:
        return L(IDS_COPYCD_MediaType_DVDPRW);
    case de::kMediaDVDPR:
        return L(IDS_COPYCD_MediaType_DVDPR);
    case de::kMediaDVDRDual:
        return L(IDS_COPYCD_MediaType_DVDRDUAL);
    case de::kMediaDVDPRDual:
        return L(IDS_COPYCD_MediaType_DVDPRDUAL);
    case de::kMediaCDRW:
        return L(IDS_COPYCD_MediaType_CDRW);
    case de::kMediaCDR:
        return L(IDS_COPYCD_MediaType_CDR);
    case de::kMediaHDDVDR:
        return L(IDS_COPYCD_MediaType_HDDVDR);
    case de::kMediaHDDVDRAM:
        return L(IDS_COPYCD_MediaType_HDDVDRAM);
    case de::kMediaHDDVDROM:
        return L(IDS_COPYCD_MediaType_HDDVDROM);
    case de::kMediaBDR:
        return L(IDS_COPYCD_MediaType_BDR);
    case de::kMediaBDRE:
        return L(IDS_COPYCD_MediaType_BDE);
    case de::kMediaBDROM:
        return L(IDS_COPYCD_MediaType_BDROM);
    case de::kMediaCDROM:
        return L(IDS_COPYCD_MediaType_CDROM);
    default:
        return L(IDS_COPYCD_MediaType_Unkown);
    }
}

// Unknown disc types and statuses print an empty name.
QString DiscTypeName(std::int32_t type) {
    switch (type) {
    case de::kDiscTypeCDDA:
        return L(IDS_COPYCD_DiscType_CDDACDROM);
    case de::kDiscTypeCDI:
        return L(IDS_COPYCD_DiscType_CDI);
    case de::kDiscTypeCDROMXA:
        return L(IDS_COPYCD_DiscType_CDRomXA);
    case de::kDiscTypeUnknown:
        return L(IDS_COPYCD_DiscType_Unknown);
    default:
        return {};
    }
}

QString DiscStatusName(std::int32_t status) {
    switch (status) {
    case de::kDiscEmpty:
        return L(IDS_COPYCD_DiscStatus_Empty);
    case de::kDiscIncomplete:
        return L(IDS_COPYCD_DiscStatus_Incomplete);
    case de::kDiscComplete:
        return L(IDS_COPYCD_DiscStatus_Completed);
    case de::kDiscUnknown:
        return L(IDS_COPYCD_DiscStatus_Unknown);
    default:
        return {};
    }
}

QString SessionStatusName(std::int32_t status) {
    switch (status) {
    case de::kSessionEmpty:
        return L(IDS_COPYCD_LastSessionStatus_Empty);
    case de::kSessionIncomplete:
        return L(IDS_COPYCD_LastSessionStatus_Incomplete);
    case de::kSessionReserved:
        return L(IDS_COPYCD_LastSessionStatus_Reserved);
    case de::kSessionComplete:
        return L(IDS_COPYCD_LastSessionStatus_Completed);
    default:
        return L(IDS_COPYCD_LastSessionStatus_Unknown);
    }
}

template <std::size_t N>
void WriteCapabilityLines(de::IDeviceX& drive, ReportWriter& out,
                          const std::array<std::pair<LangId, std::int32_t>, N>& table) {
    for (const auto& [key, code] : table)
        out.Add(Format(key, {YesNo(drive.Supports(code))}));
}

QString TrackLine(de::IDeviceX& drive, std::int32_t n, const de::ITrackInfoX& track) {
    const QString kind = L(track.IsAudio() ? IDS_COPYCD_TrackInfoAudio : IDS_COPYCD_TrackInfoData);
    QString line = Format(IDS_COPYCD_TrackInfoTrackLBA,
                          {Int(n), Int(track.StartAddress()), Int(track.BlockCount()), kind});
    if (track.IsData()) {
        const std::int32_t fs = drive.TrackFileSystems(n);
        if (fs & de::kFsISO9660)
            line += u' ' + L(IDS_COPYCD_TrackVolType_ISO);
        if (fs & de::kFsJoliet)
            line += u' ' + L(IDS_COPYCD_TrackVolType_Joliet);
        if (fs & de::kFsUDF)
            line += u' ' + L(IDS_COPYCD_TrackVolType_UDF);
    }
    if (track.IsBlank())
        line += L(IDS_COPYCD_TrackInfoBlank);
    return line;
}

void WriteTrackList(de::IDeviceX& drive, ReportWriter& out) {
    const std::int32_t count = drive.DiscInfo()->TrackCount();
    std::int32_t lastSession = 0;
    for (std::int32_t n = 1; n <= count; ++n) {
        const auto track = drive.TrackInfo(n);
        if (!track)
            break;
        if (track->SessionNumber() != lastSession) {
            lastSession = track->SessionNumber();
            out.Add(Format(IDS_COPYCD_TrackInfoSessionNum, {Int(lastSession)}));
        }
        out.Add(TrackLine(drive, n, *track));
    }
}

} // namespace

void WriteDeviceSection(de::IDeviceX& drive, ReportWriter& out) {
    out.Clear();
    out.Add(L(IDS_COPYCD_DeviceInformation));
    out.Add(L(IDS_COPYCD_DeviceNote));
    out.Add(L(IDS_COPYCD_DeviceNote_1));
    out.Add(L(IDS_COPYCD_DeviceNote_2));
    out.Add(Format(IDS_COPYCD_DeviceManufacturer, {Str(drive.VendorName())}));
    out.Add(Format(IDS_COPYCD_DeviceProduct, {Str(drive.ProductName())}));
    out.Add(Format(IDS_COPYCD_DeviceRevision, {Str(drive.Revision())}));
    out.Add(QString());
    out.Add(L(IDS_COPYCD_DeviceCapability));
    out.Add(Format(IDS_COPYCD_MaxReadSpeed, {Int(drive.MaxReadSpeed())}));
    if (drive.IsWriter())
        out.Add(Format(IDS_COPYCD_MaxWriteSpeed, {Int(drive.MaxWriteSpeed())}));
    out.Add(Format(IDS_COPYCD_BufferSize, {Int(drive.BufferSize())}));
}

void WriteReadCapabilities(de::IDeviceX& drive, ReportWriter& out) {
    WriteCapabilityLines(drive, out, ReadCapabilities);
}

void WriteWriteCapabilities(de::IDeviceX& drive, ReportWriter& out) {
    WriteCapabilityLines(drive, out, WriteCapabilities);
}

void WriteDiscSection(de::IDeviceX& drive, ReportWriter& out, bool sourceSide) {
    drive.Refresh(true);
    const auto info = drive.DiscInfo();
    out.Add(QString());
    out.Add(L(IDS_COPYCD_DiscInformation));
    out.Add(Format(IDS_COPYCD_MediaType, {MediaTypeName(info->MediaType())}));
    out.Add(Format(IDS_COPYCD_DiscType, {DiscTypeName(info->DiscType())}));
    out.Add(Format(IDS_COPYCD_DiscStatus, {DiscStatusName(info->DiscStatus())}));
    out.Add(Format(IDS_COPYCD_DiscIsErasable, {YesNo(info->IsErasable())}));
    if (sourceSide)
        out.Add(Format(IDS_COPYCD_DiscUsedSize, {DiscUsedMB(drive)}));
    else
        out.Add(Format(IDS_COPYCD_DiscFreeSize, {DiscFreeMB(drive)}));
    out.Add(Format(IDS_COPYCD_LastSessionStatus, {SessionStatusName(info->LastSessionStatus())}));
    out.Add(Format(IDS_COPYCD_DriveIsOpen, {YesNo(info->IsOpen())}));
    out.Add(Format(IDS_COPYCD_SessionCount, {Int(info->SessionCount())}));
    if (info->SessionCount() != 0)
        WriteTrackList(drive, out);
}

void WriteSourceReport(de::IDeviceX& drive, ReportWriter& out) {
    WriteDeviceSection(drive, out);
    WriteReadCapabilities(drive, out);
    WriteDiscSection(drive, out, true);
}

void WriteDestinationReport(de::IDeviceX& drive, ReportWriter& out) {
    WriteDeviceSection(drive, out);
    WriteWriteCapabilities(drive, out);
    WriteDiscSection(drive, out, false);
}

double BlocksToMB(std::int64_t blocks) {
    // MB x 100 = blocks x 2048 x 100 / 1048576 = blocks x 25 / 128. Rounding up in integers
    // keeps exact values exact (a double product may land a hair above and gain 0.01).
    const std::int64_t scaled = blocks * 25;
    std::int64_t hundredths = scaled / 128;
    if (scaled % 128 > 0)
        ++hundredths;
    return static_cast<double>(hundredths) / 100.0;
}

double DiscFreeMB(de::IDeviceX& drive) {
    return BlocksToMB(drive.FreeBlocks(false));
}

double DiscUsedMB(de::IDeviceX& drive) {
    return BlocksToMB(drive.UsedBlocks(true));
}

bool IsDiscReadable(de::IDeviceX& drive) {
    drive.Refresh(true);
    if (drive.DiscInfo()->MediaType() == de::kMediaNone)
        return false;
    return drive.DiscInfo()->SessionCount() >= 1;
}

int ClassifyDisc(de::IDeviceX& drive) {
    const std::int32_t count = drive.DiscInfo()->TrackCount();
    std::int32_t audio = 0;
    for (std::int32_t t = 1; t <= count; ++t) {
        const auto track = drive.TrackInfo(t);
        if (!track)
            break;
        if (track->IsAudio())
            ++audio;
    }
    if (audio == 0)
        return DiscKindOther;
    // An incomplete disc counts its open track, which is not audio.
    if (drive.DiscInfo()->DiscStatus() == de::kDiscIncomplete)
        ++audio;
    return audio == count ? DiscKindAudioCD : DiscKindOther;
}
