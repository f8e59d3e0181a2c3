#pragma once

// A source tree with awkward names, and the walk that puts a folder into a layout.

#include "isofs/FileLayout.h"
#include "support/TempDir.h"

#include <filesystem>
#include <random>
#include <string>

namespace isofstest {

inline std::string randomBytes(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (auto& c : s)
        c = static_cast<char>(rng());
    return s;
}

// Files: plain, empty, binary, Unicode (Latin-1 and beyond), names that clash once mangled,
// characters Joliet forbids, a very long name, an empty folder and a 12-level deep chain.
inline void makeAwkwardTree(const std::filesystem::path& root) {
    namespace fs = std::filesystem;
    using testsupport::writeFile;
    fs::create_directories(root / "docs" / "emptydir");
    writeFile(root / "a.txt", "hello");
    writeFile(root / "empty.dat", "");
    writeFile(root / "docs" / "b.bin", randomBytes(300000, 1));
    writeFile(root / "docs" / "Ünïcödé café.txt", "latin-1 name");
    writeFile(root / "docs" / "日本語 ☃.txt", "wide name");
    writeFile(root / "docs" / "smile 😀.txt", "outside the BMP");
    writeFile(root / "docs" / "A very long file name that clashes 1.txt", "one");
    writeFile(root / "docs" / "A very long file name that clashes 2.txt", "two");
    writeFile(root / "docs" / "readme.TXT", "lower");
    writeFile(root / "docs" / "README.txt", "upper");
    writeFile(root / "docs" / "what*is?this;1.txt", "bad joliet chars");
    writeFile(root / "docs" / (std::string(90, 'x') + "-tail.document"), "long");
    writeFile(root / "docs" / ".hidden", "dot file");
    fs::path deep = root;
    for (int i = 1; i <= 12; ++i)
        deep /= "level" + std::to_string(i);
    fs::create_directories(deep);
    writeFile(deep / "leaf.txt", "at the bottom");
}

// The folder walk of the data compilation: bare names for folders, full paths for files.
inline void addTree(isofs::FileLayout& layout, const std::filesystem::path& source,
                    const std::string& at) {
    for (const auto& entry : std::filesystem::directory_iterator(source)) {
        std::string name = entry.path().filename().string();
        if (entry.is_directory()) {
            layout.addItem(name, at + "\\" + name);
            addTree(layout, entry.path(), at + "\\" + name);
        } else {
            layout.addItem(entry.path().string(), at + "\\" + name);
        }
    }
}

// Calls fn(item) for every file item below item.
template <class Fn> void forEachFile(const isofs::DataItem& item, Fn fn) {
    for (std::size_t i = 0; i < item.childCount(); ++i) {
        const auto& c = *item.child(i);
        if (c.isFolder())
            forEachFile(c, fn);
        else
            fn(c);
    }
}

} // namespace isofstest
