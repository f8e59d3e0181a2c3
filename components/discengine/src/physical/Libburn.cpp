#include "Libburn.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace discengine::physical {
namespace {

constexpr const char* kStdioPrefix = "stdio:";

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

std::string Trimmed(const char* text, std::size_t max) {
    std::string s(text, strnlen(text, max));
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

std::string Trim(std::string s) {
    const char* space = " \t\r\n";
    s.erase(0, s.find_first_not_of(space));
    auto end = s.find_last_not_of(space);
    s.erase(end == std::string::npos ? 0 : end + 1);
    return s;
}

} // namespace

std::mutex& LibburnMutex() {
    static std::mutex mutex;
    return mutex;
}

bool LibburnReady() {
    // Started once and left running: libburn keeps its own threads and drive table for the
    // process, and shutting it down while another engine still holds a drive would break it.
    static const bool ready = [] {
        if (!burn_initialize())
            return false;
        char queue[] = "SORRY", print[] = "NEVER", prefix[] = "libburn: ";
        burn_msgs_set_severities(queue, print, prefix);
        return true;
    }();
    return ready;
}

std::string TakeLibburnMessages() {
    std::string text;
    char minimum[] = "SORRY";
    for (int i = 0; i < 64; ++i) {
        int code = 0, osErrno = 0;
        char message[BURN_MSGS_MESSAGE_LEN] = {};
        char severity[80] = {};
        if (burn_msgs_obtain(minimum, &code, message, &osErrno, severity) <= 0)
            break;
        if (!text.empty())
            text += "\n";
        text += message;
        if (osErrno != 0)
            text += std::string(" (") + std::strerror(osErrno) + ")";
    }
    return text;
}

std::vector<std::string> AddressesOfSetting(const std::string& setting, bool& scan) {
    std::string value = Trim(setting);
    scan = value.empty() || value == "1";
    std::vector<std::string> addresses;
    if (scan || value == "0")
        return addresses;
    std::stringstream list(value);
    for (std::string item; std::getline(list, item, ',');)
        if (auto address = Trim(item); !address.empty())
            addresses.push_back(address);
    return addresses;
}

std::vector<ScannedDrive> FindPhysicalDrives(const std::string& setting) {
    const char* env = std::getenv("PLATTERLY_PHYSICAL_DRIVES");
    bool scan = false;
    auto addresses = AddressesOfSetting(env ? env : setting, scan);
    if ((!scan && addresses.empty()) || !LibburnReady())
        return {};
    std::lock_guard lock(LibburnMutex());
    std::vector<ScannedDrive> found;
    if (scan) {
        burn_drive_info* infos = nullptr;
        unsigned int count = 0;
        int done = 0;
        // The scan runs on libburn's own thread. Without drives it is over in well under a
        // millisecond, and every command waits for it at start: look often.
        while ((done = burn_drive_scan(&infos, &count)) == 0)
            std::this_thread::sleep_for(std::chrono::microseconds(250));
        for (unsigned int i = 0; done > 0 && i < count; ++i) {
            char adr[BURN_DRIVE_ADR_LEN] = {};
            if (burn_drive_d_get_adr(infos[i].drive, adr) > 0)
                found.push_back({adr, Trimmed(infos[i].vendor, sizeof infos[i].vendor),
                                 Trimmed(infos[i].product, sizeof infos[i].product),
                                 Trimmed(infos[i].revision, sizeof infos[i].revision)});
            // Scanning locks every drive; let go at once so other programs can use them.
            burn_drive_info_forget(&infos[i], 0);
        }
        if (infos)
            burn_drive_info_free(infos);
        TakeLibburnMessages();
        std::sort(found.begin(), found.end(), [](const ScannedDrive& a, const ScannedDrive& b) {
            return a.address < b.address;
        });
        return found;
    }
    for (const auto& address : addresses)
        found.push_back({address, "", "", ""}); // identity comes with the first grab
    return found;
}

std::unique_ptr<GrabbedDrive> GrabbedDrive::Grab(const std::string& address, std::string& error) {
    if (!LibburnReady()) {
        error = "The CD/DVD library libburn could not be started";
        return nullptr;
    }
    std::lock_guard lock(LibburnMutex());
    burn_drive_info* info = nullptr;
    std::string adr = address;
    int result = burn_drive_scan_and_grab(&info, adr.data(), 0);
    if (result <= 0 || !info) {
        std::string messages = TakeLibburnMessages();
        if (info)
            burn_drive_info_free(info);
        error = AccessProblem(DevicePathOf(address), messages);
        return nullptr;
    }
    return std::unique_ptr<GrabbedDrive>(new GrabbedDrive(info));
}

GrabbedDrive::~GrabbedDrive() {
    std::lock_guard lock(LibburnMutex());
    burn_drive_release(info_->drive, 0);
    burn_drive_info_free(info_);
}

bool GrabbedDrive::IsPseudoDrive() const {
    return burn_drive_get_drive_role(info_->drive) != 1;
}

DriveAnswers GrabbedDrive::ReadDrive() const {
    const burn_drive_info& i = *info_;
    DriveAnswers d;
    d.vendor = Trimmed(i.vendor, sizeof i.vendor);
    d.product = Trimmed(i.product, sizeof i.product);
    d.revision = Trimmed(i.revision, sizeof i.revision);
    d.readCdr = i.read_cdr, d.readCdrw = i.read_cdrw, d.readDvdrom = i.read_dvdrom;
    d.readDvdr = i.read_dvdr, d.readDvdram = i.read_dvdram;
    d.writeCdr = i.write_cdr, d.writeCdrw = i.write_cdrw, d.writeDvdr = i.write_dvdr;
    d.writeDvdram = i.write_dvdram, d.writeSimulate = i.write_simulate;
    d.bufferKB = i.buffer_size;
    if (IsPseudoDrive()) {
        // A stdio pseudo-drive writes a file: it behaves like a DVD-RAM recorder that can
        // simulate, whatever the mode page flags it makes up say.
        d.profiles = {kProfileStdio};
        d.writeDvdram = d.readDvdram = d.writeSimulate = true;
        return d;
    }
    int count = 0, profiles[64] = {};
    char current[64] = {};
    burn_drive_get_all_profiles(i.drive, &count, profiles, current);
    d.profiles.assign(profiles, profiles + std::max(0, std::min(count, 64)));
    int featureCount = 0;
    unsigned int* codes = nullptr;
    burn_drive_get_feature_codes(i.drive, &featureCount, &codes);
    std::unique_ptr<unsigned int, FreeDeleter> ownedCodes(codes);
    for (int f = 0; codes && f < featureCount; ++f) {
        unsigned char flags = 0, length = 0;
        unsigned char* data = nullptr;
        if (burn_drive_get_feature(i.drive, codes[f], &flags, &length, &data, nullptr) <= 0)
            continue;
        std::unique_ptr<unsigned char, FreeDeleter> ownedData(data);
        d.features.push_back({static_cast<int>(codes[f]), data && length > 0 ? data[0] : 0});
    }
    burn_speed_descriptor* list = nullptr;
    if (burn_drive_get_speedlist(i.drive, &list) > 0) {
        for (auto* s = list; s; s = s->next)
            d.speeds.push_back({s->source, s->profile_loaded, s->write_speed, s->read_speed});
        burn_drive_free_speedlist(&list);
    }
    return d;
}

MediumAnswers GrabbedDrive::ReadMedium() const {
    burn_drive* drive = info_->drive;
    MediumAnswers m;
    m.status = burn_disc_get_status(drive);
    char name[80] = {};
    burn_disc_get_profile(drive, &m.profile, name);
    if (m.status == BURN_DISC_EMPTY)
        return m;
    m.erasable = burn_disc_erasable(drive) == 1;
    char discType[80] = {}, barCode[9] = {};
    unsigned int discId = 0;
    int appCode = 0, valid = 0;
    if (burn_disc_get_cd_info(drive, discType, &discId, barCode, &appCode, &valid) > 0)
        m.cdDiscType = discType;
    if (m.status == BURN_DISC_BLANK || m.status == BURN_DISC_APPENDABLE)
        m.freeBlocks = burn_disc_available_space(drive, nullptr) / 2048;
    if (burn_disc* disc = burn_drive_get_disc(drive)) {
        m.incompleteSessions = burn_disc_get_incomplete_sessions(disc);
        int sessionCount = 0;
        burn_session** sessions = burn_disc_get_sessions(disc, &sessionCount);
        for (int s = 0; s < sessionCount; ++s) {
            int trackCount = 0;
            burn_track** tracks = burn_session_get_tracks(sessions[s], &trackCount);
            for (int t = 0; t < trackCount; ++t) {
                burn_toc_entry entry{};
                burn_track_get_entry(tracks[t], &entry);
                TocAnswer toc;
                toc.session = entry.session;
                toc.control = entry.control;
                toc.start = (entry.extensions_valid & 1)
                                ? entry.start_lba
                                : burn_msf_to_lba(entry.pmin, entry.psec, entry.pframe);
                toc.blocks = (entry.extensions_valid & 1) ? entry.track_blocks
                                                          : burn_track_get_sectors(tracks[t]);
                m.toc.push_back(toc);
            }
        }
        burn_disc_free(disc);
    }
    return m;
}

std::string DevicePathOf(const std::string& address) {
    if (address.rfind(kStdioPrefix, 0) == 0)
        return address.substr(std::strlen(kStdioPrefix));
    return address;
}

std::string AccessProblem(const std::string& devicePath, const std::string& libburnMessage) {
    std::string why;
    int fd = ::open(devicePath.c_str(), O_RDONLY | O_NONBLOCK);
    int openErrno = fd < 0 ? errno : 0;
    if (fd >= 0)
        ::close(fd);
    bool mounted = false;
    std::ifstream mounts("/proc/self/mounts");
    for (std::string source, rest; mounts >> source && std::getline(mounts, rest);)
        if (source == devicePath)
            mounted = true;
    if (openErrno == ENOENT)
        why = devicePath + " does not exist: the drive was unplugged or its name changed; "
                           "refresh the drive list.";
    else if (openErrno == EACCES || openErrno == EPERM)
        why = "No permission to use " + devicePath +
              ": add your user to the \"cdrom\" group (sudo usermod -aG cdrom $USER, then log "
              "in again) or use the drive from the desktop's own seat.";
    else if (mounted)
        why = "The disc in " + devicePath +
              " is mounted by the desktop: unmount (or eject in the file manager) it first.";
    else
        why = devicePath + " is in use by another program (a burner, a player or the "
                           "desktop's disc monitor); close it and try again.";
    if (!libburnMessage.empty())
        why += " (" + libburnMessage + ")";
    return why;
}

} // namespace discengine::physical
