#include "PreviewDisc.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

namespace {

struct CliRun {
    int status = -1;
    QString out, err;
};

// platterly-cli from the bundle on the test's store, playing into the silent sink.
CliRun Cli(const TestStore& store, const QStringList& args) {
    QProcess p;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("PLATTERLY_DRIVES", QString::fromStdString(store.Root().string()));
    env.insert("PLATTERLY_AUDIO_OUTPUT", "silent");
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(PLATTERLY_DIST_DIR "/platterly-cli"), args);
    if (!p.waitForFinished(120000))
        return {};
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

TEST(PlayCommand, PlaysFromTheGivenSecondToTheEndWithATimeLine) {
    PreviewDisc disc({150, 225});
    const CliRun run = Cli(disc.Store(), {"play", "D:", "2", "--from", "1"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("Audio output: silent")) << run.err.toStdString();
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.first(), "Track02.cda  00:01 / 00:03");
    EXPECT_EQ(lines.last(), "Track02.cda  00:03 / 00:03");
}

TEST(PlayCommand, RefusesWhatItCannotPlay) {
    PreviewDisc disc({150});
    CliRun run = Cli(disc.Store(), {"play", "D:", "4"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("The disc in drive D: has no track 4")) << run.err.toStdString();
    run = Cli(disc.Store(), {"play", "D:", "1", "--from", "2"});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.contains("track 1 is only 2 seconds long")) << run.err.toStdString();
    run = Cli(disc.Store(), {"play", "Q:", "1"});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.contains("no drive")) << run.err.toStdString();
    run = Cli(disc.Store(), {"play", "D:", "one"});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.contains("usage: platterly-cli play")) << run.err.toStdString();
}

} // namespace
