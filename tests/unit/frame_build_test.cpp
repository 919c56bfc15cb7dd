// Request frame layout, length field and checksum.
#include "link/command_words.h"
#include "link/frame.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <vector>

namespace {

std::uint8_t Sum(const std::vector<std::uint8_t>& bytes) {
    return static_cast<std::uint8_t>(std::accumulate(bytes.begin(), bytes.end(), 0u));
}

std::vector<std::uint8_t> Request(frame::DeviceAddress address, std::uint16_t word,
                                  const std::vector<std::uint8_t>& payload) {
    std::vector<std::uint8_t> out(frame::kMaxFrame + 1, 0xEE);
    const std::size_t size =
        frame::BuildRequest(out.data(), address, word, payload.data(), payload.size());
    EXPECT_EQ(0xEE, out[size]) << "wrote past the frame";
    out.resize(size);
    return out;
}

TEST(FrameBuild, QueryOfTheOutputTimingIsTheKnownTenBytes) {
    EXPECT_EQ(
        (std::vector<std::uint8_t>{0xAA, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x61, 0x80, 0x70}),
        Request({0, 0}, cmd::QueryTiming, {}));
}

TEST(FrameBuild, SizesAndLengthFieldsFollowThePayload) {
    struct Case {
        std::size_t payload;
        std::size_t frameSize;
        std::uint8_t lengthLow, lengthHigh;
    };
    for (const Case& c : {Case{0, 10, 0x05, 0x00}, Case{1, 11, 0x06, 0x00},
                          Case{20, 30, 0x19, 0x00}, Case{290, 300, 0x27, 0x01}}) {
        SCOPED_TRACE(c.payload);
        std::vector<std::uint8_t> payload(c.payload);
        for (std::size_t i = 0; i < payload.size(); ++i)
            payload[i] = static_cast<std::uint8_t>(i * 7 + 3);
        const auto f = Request({0x12, 0x34}, cmd::StoreUserTiming, payload);
        ASSERT_EQ(c.frameSize, f.size());
        EXPECT_EQ(0xAA, f[0]);
        EXPECT_EQ(0x00, f[1]);
        EXPECT_EQ(0x00, f[2]);
        EXPECT_EQ(c.lengthLow, f[3]);
        EXPECT_EQ(c.lengthHigh, f[4]);
        EXPECT_EQ(f.size(), static_cast<std::size_t>(f[3] | (f[4] << 8)) + 5);
        EXPECT_EQ(0x12, f[5]);
        EXPECT_EQ(0x34, f[6]);
        EXPECT_EQ(0xa0, f[7]); // command word low byte first
        EXPECT_EQ(0x00, f[8]);
        EXPECT_TRUE(std::equal(payload.begin(), payload.end(), f.begin() + 9));
        EXPECT_EQ(0, Sum(f));
    }
}

TEST(FrameBuild, EveryFrameSumsToZeroWhateverTheBytes) {
    // Payload values and addresses that make the running sum wrap several times, and 0x00/0xFF.
    for (std::uint8_t fill : {0x00, 0x01, 0x11, 0x13, 0x80, 0xFF}) {
        for (std::size_t n : {0u, 1u, 6u, 255u, 290u}) {
            SCOPED_TRACE(testing::Message() << "fill " << int(fill) << " n " << n);
            const auto f = Request({fill, static_cast<std::uint8_t>(~fill)}, 0xffff,
                                   std::vector<std::uint8_t>(n, fill));
            EXPECT_EQ(0, Sum(f));
        }
    }
}

TEST(FrameBuild, ReplyFramesUseTheirOwnStartByte) {
    std::uint8_t out[16];
    const std::uint8_t payload[] = {0x14};
    ASSERT_EQ(11u, frame::BuildReply(out, {0, 0}, cmd::QueryTiming, payload, 1));
    EXPECT_EQ(0xAB, out[0]);
    EXPECT_EQ(0x14, out[9]);
    EXPECT_EQ(0, Sum(std::vector<std::uint8_t>(out, out + 11)));
}

TEST(FrameBuild, ChecksumIsTheTwosComplementOfTheSum) {
    const std::uint8_t bytes[] = {0xAA, 0x05, 0x61, 0x80};
    EXPECT_EQ(0x70, frame::Checksum(bytes, 4));
    EXPECT_EQ(0x00, frame::Checksum(bytes, 0));
}

} // namespace
