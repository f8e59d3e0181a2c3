#include "engine/InfoCommand.h"

#include "engine/DiscReport.h"

#include <cctype>
#include <optional>

namespace de = discengine;

namespace {

// "D:", "d:" or "D".
std::optional<char> ParseDriveArgument(const std::string& arg) {
    if (arg.empty() || arg.size() > 2 || !std::isalpha(static_cast<unsigned char>(arg[0])))
        return std::nullopt;
    if (arg.size() == 2 && arg[1] != ':')
        return std::nullopt;
    return static_cast<char>(std::toupper(static_cast<unsigned char>(arg[0])));
}

void Print(const LineListWriter& lines, std::ostream& out) {
    for (const QString& line : lines.Lines())
        out << line.toStdString() << '\n';
}

// Writes one report; on an engine failure prints what was made and the reason.
template <typename Report>
bool PrintReport(const char* title, de::IDeviceX& drive, Report report, std::ostream& out,
                 std::ostream& err) {
    out << title << '\n';
    LineListWriter lines;
    try {
        report(drive, lines);
    } catch (const de::EngineError& e) {
        Print(lines, out);
        err << "error: " << e.what() << '\n';
        return false;
    }
    Print(lines, out);
    return true;
}

} // namespace

int RunInfoCommand(de::IDVDEngineX& engine, const std::vector<std::string>& args, std::ostream& out,
                   std::ostream& err) {
    if (args.size() != 1) {
        err << "usage: platterly-cli info X:\n";
        return 2;
    }
    const auto letter = ParseDriveArgument(args[0]);
    if (!letter) {
        err << "error: '" << args[0] << "' is not a drive (expected a letter such as D:)\n";
        return 2;
    }
    std::shared_ptr<de::IDeviceX> drive;
    try {
        drive = engine.FindDevice(*letter);
    } catch (const de::EngineError& e) {
        err << "error: " << e.what() << '\n';
        return 1;
    }
    if (!drive) {
        err << "error: there is no drive " << *letter << ":\n";
        return 1;
    }
    const std::string name(1, *letter);
    const std::string source = "== " + name + ": source report ==";
    const std::string destination = "== " + name + ": destination report ==";
    if (!PrintReport(
            source.c_str(), *drive,
            [](de::IDeviceX& d, ReportWriter& w) { WriteSourceReport(d, w); }, out, err))
        return 1;
    out << '\n';
    if (!PrintReport(
            destination.c_str(), *drive,
            [](de::IDeviceX& d, ReportWriter& w) { WriteDestinationReport(d, w); }, out, err))
        return 1;
    return 0;
}
