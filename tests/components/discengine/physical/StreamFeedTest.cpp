// The ring buffer between our image writer and libburn.
#include "physical/StreamFeed.h"

#include "isofs/Errors.h"

#include <gtest/gtest.h>

#include <numeric>
#include <thread>

using namespace discengine::physical;

namespace {

std::vector<unsigned char> Bytes(std::size_t n) {
    std::vector<unsigned char> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = static_cast<unsigned char>((i * 7919) >> 3);
    return v;
}

TEST(StreamFeed, BytesArriveInOrderThroughASmallRingInOddPieces) {
    StreamFeed feed(4096); // far smaller than the data: the ring wraps many times
    auto data = Bytes(1'000'003);
    std::thread producer([&] {
        std::size_t at = 0, piece = 1;
        while (at < data.size()) {
            std::size_t n = std::min(piece, data.size() - at);
            feed.Push(data.data() + at, n);
            at += n;
            piece = piece * 3 % 9001 + 1;
        }
        feed.Finish(true);
    });
    std::vector<unsigned char> got;
    unsigned char sector[2048];
    int n;
    while ((n = feed.Pull(sector, sizeof sector)) > 0) {
        if (got.size() + 2048 <= data.size()) {
            EXPECT_EQ(n, 2048) << "only the last piece may be short";
        }
        got.insert(got.end(), sector, sector + n);
    }
    producer.join();
    EXPECT_EQ(n, 0);
    EXPECT_EQ(got, data);
    EXPECT_EQ(feed.BytesPulled(), data.size());
}

TEST(StreamFeed, AnIncompleteImageFailsTheReaderInsteadOfEndingEarly) {
    StreamFeed feed(8192);
    auto data = Bytes(3000);
    feed.Push(data.data(), data.size());
    feed.Finish(false);
    unsigned char sector[2048];
    EXPECT_EQ(feed.Pull(sector, sizeof sector), -1);
}

TEST(StreamFeed, AConsumerThatStopsReleasesABlockedProducer) {
    StreamFeed feed(4096);
    auto data = Bytes(64 * 1024);
    std::atomic<bool> threw{false};
    std::thread producer([&] {
        try {
            feed.Push(data.data(), data.size()); // blocks: the ring holds 4 KiB
        } catch (const isofs::OutputError&) {
            threw = true;
        }
    });
    unsigned char sector[2048];
    EXPECT_EQ(feed.Pull(sector, sizeof sector), 2048);
    feed.Close();
    producer.join();
    EXPECT_TRUE(threw);
    EXPECT_EQ(feed.Pull(sector, sizeof sector), -1);
}

TEST(StreamFeed, TheLibburnSourceReportsItsSizeAndReadsTheFeed) {
    auto feed = std::make_shared<StreamFeed>(8192);
    BurnSourcePtr source(MakeFeedSource(feed, 4096));
    ASSERT_TRUE(source);
    EXPECT_EQ(source->get_size(source.get()), 4096);
    auto data = Bytes(4096);
    std::thread producer([&] {
        feed->Push(data.data(), data.size());
        feed->Finish(true);
    });
    unsigned char sector[2048];
    ASSERT_EQ(source->read_xt(source.get(), sector, 2048), 2048);
    EXPECT_TRUE(std::equal(sector, sector + 2048, data.begin()));
    ASSERT_EQ(source->read_xt(source.get(), sector, 2048), 2048);
    EXPECT_TRUE(std::equal(sector, sector + 2048, data.begin() + 2048));
    EXPECT_EQ(source->read_xt(source.get(), sector, 2048), 0);
    producer.join();
    source->set_size(source.get(), 6144);
    EXPECT_EQ(source->get_size(source.get()), 6144);
}

} // namespace
