#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The AccurateRip database: where a disc's entry lives, what an entry says, and how a ripped
// track compares with it. Asked only when the user allows network use.
namespace accuraterip {

struct DiscId {
    std::uint32_t tracks = 0;
    std::uint32_t id1 = 0, id2 = 0, cddb = 0;
};

// `address` (the database's base, with or without trailing "/") + the entry's path:
// "<id1 & F>/<id1>>4 & F>/<id1>>8 & F>/dBAR-<tracks 3 digits>-<id1>-<id2>-<cddb>.bin".
std::string EntryUrl(const std::string& address, const DiscId& disc);

// One submission set in an entry: the disc's identifiers and, per track, the confidence (how
// many rips agreed) and the checksum.
struct Pressing {
    DiscId disc;
    struct Track {
        int confidence = 0;
        std::uint32_t crc = 0;
        std::uint32_t frame450 = 0;
    };
    std::vector<Track> tracks;
};

// Nothing when the bytes are not a well-formed entry (cut short, no chunk).
std::optional<std::vector<Pressing>> ParseEntry(const std::string& bytes);

enum class Verdict { Accurate, NotInDatabase, Mismatch };
struct TrackVerdict {
    Verdict verdict = Verdict::NotInDatabase;
    int confidence = 0; // the best agreeing submission's, when Accurate
};

// `entry` nothing: the database has no entry for the disc. A track matches when its v1 or v2
// checksum equals the checksum of that track in a pressing with the disc's track count.
TrackVerdict Judge(const std::optional<std::vector<Pressing>>& entry, const DiscId& disc,
                   int trackNumber, std::uint32_t v1, std::uint32_t v2);

struct Lookup {
    enum class Status { Found, Absent, Failed } status = Status::Failed;
    std::string error;                          // Failed: why, for the user
    std::optional<std::vector<Pressing>> entry; // Found
};

// Fetches the disc's entry with libcurl (http and https only, bounded in size and time).
// A 404 is Absent; anything else that is not a well-formed entry is Failed.
Lookup Fetch(const std::string& address, const DiscId& disc);

} // namespace accuraterip
