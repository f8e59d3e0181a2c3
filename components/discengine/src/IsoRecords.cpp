#include "IsoRecords.h"

#include <chrono>

namespace discengine::iso {
namespace {

constexpr std::size_t kBlock = 2048;
constexpr std::size_t kFixedPart = 33; // a record's bytes before its name

std::uint32_t Le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void PutUtf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Joliet names are UCS-2; writers put characters beyond it as surrogate pairs. A surrogate
// without its partner becomes U+FFFD, an odd last byte is dropped.
std::string JolietName(const unsigned char* p, std::size_t bytes) {
    std::string out;
    out.reserve(bytes);
    const std::size_t units = bytes / 2;
    for (std::size_t i = 0; i < units; ++i) {
        char32_t c = static_cast<char32_t>(p[2 * i] << 8 | p[2 * i + 1]);
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < units) {
            const char32_t low = static_cast<char32_t>(p[2 * i + 2] << 8 | p[2 * i + 3]);
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            } else {
                c = 0xFFFD;
            }
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        PutUtf8(c, out);
    }
    return out;
}

} // namespace

std::time_t RecordTime(const unsigned char* date) {
    bool any = false;
    for (int i = 0; i < 6; ++i)
        any = any || date[i] != 0;
    if (!any)
        return 0;
    using namespace std::chrono;
    // Day and month out of range are carried over as a calendar would; the record's offset
    // from UTC is in quarter hours.
    const year_month first = year{1900 + date[0]} / month{1} + months{date[1] - 1};
    const sys_days day = sys_days{first / 1} + days{date[2] - 1};
    const auto offset = static_cast<signed char>(date[6]);
    const auto seconds = day.time_since_epoch() + hours{date[3]} + minutes{date[4]} +
                         std::chrono::seconds{date[5]} - minutes{15 * offset};
    return static_cast<std::time_t>(duration_cast<std::chrono::seconds>(seconds).count());
}

std::vector<FolderRecord> ReadJolietFolder(const unsigned char* data, std::size_t bytes) {
    std::vector<FolderRecord> records;
    std::size_t at = 0;
    while (at < bytes) {
        const std::size_t blockEnd = std::min(bytes, (at / kBlock + 1) * kBlock);
        const std::size_t length = data[at];
        const std::size_t nameBytes = at + kFixedPart <= blockEnd ? data[at + 32] : 0;
        if (length < kFixedPart + 1 || at + length > blockEnd || kFixedPart + nameBytes > length) {
            at = blockEnd; // zeros after the block's last record, or a broken one
            continue;
        }
        const unsigned char* r = data + at;
        at += length;
        const unsigned char* name = r + kFixedPart;
        if (nameBytes == 1 && (name[0] == 0 || name[0] == 1))
            continue; // "." and ".."
        FolderRecord record;
        record.name = JolietName(name, nameBytes);
        record.lsn = Le32(r + 2);
        record.bytes = Le32(r + 10);
        record.isFolder = (r[25] & 0x02) != 0;
        record.recorded = RecordTime(r + 18);
        records.push_back(std::move(record));
    }
    return records;
}

} // namespace discengine::iso
