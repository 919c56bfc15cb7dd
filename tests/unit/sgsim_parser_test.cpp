// The emulator's request parser over byte streams: every split point, every strict prefix, every
// single-byte corruption, garbage and false starts before a good frame.
#include "sgsim_test_support.h"

#include "link/command_words.h"
#include "tools/sgsim/request_parser.h"

#include <gtest/gtest.h>

using namespace sgsim_test;

namespace {

std::vector<sgsim::CRawFrame> FeedAll(sgsim::CRequestParser& parser, const Bytes& bytes) {
    std::vector<sgsim::CRawFrame> out;
    for (std::uint8_t b : bytes)
        parser.Feed(b, out);
    return out;
}

std::vector<Bytes> GoodFrames(const std::vector<sgsim::CRawFrame>& frames) {
    std::vector<Bytes> good;
    for (const sgsim::CRawFrame& f : frames)
        if (f.bChecksumOk)
            good.push_back(f.abBytes);
    return good;
}

const Bytes kQuery = Request(cmd::QueryTiming);
const Bytes kUpload = Request(cmd::StoreUserTiming, Bytes(20, 0xAA));

TEST(SgsimRequestParser, FramesSurviveEverySplitPoint) {
    for (const Bytes& frame : {kQuery, kUpload, Request(cmd::ReadSinkEdid, {1}, {0xFF, 0xFF})}) {
        for (std::size_t split = 0; split <= frame.size(); ++split) {
            sgsim::CRequestParser parser;
            auto first =
                FeedAll(parser, Bytes(frame.begin(), frame.begin() + static_cast<long>(split)));
            auto second =
                FeedAll(parser, Bytes(frame.begin() + static_cast<long>(split), frame.end()));
            first.insert(first.end(), second.begin(), second.end());
            ASSERT_EQ(GoodFrames(first), std::vector<Bytes>{frame}) << "split " << split;
        }
    }
}

TEST(SgsimRequestParser, StrictPrefixesWaitAndAbandonStartsOver) {
    for (std::size_t n = 1; n < kUpload.size(); ++n) {
        sgsim::CRequestParser parser;
        EXPECT_TRUE(FeedAll(parser, Bytes(kUpload.begin(), kUpload.begin() + static_cast<long>(n)))
                        .empty());
        EXPECT_TRUE(parser.InFrame());
        std::vector<sgsim::CRawFrame> out;
        parser.Abandon(out);
        EXPECT_TRUE(GoodFrames(out).empty());
        // The payload's 0xAA bytes may look like a start; a complete frame still gets through.
        auto next = FeedAll(parser, kQuery);
        if (parser.InFrame()) {
            parser.Abandon(next);
            auto again = FeedAll(parser, kQuery);
            next.insert(next.end(), again.begin(), again.end());
        }
        EXPECT_FALSE(GoodFrames(next).empty()) << "prefix " << n;
    }
}

TEST(SgsimRequestParser, NoSingleByteCorruptionIsAccepted) {
    for (std::size_t i = 0; i < kQuery.size(); ++i) {
        for (int bit = 0; bit < 8; ++bit) {
            Bytes damaged = kQuery;
            damaged[i] = static_cast<std::uint8_t>(damaged[i] ^ (1 << bit));
            sgsim::CRequestParser parser;
            auto out = FeedAll(parser, damaged);
            parser.Abandon(out);
            EXPECT_TRUE(GoodFrames(out).empty()) << "byte " << i << " bit " << bit;
        }
    }
}

TEST(SgsimRequestParser, GarbageAndFalseStartsBeforeAFrame) {
    const Bytes prefixes[] = {
        {0x00, 0x13, 0x11, 0xAB},       // noise
        {0xAA},                         // a start byte alone
        {0xAA, 0xAA, 0x00},             // two starts, the second real-looking
        {0xAA, 0x00, 0x00, 0x04, 0x00}, // length below the minimum
        {0xAA, 0x00, 0x00, 0x28, 0x01}, // length above the maximum
        {0xAA, 0x00, 0x00, 0x0A, 0x00}, // a header whose length swallows the next frame
    };
    for (const Bytes& prefix : prefixes) {
        Bytes stream = prefix;
        stream.insert(stream.end(), kQuery.begin(), kQuery.end());
        sgsim::CRequestParser parser;
        const auto out = FeedAll(parser, stream);
        EXPECT_EQ(GoodFrames(out), std::vector<Bytes>{kQuery}) << testing::PrintToString(prefix);
    }
}

TEST(SgsimRequestParser, PartialFrameGivenUpOnQuietReleasesAFollowingFrame) {
    // A false header claiming 40 bytes hides the real query until the line goes quiet.
    Bytes stream = {0xAA, 0x00, 0x00, 0x23, 0x00};
    stream.insert(stream.end(), kQuery.begin(), kQuery.end());
    sgsim::CRequestParser parser;
    auto out = FeedAll(parser, stream);
    EXPECT_TRUE(out.empty());
    parser.Abandon(out);
    EXPECT_EQ(GoodFrames(out), std::vector<Bytes>{kQuery});
    EXPECT_FALSE(parser.InFrame());
}

TEST(SgsimRequestParser, BadChecksumIsReportedAndTheNextFrameStillParses) {
    Bytes bad = kQuery;
    bad.back() = static_cast<std::uint8_t>(bad.back() + 1);
    Bytes stream = bad;
    stream.insert(stream.end(), kUpload.begin(), kUpload.end());
    sgsim::CRequestParser parser;
    const auto out = FeedAll(parser, stream);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_FALSE(out[0].bChecksumOk);
    EXPECT_EQ(out[0].abBytes, bad);
    EXPECT_TRUE(out[1].bChecksumOk);
    EXPECT_EQ(out[1].abBytes, kUpload);
}

} // namespace
