#include "Commands.h"

#include "jobs/Interrupt.h"
#include "preview/CdAudioPlayer.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <iostream>
#include <optional>
#include <unistd.h>

// play X: TRACK [--from SECONDS]: plays an audio track of a drive's disc with a time line, for
// checking a drive without the window.
namespace {

struct PlayArgs {
    std::string drive;
    int track = 0;
    long long from = 0;
};

std::optional<long long> Number(const std::string& text) {
    if (text.empty() || text.size() > 9 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stoll(text);
}

std::optional<PlayArgs> Parse(const std::vector<std::string>& args) {
    PlayArgs parsed;
    std::vector<std::string> plain;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--from") {
            auto seconds = i + 1 < args.size() ? Number(args[i + 1]) : std::nullopt;
            if (!seconds)
                return std::nullopt;
            parsed.from = *seconds;
            ++i;
        } else {
            plain.push_back(args[i]);
        }
    }
    if (plain.size() != 2)
        return std::nullopt;
    auto track = Number(plain[1]);
    if (!track || *track < 1 || *track > 99)
        return std::nullopt;
    parsed.drive = plain[0];
    parsed.track = static_cast<int>(*track);
    return parsed;
}

QString TimeText(std::int64_t ms) {
    const std::int64_t s = ms / 1000;
    return QStringLiteral("%1:%2").arg(s / 60, 2, 10, QChar('0')).arg(s % 60, 2, 10, QChar('0'));
}

int Play(cli::Context& context, const std::vector<std::string>& args) {
    auto parsed = Parse(args);
    if (!parsed) {
        std::cerr << "usage: platterly-cli " << cli::kPlayUsage << "\n";
        return cli::kExitUsage;
    }
    auto device = cli::DriveArgument(context, parsed->drive);
    if (!device)
        return cli::kExitUsage;
    int argc = 1;
    char name[] = "platterly-cli";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    preview::CdAudioPlayer player;
    const QString file = QStringLiteral("%1:\\Track%2.cda")
                             .arg(QChar::fromLatin1(device->DriveLetter()))
                             .arg(parsed->track, 2, 10, QChar('0'));
    try {
        player.Open(file);
    } catch (const preview::PlayerError& e) {
        std::cerr << "platterly-cli: " << e.what() << "\n";
        return cli::kExitFailed;
    }
    std::cerr << player.OutputDescription().toStdString() << "\n";
    const std::int64_t start = player.TrackPosition(parsed->track);
    const std::int64_t length = player.TrackLength(parsed->track);
    if (parsed->from * 1000 >= length) {
        std::cerr << "platterly-cli: track " << parsed->track << " is only " << length / 1000
                  << " seconds long\n";
        return cli::kExitUsage;
    }
    player.Seek(start + parsed->from * 1000);
    player.Play();

    int status = 0;
    QObject::connect(
        &player, &preview::CdAudioPlayer::PlaybackFailed, &app, [&](const QString& message) {
            std::cerr << "\nplatterly-cli: playing stopped: " << message.toStdString() << "\n";
            status = cli::kExitFailed;
        });
    // Ctrl+C stops playing and ends the command as cancelled.
    jobs::InterruptWatch interrupt;
    const bool tty = ::isatty(STDOUT_FILENO);
    long long lastSecond = -1;
    QTimer line;
    line.setInterval(200);
    QObject::connect(&line, &QTimer::timeout, &app, [&] {
        const std::int64_t elapsed = player.Position() - start;
        const QString text = QStringLiteral("Track%1.cda  %2 / %3")
                                 .arg(parsed->track, 2, 10, QChar('0'))
                                 .arg(TimeText(elapsed), TimeText(length));
        if (tty) {
            std::printf("\r%s", text.toUtf8().constData());
        } else if (elapsed / 1000 != lastSecond) {
            lastSecond = elapsed / 1000;
            std::printf("%s\n", text.toUtf8().constData());
        }
        std::fflush(stdout);
        if (interrupt.Interrupted()) {
            player.Stop();
            status = cli::kExitCancelled;
        }
        if (player.Mode() != preview::PlayerMode::Playing)
            app.quit();
    });
    line.start();
    app.exec();
    if (tty)
        std::printf("\n");
    player.Close();
    return status;
}

cli::Register reg({"play", cli::kPlayUsage, Play});

} // namespace
