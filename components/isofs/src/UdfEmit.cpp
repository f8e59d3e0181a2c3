#include "Bytes.h"
#include "Emit.h"

#include <array>
#include <ctime>

namespace isofs::detail {

namespace {

constexpr std::uint16_t kUdfRevision = 0x0102;

// CRC-ITU (x^16 + x^12 + x^5 + 1) of every descriptor, eight bytes a step: tables[k] holds a
// byte's share when k more bytes follow it. A file entry per file makes this a hot loop.
std::uint16_t crcItu(const std::uint8_t* p, std::size_t n) {
    static const auto tables = [] {
        std::array<std::array<std::uint16_t, 256>, 8> t{};
        for (unsigned i = 0; i < 256; ++i) {
            std::uint16_t c = static_cast<std::uint16_t>(i << 8);
            for (int k = 0; k < 8; ++k)
                c = static_cast<std::uint16_t>((c & 0x8000) ? (c << 1) ^ 0x1021 : c << 1);
            t[0][i] = c;
        }
        for (std::size_t k = 1; k < 8; ++k)
            for (unsigned i = 0; i < 256; ++i)
                t[k][i] = static_cast<std::uint16_t>((t[k - 1][i] << 8) ^ t[0][t[k - 1][i] >> 8]);
        return t;
    }();
    std::uint16_t crc = 0;
    for (; n >= 8; n -= 8, p += 8) {
        const unsigned x = crc ^ ((p[0] << 8) | p[1]);
        crc = static_cast<std::uint16_t>(tables[7][x >> 8] ^ tables[6][x & 0xFF] ^ tables[5][p[2]] ^
                                         tables[4][p[3]] ^ tables[3][p[4]] ^ tables[2][p[5]] ^
                                         tables[1][p[6]] ^ tables[0][p[7]]);
    }
    for (; n > 0; --n, ++p)
        crc = static_cast<std::uint16_t>((crc << 8) ^ tables[0][((crc >> 8) ^ *p) & 0xFF]);
    return crc;
}

// Descriptor tag over bytes [0, length) of a descriptor recorded at location.
void tag(std::uint8_t* p, std::uint16_t ident, std::uint32_t location, std::size_t length) {
    le16(p, ident);
    le16(p + 2, 2);
    le16(p + 6, 1); // serial
    le16(p + 8, crcItu(p + 16, length - 16));
    le16(p + 10, static_cast<std::uint32_t>(length - 16));
    le32(p + 12, location);
    unsigned sum = 0;
    for (int i = 0; i < 16; ++i)
        if (i != 4)
            sum += p[i];
    p[4] = static_cast<std::uint8_t>(sum);
}

void timestamp(std::uint8_t* p, std::int64_t t) {
    // Files of one folder mostly share their time: the last conversion is kept.
    thread_local bool known = false;
    thread_local std::int64_t lastTime = 0;
    thread_local std::array<std::uint8_t, 12> last{};
    if (!known || t != lastTime) {
        std::time_t tt = static_cast<std::time_t>(t);
        std::tm tm{};
        gmtime_r(&tt, &tm);
        std::uint8_t* q = last.data();
        le16(q, 0x1000); // local time with offset 0: UTC
        le16(q + 2, static_cast<std::uint32_t>(tm.tm_year + 1900));
        q[4] = static_cast<std::uint8_t>(tm.tm_mon + 1);
        q[5] = static_cast<std::uint8_t>(tm.tm_mday);
        q[6] = static_cast<std::uint8_t>(tm.tm_hour);
        q[7] = static_cast<std::uint8_t>(tm.tm_min);
        q[8] = static_cast<std::uint8_t>(tm.tm_sec);
        lastTime = t;
        known = true;
    }
    std::memcpy(p, last.data(), last.size());
}

void charspec(std::uint8_t* p) {
    p[0] = 0; // CS0
    std::memcpy(p + 1, "OSTA Compressed Unicode", 23);
}

void regid(std::uint8_t* p, const char* id, bool udfSuffix) {
    std::memcpy(p + 1, id, std::strlen(id));
    if (udfSuffix)
        le16(p + 24, kUdfRevision);
    else
        p[24] = 4; // OS class UNIX
}

// Compressed unicode bytes of a name (no length byte).
std::size_t cs0Bytes(std::u16string_view s) {
    return s.empty() ? 0 : 1 + s.size() * (udfWide(s) ? 2 : 1);
}

// Writes them to out, which has room for cs0Bytes(s); returns that count.
std::size_t cs0(std::u16string_view s, std::uint8_t* out) {
    if (s.empty())
        return 0;
    const bool wide = udfWide(s);
    std::uint8_t* p = out;
    *p++ = static_cast<std::uint8_t>(wide ? 16 : 8);
    for (char16_t c : s) {
        if (wide)
            *p++ = static_cast<std::uint8_t>(c >> 8);
        *p++ = static_cast<std::uint8_t>(c);
    }
    return static_cast<std::size_t>(p - out);
}

void dstring(std::uint8_t* p, std::size_t size, const std::u16string& s) {
    std::vector<std::uint8_t> bytes(cs0Bytes(s));
    cs0(s, bytes.data());
    if (bytes.empty())
        return;
    std::memcpy(p, bytes.data(), std::min(bytes.size(), size - 1));
    p[size - 1] = static_cast<std::uint8_t>(std::min(bytes.size(), size - 1));
}

void longAd(std::uint8_t* p, std::uint32_t bytes, std::uint32_t block, std::uint64_t uniqueId) {
    le32(p, bytes);
    le32(p + 4, block);
    le16(p + 8, 0); // partition reference
    le32(p + 12, static_cast<std::uint32_t>(uniqueId));
}

std::uint32_t rel(const PlanData& d, std::uint32_t lsn) {
    return lsn - d.partitionStart;
}

// Into p, a zeroed block.
void fileEntry(std::uint8_t* p, const PlanData& d, const Node& n, std::uint32_t linkCount) {
    // ICB tag: strategy 4, one entry, file type 4 folder / 5 file, short allocation descriptors.
    le16(p + 16 + 4, 4);
    le16(p + 16 + 8, 1);
    p[16 + 11] = n.isDir ? 4 : 5;
    le16(p + 16 + 18, 0);
    le32(p + 36, 0xFFFFFFFF); // uid: not specified
    le32(p + 40, 0xFFFFFFFF);
    le32(p + 44, n.isDir ? 0x14A5 : 0x1084); // read (and search) for everyone
    le16(p + 48, linkCount);
    std::uint64_t length = n.isDir ? n.udfDataBytes : n.size;
    le64(p + 56, length);
    le64(p + 64, blocksFor(length));
    timestamp(p + 72, n.date);
    timestamp(p + 84, n.date);
    timestamp(p + 96, n.date);
    le32(p + 108, 1);
    regid(p + 128, "*Platterly", false);
    le64(p + 160, n.uniqueId);
    std::uint32_t adBytes = 0;
    std::uint32_t start = rel(d, n.isDir ? n.udfData : n.dataLsn);
    for (std::uint64_t done = 0; done < length;) {
        std::uint64_t piece = std::min(length - done, kUdfMaxExtent);
        if (176 + adBytes + 8 > kBlockSize)
            throw std::length_error("file too large for one UDF file entry");
        le32(p + 176 + adBytes, static_cast<std::uint32_t>(piece));
        le32(p + 176 + adBytes + 4, start + static_cast<std::uint32_t>(done / kBlockSize));
        adBytes += 8;
        done += piece;
    }
    le32(p + 172, adBytes);
    tag(p, 261, rel(d, n.udfFe), 176 + adBytes);
}

} // namespace

Blocks udfRecognition() {
    Blocks b(3 * kBlockSize, 0);
    const char* ids[] = {"BEA01", "NSR02", "TEA01"};
    for (int i = 0; i < 3; ++i) {
        std::memcpy(&b[i * kBlockSize + 1], ids[i], 5);
        b[i * kBlockSize + 6] = 1;
    }
    return b;
}

Blocks udfVolumeSequence(const PlanData& d, std::uint32_t at) {
    Blocks b(16 * kBlockSize, 0);
    std::uint32_t seq = 0;
    // Primary Volume Descriptor.
    std::uint8_t* p = &b[0];
    le32(p + 16, seq++);
    dstring(p + 24, 32, d.udfVolume);
    le16(p + 56, 1);
    le16(p + 58, 1);
    le16(p + 60, 2);
    le16(p + 62, 2);
    le32(p + 64, 1);
    le32(p + 68, 1);
    char setId[17];
    std::snprintf(setId, sizeof setId, "%08X%08X", static_cast<unsigned>(d.writeTime),
                  static_cast<unsigned>(d.totalBlocks));
    std::u16string set(setId, setId + 16);
    dstring(p + 72, 128, set + d.udfLogicalVolume.substr(0, 40));
    charspec(p + 200);
    charspec(p + 264);
    regid(p + 344, "*Platterly", false);
    timestamp(p + 376, d.writeTime);
    regid(p + 388, "*Platterly", false);
    tag(p, 1, at, 512);
    // Implementation Use Volume Descriptor.
    p = &b[kBlockSize];
    le32(p + 16, seq++);
    regid(p + 20, "*UDF LV Info", true);
    charspec(p + 52);
    dstring(p + 116, 128, d.udfLogicalVolume);
    regid(p + 352, "*Platterly", false);
    tag(p, 4, at + 1, 512);
    // Partition Descriptor.
    p = &b[2 * kBlockSize];
    le32(p + 16, seq++);
    le16(p + 20, 1);
    le16(p + 22, 0);
    regid(p + 24, "+NSR02", false);
    p[24 + 24] = 0;
    le32(p + 184, 1); // read only
    le32(p + 188, d.partitionStart);
    le32(p + 192, d.partitionBlocks);
    regid(p + 196, "*Platterly", false);
    tag(p, 5, at + 2, 512);
    // Logical Volume Descriptor with one type 1 partition map.
    p = &b[3 * kBlockSize];
    le32(p + 16, seq++);
    charspec(p + 20);
    dstring(p + 84, 128, d.udfLogicalVolume);
    le32(p + 212, kBlockSize);
    regid(p + 216, "*OSTA UDF Compliant", true);
    longAd(p + 248, kBlockSize, rel(d, d.fsdLsn), 0);
    le32(p + 264, 6);
    le32(p + 268, 1);
    regid(p + 272, "*Platterly", false);
    le32(p + 432, 2 * kBlockSize);
    le32(p + 436, kUdfLvid);
    p[440] = 1;
    p[441] = 6;
    le16(p + 442, 1);
    le16(p + 444, 0);
    tag(p, 6, at + 3, 446);
    // Unallocated Space Descriptor: nothing is free on a finished image.
    p = &b[4 * kBlockSize];
    le32(p + 16, seq++);
    tag(p, 7, at + 4, 24);
    // Terminating Descriptor.
    p = &b[5 * kBlockSize];
    tag(p, 8, at + 5, 512);
    return b;
}

Blocks udfIntegrity(const PlanData& d) {
    Blocks b(2 * kBlockSize, 0);
    std::uint8_t* p = b.data();
    timestamp(p + 16, d.writeTime);
    le32(p + 28, 1); // closed
    le64(p + 40, d.nextUniqueId);
    le32(p + 72, 1);
    le32(p + 76, 46);
    le32(p + 80, 0);                 // free blocks
    le32(p + 84, d.partitionBlocks); // size
    regid(p + 88, "*Platterly", false);
    le32(p + 88 + 32, static_cast<std::uint32_t>(d.files.size()));
    le32(p + 88 + 36, static_cast<std::uint32_t>(d.udfDirs.size()));
    le16(p + 88 + 40, kUdfRevision);
    le16(p + 88 + 42, kUdfRevision);
    le16(p + 88 + 44, kUdfRevision);
    tag(p, 9, kUdfLvid, 88 + 46);
    tag(p + kBlockSize, 8, kUdfLvid + 1, 512);
    return b;
}

Blocks udfAnchor(const PlanData& d, std::uint32_t at) {
    (void)d;
    Blocks b(kBlockSize, 0);
    std::uint8_t* p = b.data();
    le32(p + 16, 16 * kBlockSize);
    le32(p + 20, kUdfMainVds);
    le32(p + 24, 16 * kBlockSize);
    le32(p + 28, kUdfReserveVds);
    tag(p, 2, at, 512);
    return b;
}

Blocks udfFileSet(const PlanData& d) {
    Blocks b(2 * kBlockSize, 0);
    std::uint8_t* p = b.data();
    timestamp(p + 16, d.writeTime);
    le16(p + 28, 3);
    le16(p + 30, 3);
    le32(p + 32, 1);
    le32(p + 36, 1);
    charspec(p + 48);
    dstring(p + 112, 128, d.udfLogicalVolume);
    charspec(p + 240);
    dstring(p + 304, 32, d.udfVolume);
    longAd(p + 400, kBlockSize, rel(d, d.nodes[0].udfFe), 0);
    regid(p + 416, "*OSTA UDF Compliant", true);
    tag(p, 256, rel(d, d.fsdLsn), 512);
    tag(p + kBlockSize, 8, rel(d, d.fsdLsn) + 1, 512);
    return b;
}

Blocks udfDirectory(const PlanData& d, std::uint32_t node) {
    const Node& dir = d.nodes[node];
    std::uint32_t subdirs = 0;
    for (auto c : dir.children())
        subdirs += d.nodes[c].isDir ? 1 : 0;
    Blocks b(kBlockSize * (1 + blocksFor(dir.udfDataBytes)), 0);
    fileEntry(b.data(), d, dir, 1 + subdirs);
    std::uint8_t* data = b.data() + kBlockSize;
    std::uint32_t at = 0;
    auto fid = [&](const Node& target, std::u16string_view name, std::uint8_t traits) {
        std::uint8_t* p = data + at;
        le16(p + 16, 1);
        p[18] = traits;
        p[19] = static_cast<std::uint8_t>(cs0(name, p + 38)); // none for the parent entry
        longAd(p + 20, kBlockSize, rel(d, target.udfFe), 0);
        // Implementation use of the ICB address: flags then the UDF unique id.
        le32(p + 20 + 12, static_cast<std::uint32_t>(target.uniqueId));
        le16(p + 20 + 10, 0);
        std::uint32_t len = udfFidBytes(name);
        tag(p, 257, rel(d, dir.udfData) + at / kBlockSize, len);
        at += len;
    };
    const Node& parent = d.nodes[dir.parent < 0 ? 0 : dir.parent];
    fid(parent, u"", 0x0A); // parent entry: folder + parent
    for (auto c : dir.children()) {
        const Node& n = d.nodes[c];
        fid(n, n.udfId, n.isDir ? 0x02 : 0x00);
    }
    return b;
}

void udfFileEntry(const PlanData& d, std::uint32_t node, std::uint8_t* block) {
    fileEntry(block, d, d.nodes[node], 1);
}

} // namespace isofs::detail
