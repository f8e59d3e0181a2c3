#include "Plan.h"

#include "Names.h"
#include "isofs/Errors.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <deque>

namespace isofs {

// Folders with more children than this get a name index for lookups by path.
constexpr std::size_t kIndexedFolder = 32;

namespace detail {

std::uint64_t blocksFor(std::uint64_t bytes) {
    return bytes / kBlockSize + (bytes % kBlockSize ? 1 : 0);
}

std::uint32_t isoRecordBytes(std::uint32_t idBytes, bool xa) {
    std::uint32_t len = 33 + idBytes;
    if (len % 2)
        ++len;
    return len + (xa ? 14 : 0);
}

std::uint32_t isoExtentCount(std::uint64_t size) {
    return size == 0 ? 1 : static_cast<std::uint32_t>((size + kIsoMaxExtent - 1) / kIsoMaxExtent);
}

bool udfWide(std::u16string_view name) {
    return std::any_of(name.begin(), name.end(), [](char16_t c) { return c > 0xFF; });
}

std::uint32_t udfFidBytes(std::u16string_view name) {
    std::uint32_t idBytes = name.empty() ? 0 : 1 + name.size() * (udfWide(name) ? 2 : 1);
    return (38 + idBytes + 3) & ~3u;
}

char* TextArena::take(std::size_t bytes, std::size_t align) {
    used_ = (used_ + align - 1) / align * align;
    if (blocks_.empty() || used_ + bytes > capacity_) {
        constexpr std::size_t kBlock = 256u << 10;
        capacity_ = std::max(kBlock, bytes);
        blocks_.push_back(std::make_unique<char[]>(capacity_));
        used_ = 0;
    }
    char* at = blocks_.back().get() + used_;
    used_ += bytes;
    return at;
}

std::string_view TextArena::keep(std::string_view text) {
    if (text.empty())
        return {};
    char* at = take(text.size(), 1);
    std::memcpy(at, text.data(), text.size());
    return {at, text.size()};
}

std::u16string_view TextArena::keep(std::u16string_view text) {
    if (text.empty())
        return {};
    char* at = take(text.size() * sizeof(char16_t), alignof(char16_t));
    std::memcpy(at, text.data(), text.size() * sizeof(char16_t));
    return {reinterpret_cast<const char16_t*>(at), text.size()};
}

namespace {
const std::vector<std::uint32_t> kNoChildren;
}

const std::vector<std::uint32_t>& Node::children() const {
    return lists ? lists->children : kNoChildren;
}

const std::vector<std::uint32_t>& Node::recordOrder(bool joliet) const {
    if (!lists)
        return kNoChildren;
    return joliet ? lists->joliet : lists->iso;
}

std::string Node::source() const {
    std::string path(sourceFolder);
    if (sourceEndsWithName)
        path += name;
    return path;
}

std::string PlanData::imagePath(std::uint32_t node) const {
    if (node == 0)
        return "\\";
    // Measured first, then filled from its end: one allocation however deep the file lies.
    std::size_t length = 0;
    for (std::int32_t n = static_cast<std::int32_t>(node); n > 0; n = nodes[n].parent)
        length += 1 + nodes[n].name.size();
    std::string path(length, '\\');
    for (std::int32_t n = static_cast<std::int32_t>(node); n > 0; n = nodes[n].parent) {
        length -= nodes[n].name.size();
        path.replace(length, nodes[n].name.size(), nodes[n].name);
        --length; // its separator, already in place
    }
    return path;
}

namespace {

// Sizes come from sources and from discs and image files, which may claim anything: each is
// checked against what an image can hold before any arithmetic is done with it.
void checkFileSize(const DataItem& item, const PlanData& d) {
    const std::uint64_t size = item.size();
    if (size / kBlockSize >= kMaxImageBlocks)
        throw LayoutError("The file " + item.imagePath() + " claims " + std::to_string(size) +
                          " bytes, more than an image can hold");
    if (d.udf && size > kUdfMaxExtents * kUdfMaxExtent)
        throw LayoutError("The file " + item.imagePath() + " (" + std::to_string(size) +
                          " bytes) is larger than UDF can record in one file entry");
}

std::size_t countItems(const DataItem& item) {
    std::size_t count = 0;
    std::vector<const DataItem*> stack{&item};
    while (!stack.empty()) {
        const DataItem* it = stack.back();
        stack.pop_back();
        ++count;
        for (std::size_t i = 0; i < it->childCount(); ++i)
            stack.push_back(it->child(i));
    }
    return count;
}

// A file added from a folder ends its source with "/" and its name: the name is kept once and
// the folder part once for the run of files that share it.
void keepSource(const DataItem& item, Node& n, PlanData& d, std::string_view& lastFolder) {
    const std::string& source = item.sourcePath();
    const std::string& name = item.name();
    n.name = d.text.keep(name);
    if (!item.isFolder() && source.size() > name.size() && source.ends_with(name) &&
        source[source.size() - name.size() - 1] == '/') {
        const std::string_view folder(source.data(), source.size() - name.size());
        if (folder != lastFolder)
            lastFolder = d.text.keep(folder);
        n.sourceFolder = lastFolder;
        n.sourceEndsWithName = true;
    } else {
        n.sourceFolder = d.text.keep(source);
    }
}

void copyTree(const DataItem& item, std::int32_t parent, PlanData& d) {
    std::string_view lastFolder;
    // Sized once: growing a vector of 100,000 nodes would hold it twice for a moment.
    d.nodes.reserve(d.nodes.size() + countItems(item));
    // Iterative: deep trees must not exhaust the stack.
    std::vector<std::pair<const DataItem*, std::int32_t>> stack{{&item, parent}};
    while (!stack.empty()) {
        auto [it, par] = stack.back();
        stack.pop_back();
        auto index = static_cast<std::uint32_t>(d.nodes.size());
        Node n;
        keepSource(*it, n, d, lastFolder);
        n.isDir = it->isFolder();
        if (n.isDir)
            n.lists = std::make_unique<Node::Lists>();
        if (!n.isDir)
            checkFileSize(*it, d);
        n.size = n.isDir ? 0 : it->size();
        n.date = (d.options.useFileDate && it->fileDate() != 0) ? it->fileDate() : d.writeTime;
        n.parent = par;
        d.nodes.push_back(std::move(n));
        if (par >= 0)
            d.nodes[par].lists->children.push_back(index);
        for (std::size_t i = it->childCount(); i-- > 0;)
            stack.emplace_back(it->child(i), static_cast<std::int32_t>(index));
    }
    // The stack visits children in reverse push order, so each child list is in layout order.
}

void assignNames(PlanData& d) {
    for (auto& dir : d.nodes) {
        if (!dir.isDir || dir.children().empty())
            continue;
        std::vector<NameRequest> req;
        req.reserve(dir.children().size());
        for (auto c : dir.children())
            req.push_back({d.nodes[c].name, d.nodes[c].isDir});
        auto iso = isoNames(req);
        auto jol = jolietNames(req);
        auto udf = udfNames(req);
        for (std::size_t i = 0; i < dir.children().size(); ++i) {
            Node& c = d.nodes[dir.children()[i]];
            c.isoId = d.text.keep(iso[i]);
            c.jolietId = d.text.keep(jol[i]);
            c.udfId = udf[i] == jol[i] ? c.jolietId : d.text.keep(udf[i]); // mostly the same
        }
        auto& isoSorted = dir.lists->iso;
        isoSorted = dir.children();
        std::sort(isoSorted.begin(), isoSorted.end(),
                  [&](auto a, auto b) { return isoLess(d.nodes[a].isoId, d.nodes[b].isoId); });
        auto& jolietSorted = dir.lists->joliet;
        jolietSorted = dir.children();
        std::sort(jolietSorted.begin(), jolietSorted.end(), [&](auto a, auto b) {
            return jolietLess(d.nodes[a].jolietId, d.nodes[b].jolietId);
        });
    }
}

// Path-table order: level by level, parents in number order, children in record order.
std::vector<std::uint32_t> pathTableOrder(const PlanData& d, bool joliet) {
    std::vector<std::uint32_t> order{0};
    for (std::size_t i = 0; i < order.size(); ++i) {
        const Node& n = d.nodes[order[i]];
        for (auto c : n.recordOrder(joliet))
            if (d.nodes[c].isDir)
                order.push_back(c);
    }
    if (order.size() > 0xFFFF)
        throw LayoutError("Too many folders for ISO9660 (at most 65535)");
    return order;
}

std::uint32_t pathTableBytes(const PlanData& d, const std::vector<std::uint32_t>& order,
                             bool joliet) {
    std::uint32_t bytes = 0;
    for (auto n : order) {
        std::uint32_t id = n == 0
                               ? 1
                               : static_cast<std::uint32_t>(joliet ? d.nodes[n].jolietId.size() * 2
                                                                   : d.nodes[n].isoId.size());
        bytes += 8 + id + (id % 2);
    }
    return bytes;
}

// A folder's records are one extent: a folder with more records than that holds is refused.
std::uint32_t dirBytes(const PlanData& d, std::uint32_t node, bool joliet) {
    const Node& dir = d.nodes[node];
    bool xa = d.options.mode2XA;
    std::uint64_t used = 2 * isoRecordBytes(1, xa);
    for (auto c : dir.recordOrder(joliet)) {
        const Node& n = d.nodes[c];
        std::uint32_t id;
        if (joliet)
            id = static_cast<std::uint32_t>(n.jolietId.size() * 2);
        else
            id = static_cast<std::uint32_t>(
                n.isoId.size() +
                (n.isDir ? 0 : (n.isoId.find('.') == std::string_view::npos ? 3 : 2)));
        std::uint32_t rec = isoRecordBytes(id, xa);
        std::uint32_t count = n.isDir ? 1 : isoExtentCount(n.size);
        for (std::uint32_t k = 0; k < count; ++k) {
            // A record never crosses a block boundary.
            if (used % kBlockSize + rec > kBlockSize)
                used += kBlockSize - used % kBlockSize;
            used += rec;
        }
        if (used > kIsoMaxExtent)
            throw LayoutError("The folder " + d.imagePath(node) + " holds too many items for " +
                              (joliet ? "Joliet" : "ISO9660"));
    }
    return static_cast<std::uint32_t>(blocksFor(used) * kBlockSize);
}

std::uint32_t udfDirBytes(const PlanData& d, std::uint32_t node) {
    std::uint64_t bytes = udfFidBytes(u"");
    for (auto c : d.nodes[node].children()) {
        bytes += udfFidBytes(d.nodes[c].udfId);
        if (bytes > 0xFFFFFFFFull)
            throw LayoutError("The folder " + d.imagePath(node) + " holds too many items for UDF");
    }
    return static_cast<std::uint32_t>(bytes);
}

class Allocator {
public:
    explicit Allocator(std::uint32_t start) : next_(start) {}
    std::uint32_t take(std::uint64_t blocks) {
        if (blocks > kMaxImageBlocks - next_)
            throw LayoutError("The image is too large (more than 2^32 blocks)");
        auto at = next_;
        next_ += static_cast<std::uint32_t>(blocks);
        return at;
    }
    std::uint32_t next() const { return next_; }

private:
    std::uint32_t next_;
};

void allocate(PlanData& d) {
    std::uint32_t vds = 16 + (d.iso ? 1 : 0) + (d.joliet ? 1 : 0) + (d.iso ? 1 : 0);
    d.vrsStart = vds;
    std::uint32_t start = d.udf ? kUdfAnchor + 1 : vds;
    if (d.udf)
        d.partitionStart = start;
    Allocator a(start);
    if (d.iso) {
        d.isoDirs = pathTableOrder(d, false);
        for (std::size_t i = 0; i < d.isoDirs.size(); ++i)
            d.nodes[d.isoDirs[i]].isoNumber = static_cast<std::uint16_t>(i + 1);
        d.isoPathBytes = pathTableBytes(d, d.isoDirs, false);
        d.isoPathL = a.take(blocksFor(d.isoPathBytes));
        d.isoPathM = a.take(blocksFor(d.isoPathBytes));
    }
    if (d.joliet) {
        d.jolietDirs = pathTableOrder(d, true);
        for (std::size_t i = 0; i < d.jolietDirs.size(); ++i)
            d.nodes[d.jolietDirs[i]].jolietNumber = static_cast<std::uint16_t>(i + 1);
        d.jolietPathBytes = pathTableBytes(d, d.jolietDirs, true);
        d.jolietPathL = a.take(blocksFor(d.jolietPathBytes));
        d.jolietPathM = a.take(blocksFor(d.jolietPathBytes));
    }
    for (auto n : d.isoDirs) {
        d.nodes[n].isoSize = dirBytes(d, n, false);
        d.nodes[n].isoLsn = a.take(d.nodes[n].isoSize / kBlockSize);
    }
    for (auto n : d.jolietDirs) {
        d.nodes[n].jolietSize = dirBytes(d, n, true);
        d.nodes[n].jolietLsn = a.take(d.nodes[n].jolietSize / kBlockSize);
    }
    // Folders in breadth-first layout order for UDF; files in the same walk for their data.
    std::vector<std::uint32_t> walk{0};
    for (std::size_t i = 0; i < walk.size(); ++i)
        for (auto c : d.nodes[walk[i]].children())
            walk.push_back(c);
    for (auto n : walk)
        (d.nodes[n].isDir ? d.udfDirs : d.files).push_back(n);
    if (d.udf) {
        d.fsdLsn = a.take(2); // file set descriptor and its terminator
        for (auto n : d.udfDirs) {
            Node& dir = d.nodes[n];
            dir.uniqueId = n == 0 ? 0 : d.nextUniqueId++;
            dir.udfFe = a.take(1);
            dir.udfDataBytes = udfDirBytes(d, n);
            dir.udfData = a.take(blocksFor(dir.udfDataBytes));
        }
        for (auto n : d.files) {
            d.nodes[n].uniqueId = d.nextUniqueId++;
            d.nodes[n].udfFe = a.take(1);
        }
    }
    d.dataStart = a.next();
    for (auto n : d.files) {
        Node& f = d.nodes[n];
        f.dataLsn = a.take(blocksFor(f.size));
        d.dataBytes += f.size;
    }
    if (d.udf) {
        if (a.next() < kUdfAnchor + 2)
            a.take(kUdfAnchor + 2 - a.next());
        d.partitionBlocks = a.next() - d.partitionStart;
        a.take(1); // the closing anchor
        d.totalBlocks = a.next();
    } else {
        d.totalBlocks = a.next();
    }
}

} // namespace

} // namespace detail

bool isSupportedFileSystems(int flags) {
    return flags == 1 || flags == 3 || flags == 4 || flags == 5 || flags == 7;
}

ImagePlan ImagePlan::build(const FileLayout& layout, const ImageOptions& options) {
    using namespace detail;
    if (!isSupportedFileSystems(options.fileSystems))
        throw LayoutError("Unsupported file system combination: " +
                          std::to_string(options.fileSystems));
    auto d = std::make_shared<PlanData>();
    d->options = options;
    d->writeTime = options.writeTime ? options.writeTime : std::time(nullptr);
    d->iso = options.fileSystems & fsIso9660;
    d->joliet = options.fileSystems & fsJoliet;
    d->udf = options.fileSystems & fsUdf;
    copyTree(layout.root(), -1, *d);
    for (const auto& n : d->nodes)
        if (!n.isDir && !n.hasSource())
            throw LayoutError("The file " + std::string(n.name) + " has no source");
    assignNames(*d);
    allocate(*d);
    d->isoVolume = isoVolumeId(options.volumeLabel);
    d->jolietVolume = jolietVolumeId(options.volumeLabel);
    d->udfVolume = udfVolumeId(options.volumeLabel, 32);
    d->udfLogicalVolume = udfVolumeId(options.volumeLabel, 128);
    ImagePlan plan;
    plan.data_ = std::move(d);
    return plan;
}

std::uint64_t ImagePlan::imageBlocks() const {
    return data_->totalBlocks;
}
std::uint64_t ImagePlan::fileCount() const {
    return data_->files.size();
}
const ImageOptions& ImagePlan::options() const {
    return data_->options;
}

const std::unordered_map<std::uint32_t, std::unordered_map<std::string, std::uint32_t>>&
detail::PlanData::bigFolders() const {
    std::call_once(bigFoldersMade_, [this] {
        for (std::uint32_t i = 0; i < nodes.size(); ++i)
            if (nodes[i].children().size() > kIndexedFolder) {
                auto& byName = bigFolders_[i];
                for (std::uint32_t c : nodes[i].children())
                    byName.emplace(nodes[c].name, c);
            }
    });
    return bigFolders_;
}

static const detail::Node* findNode(const detail::PlanData& d, std::string_view imagePath) {
    std::uint32_t at = 0;
    const auto& bigFolders = d.bigFolders();
    for (const auto& name : FileLayout::splitImagePath(imagePath)) {
        if (auto big = bigFolders.find(at); big != bigFolders.end()) {
            auto it = big->second.find(std::string(name));
            if (it == big->second.end())
                return nullptr;
            at = it->second;
            continue;
        }
        const auto& kids = d.nodes[at].children();
        auto it = std::find_if(kids.begin(), kids.end(),
                               [&](std::uint32_t c) { return d.nodes[c].name == name; });
        if (it == kids.end())
            return nullptr;
        at = *it;
    }
    return &d.nodes[at];
}

std::string ImagePlan::isoName(std::string_view imagePath) const {
    const auto* n = findNode(*data_, imagePath);
    return n ? std::string(n->isoId) : std::string();
}

std::string ImagePlan::jolietName(std::string_view imagePath) const {
    const auto* n = findNode(*data_, imagePath);
    return n ? detail::ucs2ToUtf8(n->jolietId) : std::string();
}

std::string ImagePlan::udfName(std::string_view imagePath) const {
    const auto* n = findNode(*data_, imagePath);
    return n ? detail::ucs2ToUtf8(n->udfId) : std::string();
}

} // namespace isofs
