#include "SheetFiles.h"

#include "../audio/CdWav.h"
#include "discengine/Errors.h"

namespace fs = std::filesystem;

namespace discengine::sheets {
namespace {

bool Inside(const fs::path& folder, const fs::path& path) {
    fs::path relative = path.lexically_relative(folder);
    return !relative.empty() && *relative.begin() != ".." && !relative.is_absolute();
}

// Sheets written on other systems separate folders with backslashes.
fs::path NativeName(const std::string& name) {
    if (name.find('/') != std::string::npos || name.find('\\') == std::string::npos)
        return fs::path(name);
    std::string native = name;
    for (char& c : native)
        if (c == '\\')
            c = '/';
    return fs::path(native);
}

} // namespace

PlanFile OpenSheetFile(const fs::path& sheet, const std::string& name, FileKind kind,
                       SheetRule rule) {
    const std::string what = "FILE \"" + name + "\" of " + sheet.filename().string();
    if (name.empty())
        throw EngineError(what + ": the name is empty");
    fs::path folder = sheet.parent_path().empty() ? fs::path(".") : sheet.parent_path();
    fs::path named = NativeName(name);
    fs::path joined = (folder / named).lexically_normal();
    std::error_code ec;
    fs::path realFolder = fs::weakly_canonical(folder, ec);
    fs::path real = ec ? joined : fs::weakly_canonical(joined, ec);
    bool inside = !named.is_absolute() && Inside(folder.lexically_normal(), joined) && !ec &&
                  Inside(realFolder, real);
    if (!inside && rule == SheetRule::FolderOnly)
        throw EngineError(what + " lies outside the sheet's folder; only files in the sheet's "
                                 "folder are read unless the sheet is inserted with --outside");
    PlanFile file;
    file.path = joined;
    file.kind = kind;
    int error = 0;
    file.file = OpenRegularFile(joined, error);
    if (!file.file.IsOpen())
        throw EngineError(what + ": " + OpenFailureReason(joined, error));
    file.dataBytes = file.file.Size();
    if (kind == FileKind::Wave) {
        std::string why;
        auto wav = audioimage::ProbeCdWav(file.file, joined, why);
        if (!wav)
            throw EngineError(what +
                              " is not a WAVE file of CD audio (44.1 kHz, 16-bit, stereo "
                              "PCM): " +
                              why);
        file.dataOffset = wav->dataOffset;
        file.dataBytes = wav->dataBytes;
    }
    return file;
}

} // namespace discengine::sheets
