#include "PreviewDisc.h"

#include "support/ScopedEnv.h"
#include "support/TempDir.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

using preview::CdAudioPlayer;
using preview::PlayerMode;

namespace {

// A private PulseAudio server with one null sink, for as long as the object lives.
class NullSinkServer {
public:
    explicit NullSinkServer(const testsupport::TempDir& dir)
        : socket_((dir / "pulse.sock").string()) {
        const QString runtime = QString::fromStdString((dir / "run").string());
        QDir().mkpath(runtime);
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", runtime);
        env.insert("HOME", QString::fromStdString(dir.path().string()));
        server_.setProcessEnvironment(env);
        server_.setProcessChannelMode(QProcess::MergedChannels);
        server_.start("pulseaudio",
                      {"-n", "--daemonize=no", "--exit-idle-time=-1", "--disable-shm=yes",
                       "--use-pid-file=no", "--log-target=stderr", "-L",
                       "module-null-sink sink_name=preview_test rate=44100 channels=2", "-L",
                       QString::fromStdString("module-native-protocol-unix auth-anonymous=1 "
                                              "socket=" +
                                              socket_)});
        ready_ = server_.waitForStarted(10000) &&
                 RunUntil([&] { return server_.state() != QProcess::Running || Answers(); }) &&
                 server_.state() == QProcess::Running;
    }
    ~NullSinkServer() {
        server_.terminate();
        if (!server_.waitForFinished(5000))
            server_.kill();
    }
    bool Ready() const { return ready_; }
    QString Why() { return QString::fromUtf8(server_.readAll()); }
    QString Address() const { return QString::fromStdString("unix:" + socket_); }

private:
    bool Answers() {
        QProcess info;
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert("PULSE_SERVER", Address());
        info.setProcessEnvironment(env);
        info.start("pactl", {"info"});
        return info.waitForFinished(5000) && info.exitCode() == 0;
    }
    std::string socket_;
    QProcess server_;
    bool ready_ = false;
};

std::vector<std::int16_t> Left(const std::string& pcm) {
    std::vector<std::int16_t> left(pcm.size() / 4);
    for (std::size_t i = 0; i < left.size(); ++i)
        std::memcpy(&left[i], pcm.data() + i * 4, 2);
    return left;
}

// The best normalised correlation of `part` with `whole` at any offset.
double BestCorrelation(const std::vector<std::int16_t>& whole,
                       const std::vector<std::int16_t>& part) {
    double best = 0;
    double partEnergy = 0;
    for (auto v : part)
        partEnergy += double(v) * v;
    for (std::size_t at = 0; at + part.size() <= whole.size(); ++at) {
        double dot = 0, energy = 0;
        for (std::size_t i = 0; i < part.size(); ++i) {
            dot += double(whole[at + i]) * part[i];
            energy += double(whole[at + i]) * whole[at + i];
        }
        if (energy > 0)
            best = std::max(best, dot / std::sqrt(energy * partEnergy));
    }
    return best;
}

TEST(PulseAudioSink, TheRecordingOfTheSinksMonitorIsTheTracksAudio) {
    if (QStandardPaths::findExecutable("pulseaudio").isEmpty() ||
        QStandardPaths::findExecutable("parec").isEmpty() ||
        QStandardPaths::findExecutable("pactl").isEmpty())
        GTEST_SKIP() << "no PulseAudio here (the packages pulseaudio and pulseaudio-utils)";
    testsupport::TempDir dir;
    NullSinkServer server(dir);
    if (!server.Ready())
        GTEST_SKIP() << "a PulseAudio server could not start: " << server.Why().toStdString();
    testsupport::ScopedEnv pulse("PULSE_SERVER", server.Address().toStdString());
    testsupport::ScopedEnv automatic("PLATTERLY_AUDIO_OUTPUT", "");
    PreviewDisc disc({150, 150});
    auto engine = disc.Store().MakeEngine();

    QProcess recorder;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("PULSE_SERVER", server.Address());
    recorder.setProcessEnvironment(env);
    const QString recording = QString::fromStdString((dir / "monitor.raw").string());
    recorder.start("parec", {"-d", "preview_test.monitor", "--format=s16le", "--rate=44100",
                             "--channels=2", "--raw", recording});
    ASSERT_TRUE(recorder.waitForStarted(10000));

    CdAudioPlayer player;
    player.Open("D:\\Track02.cda");
    EXPECT_EQ(player.OutputDescription().startsWith("Audio output: silent"), false)
        << player.OutputDescription().toStdString();
    player.Play();
    ASSERT_TRUE(RunUntil([&] { return player.Mode() != PlayerMode::Playing; }));
    EXPECT_EQ(player.Position(), player.TrackPosition(2) + player.TrackLength(2));
    // Let the monitor catch the tail, then end the recording.
    QDeadlineTimer settle(500);
    RunUntil([&] { return settle.hasExpired(); });
    recorder.terminate();
    ASSERT_TRUE(recorder.waitForFinished(10000));

    std::ifstream in(recording.toStdString(), std::ios::binary);
    const std::string recorded((std::istreambuf_iterator<char>(in)), {});
    ASSERT_GT(recorded.size(), std::size_t{44100}) << "the monitor recorded nothing";
    // A tenth of a second from the middle of the track is found in the recording.
    const std::string track = disc.TrackPcm(2);
    const std::vector<std::int16_t> part = Left(track.substr(track.size() / 2, 4410 * 4));
    EXPECT_GT(BestCorrelation(Left(recorded), part), 0.9);
}

} // namespace
