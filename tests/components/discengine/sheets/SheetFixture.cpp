#include "SheetFixture.h"
#include "discengine/Disc.h"

#include "discengine/DriveRegistry.h"

#include <cdio/cdio.h>
#include <cdio/cdtext.h>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace sheettest {

std::string Pcm(int frames, int seed) {
    std::string pcm(static_cast<std::size_t>(frames) * kFrame, '\0');
    std::uint32_t state = 0x9E3779B9u * static_cast<std::uint32_t>(seed + 1);
    for (std::size_t i = 0; i < pcm.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        pcm[i] = static_cast<char>(state >> 24);
    }
    return pcm;
}

std::string Swapped(std::string pcm) {
    for (std::size_t i = 0; i + 1 < pcm.size(); i += 2)
        std::swap(pcm[i], pcm[i + 1]);
    return pcm;
}

namespace {
void Put32(std::string& s, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s += static_cast<char>((v >> (8 * i)) & 0xFF);
}
void Put16(std::string& s, std::uint16_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
}
} // namespace

std::string Wav(const std::string& pcm) {
    std::string fmt;
    Put16(fmt, 1);
    Put16(fmt, 2);
    Put32(fmt, 44100);
    Put32(fmt, 176400);
    Put16(fmt, 4);
    Put16(fmt, 16);
    const std::string list("INFOISFT\x06\0\0\0tests\0", 18);
    std::string body = "WAVEfmt ";
    Put32(body, static_cast<std::uint32_t>(fmt.size()));
    body += fmt + "LIST";
    Put32(body, static_cast<std::uint32_t>(list.size()));
    body += list + "data";
    Put32(body, static_cast<std::uint32_t>(pcm.size()));
    body += pcm;
    std::string wav = "RIFF";
    Put32(wav, static_cast<std::uint32_t>(body.size()));
    return wav + body;
}

std::string MakeIso(const fs::path& work, const std::string& label) {
    fs::path tree = work / ("tree-" + label);
    fs::create_directories(tree / "Docs");
    testsupport::writeFile(tree / "Readme.txt", "read me first\n");
    testsupport::writeFile(tree / "Docs" / "Long Document Name.txt", std::string(5000, 'd'));
    fs::path iso = work / (label + ".iso");
    std::string cmd =
        "genisoimage -quiet -J -V " + label + " -o '" + iso.string() + "' '" + tree.string() + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    std::string bytes = testsupport::readFile(iso);
    fs::remove(iso);
    fs::remove_all(tree);
    return bytes;
}

std::string RawMode1(const std::string& iso) {
    auto bcd = [](int v) { return static_cast<char>(((v / 10) << 4) | (v % 10)); };
    std::string raw;
    for (std::size_t lba = 0; lba * 2048 < iso.size(); ++lba) {
        std::string sector(kFrame, '\0');
        std::memset(sector.data() + 1, 0xFF, 10);
        int address = static_cast<int>(lba) + 150;
        sector[12] = bcd(address / 4500);
        sector[13] = bcd((address / 75) % 60);
        sector[14] = bcd(address % 75);
        sector[15] = 1;
        std::memcpy(sector.data() + 16, iso.data() + lba * 2048, 2048);
        raw += sector;
    }
    return raw;
}

Store::Store() : store(dir / "drives") {
    engine = discengine::CreateEngine({dir / "drives", true});
    EXPECT_TRUE(engine->Initialize(0));
}

std::shared_ptr<discengine::IDeviceX> Store::Drive(char letter) {
    auto device = engine->FindDevice(letter);
    if (device)
        device->Refresh(true);
    return device;
}

namespace {
struct CdioCloser {
    void operator()(CdIo_t* cdio) const { cdio_destroy(cdio); }
};
std::unique_ptr<CdIo_t, CdioCloser> OpenDrive(const fs::path& store, char letter) {
    auto source = discengine::DriveCdioSource(letter, store);
    if (!source)
        return nullptr;
    return std::unique_ptr<CdIo_t, CdioCloser>(
        cdio_open(source->path.c_str(), static_cast<driver_id_t>(source->driver)));
}
std::string Text(cdtext_t* text, cdtext_field_t field, track_t track) {
    const char* value = text ? cdtext_get_const(text, field, track) : nullptr;
    return value ? value : "";
}
} // namespace

CdioView ReadWithLibcdio(const fs::path& store, char letter) {
    CdioView view;
    auto cdio = OpenDrive(store, letter);
    if (!cdio)
        return view;
    track_t first = cdio_get_first_track_num(cdio.get());
    view.tracks = cdio_get_num_tracks(cdio.get());
    char* mcn = cdio_get_mcn(cdio.get());
    view.catalog = mcn ? mcn : "";
    std::free(mcn);
    cdtext_t* text = cdio_get_cdtext(cdio.get());
    view.discTitle = Text(text, CDTEXT_FIELD_TITLE, 0);
    view.discPerformer = Text(text, CDTEXT_FIELD_PERFORMER, 0);
    for (int i = 0; i < view.tracks; ++i) {
        auto t = static_cast<track_t>(first + i);
        view.audio.push_back(cdio_get_track_format(cdio.get(), t) == TRACK_FORMAT_AUDIO);
        view.lsn.push_back(cdio_get_track_lsn(cdio.get(), t));
        view.sectors.push_back(static_cast<int>(cdio_get_track_sec_count(cdio.get(), t)));
        view.titles.push_back(Text(text, CDTEXT_FIELD_TITLE, t));
        char* isrc = cdio_get_track_isrc(cdio.get(), t);
        view.isrc.push_back(isrc ? isrc : "");
        std::free(isrc);
    }
    return view;
}

std::string ReadTrackAudio(const fs::path& store, char letter, int number) {
    auto cdio = OpenDrive(store, letter);
    if (!cdio)
        return {};
    auto track = static_cast<track_t>(number);
    lsn_t lsn = cdio_get_track_lsn(cdio.get(), track);
    auto count = static_cast<int>(cdio_get_track_sec_count(cdio.get(), track));
    std::string audio(static_cast<std::size_t>(count) * kFrame, '\0');
    for (int i = 0; i < count; ++i)
        if (cdio_read_audio_sectors(cdio.get(), audio.data() + static_cast<std::size_t>(i) * kFrame,
                                    lsn + i, 1) != DRIVER_OP_SUCCESS)
            return {};
    return audio;
}

} // namespace sheettest
