// Plays a track of the sample audio CD with the preview's player and prints the time from
// Play to the first buffer handed to the sink, and the process's CPU time over the wall time
// while playing.
//
//   platterly_bench_preview STORE SECONDS
//
// STORE is a drive store folder (created with the sample disc when missing). The output is the
// silent sink unless PLATTERLY_AUDIO_OUTPUT says otherwise and a device exists.
#include "preview/CdAudioPlayer.h"

#include "discengine/Engine.h"

#include <QCoreApplication>
#include <QTimer>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s STORE SECONDS\n", argv[0]);
        return 2;
    }
    const int seconds = std::atoi(argv[2]);
    QCoreApplication app(argc, argv);
    discengine::EngineOptions options;
    options.store = argv[1];
    auto engine = discengine::CreateEngine(options);
    if (!engine->Initialize(0)) {
        std::fprintf(stderr, "engine: %s\n", engine->LastError().c_str());
        return 1;
    }
    preview::CdAudioPlayer player;
    try {
        player.Open(QStringLiteral("D:\\Track01.cda"));
    } catch (const preview::PlayerError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    // The longest track, so that a long run plays without reaching its end.
    int longest = 1;
    for (int t = 2; t <= player.Tracks(); ++t)
        if (player.TrackLength(t) > player.TrackLength(longest))
            longest = t;
    player.Open(QStringLiteral("D:\\Track%1.cda").arg(longest, 2, 10, QChar('0')));
    std::fprintf(stderr, "%s\n", qPrintable(player.OutputDescription()));

    using Clock = std::chrono::steady_clock;
    std::optional<Clock::time_point> firstBuffer;
    player.SetPcmTap([&](std::int64_t, const char*, std::int64_t) {
        if (!firstBuffer)
            firstBuffer = Clock::now();
    });
    const double cpuBefore = CpuSeconds();
    const auto played = Clock::now();
    player.Play();
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &app, [&] {
        if (player.Mode() != preview::PlayerMode::Playing)
            app.quit();
    });
    watch.start(100);
    app.exec();
    const double wall = std::chrono::duration<double>(Clock::now() - played).count();
    const double cpu = CpuSeconds() - cpuBefore;
    player.Close();
    if (!firstBuffer) {
        std::fprintf(stderr, "nothing was handed to the sink\n");
        return 1;
    }
    std::printf("first_buffer_ms=%.2f played_s=%.2f cpu_percent=%.2f\n",
                std::chrono::duration<double, std::milli>(*firstBuffer - played).count(), wall,
                100.0 * cpu / wall);
    return 0;
}
