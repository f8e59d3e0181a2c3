#include "Bytes.h"
#include "Emit.h"

#include <cstdio>
#include <ctime>

namespace isofs::detail {

namespace {

std::tm utc(std::int64_t t) {
    std::time_t tt = static_cast<std::time_t>(t);
    std::tm tm{};
    gmtime_r(&tt, &tm);
    return tm;
}

void dirDate(std::uint8_t* p, std::int64_t t) {
    std::tm tm = utc(t);
    int year = tm.tm_year;
    p[0] = static_cast<std::uint8_t>(year < 0 ? 0 : year > 255 ? 255 : year);
    p[1] = static_cast<std::uint8_t>(tm.tm_mon + 1);
    p[2] = static_cast<std::uint8_t>(tm.tm_mday);
    p[3] = static_cast<std::uint8_t>(tm.tm_hour);
    p[4] = static_cast<std::uint8_t>(tm.tm_min);
    p[5] = static_cast<std::uint8_t>(tm.tm_sec);
    p[6] = 0; // UTC
}

void vdDate(std::uint8_t* p, std::int64_t t) {
    std::tm tm = utc(t);
    char text[64];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d00", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    std::memcpy(p, text, 16);
    p[16] = 0;
}

void noDate(std::uint8_t* p) {
    std::memset(p, '0', 16);
    p[16] = 0;
}

void fillText(std::uint8_t* p, std::size_t size, const std::string& text) {
    std::memset(p, ' ', size);
    std::memcpy(p, text.data(), std::min(size, text.size()));
}

void fillUcs2(std::uint8_t* p, std::size_t size, const std::u16string& text) {
    for (std::size_t i = 0; i + 1 < size; i += 2)
        be16(p + i, i / 2 < text.size() ? text[i / 2] : u' ');
}

std::string fileIdentifier(const Node& n) {
    if (n.isDir)
        return std::string(n.isoId);
    return std::string(n.isoId) + (n.isoId.find('.') == std::string_view::npos ? ".;1" : ";1");
}

std::vector<std::uint8_t> identifierBytes(const Node& n, bool joliet) {
    if (!joliet) {
        std::string id = fileIdentifier(n);
        return {id.begin(), id.end()};
    }
    std::vector<std::uint8_t> out(n.jolietId.size() * 2);
    for (std::size_t i = 0; i < n.jolietId.size(); ++i)
        be16(&out[i * 2], n.jolietId[i]);
    return out;
}

// One directory record; returns its length.
std::uint32_t record(std::uint8_t* p, const std::vector<std::uint8_t>& id, std::uint32_t lsn,
                     std::uint32_t bytes, std::int64_t date, std::uint8_t flags, bool xa,
                     bool isDir) {
    std::uint32_t len = isoRecordBytes(static_cast<std::uint32_t>(id.size()), xa);
    p[0] = static_cast<std::uint8_t>(len);
    both32(p + 2, lsn);
    both32(p + 10, bytes);
    dirDate(p + 18, date);
    p[25] = flags;
    both16(p + 28, 1);
    p[32] = static_cast<std::uint8_t>(id.size());
    std::memcpy(p + 33, id.data(), id.size());
    if (xa) {
        std::uint8_t* su = p + len - 14;
        be16(su + 4, isDir ? 0x8D55 : 0x0D55); // Mode 2 Form 1 data, readable by all
        su[6] = 'X';
        su[7] = 'A';
    }
    return len;
}

} // namespace

Blocks isoVolumeDescriptor(const PlanData& d, bool joliet) {
    Blocks b(kBlockSize, 0);
    std::uint8_t* p = b.data();
    p[0] = joliet ? 2 : 1;
    std::memcpy(p + 1, "CD001", 5);
    p[6] = 1;
    if (joliet) {
        fillUcs2(p + 8, 32, u"LINUX");
        fillUcs2(p + 40, 32, d.jolietVolume);
        p[88] = 0x25; // "%/E": UCS-2 level 3
        p[89] = 0x2F;
        p[90] = 0x45;
    } else {
        fillText(p + 8, 32, "LINUX");
        fillText(p + 40, 32, d.isoVolume);
    }
    both32(p + 80, d.totalBlocks);
    both16(p + 120, 1);
    both16(p + 124, 1);
    both16(p + 128, kBlockSize);
    both32(p + 132, joliet ? d.jolietPathBytes : d.isoPathBytes);
    le32(p + 140, joliet ? d.jolietPathL : d.isoPathL);
    be32(p + 148, joliet ? d.jolietPathM : d.isoPathM);
    const Node& root = d.nodes[0];
    record(p + 156, {0}, joliet ? root.jolietLsn : root.isoLsn,
           joliet ? root.jolietSize : root.isoSize, root.date, 2, false, true);
    const std::size_t textFields[] = {190, 318, 446, 574};
    const std::size_t textSizes[] = {128, 128, 128, 128};
    for (int i = 0; i < 4; ++i) {
        if (joliet)
            fillUcs2(p + textFields[i], textSizes[i], i == 3 ? u"PLATTERLY" : u"");
        else
            fillText(p + textFields[i], textSizes[i], i == 3 ? "PLATTERLY" : "");
    }
    for (std::size_t off : {702u, 739u, 776u}) {
        if (joliet)
            fillUcs2(p + off, 36, u"");
        else
            fillText(p + off, 37, "");
    }
    vdDate(p + 813, d.writeTime);
    vdDate(p + 830, d.writeTime);
    noDate(p + 847);
    vdDate(p + 864, d.writeTime);
    p[881] = 1;
    if (d.options.mode2XA)
        std::memcpy(p + 1024, "CD-XA001", 8);
    return b;
}

Blocks isoTerminator() {
    Blocks b(kBlockSize, 0);
    b[0] = 255;
    std::memcpy(&b[1], "CD001", 5);
    b[6] = 1;
    return b;
}

Blocks isoPathTable(const PlanData& d, bool joliet, bool bigEndian) {
    const auto& order = joliet ? d.jolietDirs : d.isoDirs;
    Blocks b(blocksFor(joliet ? d.jolietPathBytes : d.isoPathBytes) * kBlockSize, 0);
    std::size_t at = 0;
    for (auto n : order) {
        const Node& node = d.nodes[n];
        std::vector<std::uint8_t> id =
            n == 0 ? std::vector<std::uint8_t>{0} : identifierBytes(node, joliet);
        std::uint8_t* p = &b[at];
        p[0] = static_cast<std::uint8_t>(id.size());
        std::uint32_t lsn = joliet ? node.jolietLsn : node.isoLsn;
        std::uint32_t parent =
            n == 0 ? 1
                   : (joliet ? d.nodes[node.parent].jolietNumber : d.nodes[node.parent].isoNumber);
        if (bigEndian) {
            be32(p + 2, lsn);
            be16(p + 6, parent);
        } else {
            le32(p + 2, lsn);
            le16(p + 6, parent);
        }
        std::memcpy(p + 8, id.data(), id.size());
        at += 8 + id.size() + (id.size() % 2);
    }
    return b;
}

Blocks isoDirectory(const PlanData& d, std::uint32_t node, bool joliet) {
    const Node& dir = d.nodes[node];
    const Node& parent = d.nodes[dir.parent < 0 ? 0 : dir.parent];
    bool xa = d.options.mode2XA;
    Blocks b(joliet ? dir.jolietSize : dir.isoSize, 0);
    std::uint32_t at = 0;
    auto lsnOf = [&](const Node& n) { return joliet ? n.jolietLsn : n.isoLsn; };
    auto sizeOf = [&](const Node& n) { return joliet ? n.jolietSize : n.isoSize; };
    at += record(&b[at], {0}, lsnOf(dir), sizeOf(dir), dir.date, 2, xa, true);
    at += record(&b[at], {1}, lsnOf(parent), sizeOf(parent), parent.date, 2, xa, true);
    for (auto c : dir.recordOrder(joliet)) {
        const Node& n = d.nodes[c];
        auto id = identifierBytes(n, joliet);
        std::uint32_t rec = isoRecordBytes(static_cast<std::uint32_t>(id.size()), xa);
        std::uint32_t extents = n.isDir ? 1 : isoExtentCount(n.size);
        std::uint64_t left = n.size;
        for (std::uint32_t k = 0; k < extents; ++k) {
            if (at % kBlockSize + rec > kBlockSize)
                at += kBlockSize - at % kBlockSize;
            std::uint32_t lsn, bytes;
            std::uint8_t flags = 0;
            if (n.isDir) {
                lsn = lsnOf(n);
                bytes = sizeOf(n);
                flags = 2;
            } else {
                lsn = n.dataLsn + static_cast<std::uint32_t>(k * (kIsoMaxExtent / kBlockSize));
                bytes = static_cast<std::uint32_t>(std::min(left, kIsoMaxExtent));
                left -= bytes;
                if (k + 1 < extents)
                    flags = 0x80; // more extents follow
            }
            at += record(&b[at], id, lsn, bytes, n.date, flags, xa, n.isDir);
        }
    }
    return b;
}

} // namespace isofs::detail
