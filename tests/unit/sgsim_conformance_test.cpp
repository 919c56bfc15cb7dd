// Conformance of the emulated generator to the command catalogue, driven by the console's own
// frame builder: reply layouts as the console's parsers accept them, settings that round-trip
// through their queries, the status read-back, defaults, and what is ignored.
#include "sgsim_test_support.h"

#include "link/command_words.h"
#include "link/user_timing_record.h"
#include "tools/sgsim/generator.h"

#include <gtest/gtest.h>

using namespace sgsim_test;

namespace {

class GeneratorTest : public ::testing::Test {
protected:
    // The single reply to one request, or an empty frame when there is none or more than one.
    Bytes Ask(std::uint16_t word, Bytes payload = {}, frame::DeviceAddress address = {}) {
        const std::vector<Bytes> frames =
            SplitFrames(emulator.FeedBytes(Request(word, payload, address)));
        return frames.size() == 1 ? frames[0] : Bytes{};
    }
    int Value(std::uint16_t query) {
        const Bytes f = Ask(query);
        return f.size() == 11 ? f[9] : -1;
    }

    sgsim::CEmulator emulator;
};

const std::uint16_t kItemWords[] = {
    cmd::QueryTiming,       cmd::QueryPattern,        cmd::QueryColorSpace,   cmd::QueryColorDepth,
    cmd::QueryHdcp,         cmd::QueryHdmiDviMode,    cmd::QuerySampleRate,   cmd::QueryAudioBits,
    cmd::QueryAudioSource,  cmd::QueryChannelsSdi,    cmd::QueryChannelsHdmi, cmd::QueryHotPlug,
    cmd::QuerySignalOutput, cmd::QueryOutputInterface};

TEST_F(GeneratorTest, OneByteQueriesHaveTheStatusItemLayout) {
    for (std::uint16_t word : kItemWords) {
        SCOPED_TRACE(word);
        const Bytes f = Ask(word);
        EXPECT_TRUE(StatusParserAccepts(f, word, false));
        EXPECT_TRUE(GeneralParserAccepts(f));
        EXPECT_EQ(f[5], 0x01); // the device's own address
        EXPECT_EQ(f[6], 0x01);
    }
}

// The conversation after a connection: items 0..11 in the column of the output mode, ten user
// timing records, then the status summary; each reply in the layout its parser checks.
TEST_F(GeneratorTest, StatusReadBackOfTwentyThreeRequestsIsAnswered) {
    for (bool hdmi : {true, false}) {
        SCOPED_TRACE(hdmi ? "HDMI" : "SDI");
        const std::uint16_t items[12] = {
            cmd::QueryTiming,      cmd::QueryPattern,
            cmd::QueryColorSpace,  cmd::QueryColorDepth,
            cmd::QueryHdcp,        cmd::QueryHdmiDviMode,
            cmd::QuerySampleRate,  cmd::QueryAudioBits,
            cmd::QueryAudioSource, hdmi ? cmd::QueryChannelsHdmi : cmd::QueryChannelsSdi,
            cmd::QueryHotPlug,     cmd::QuerySignalOutput};
        int requests = 0;
        for (std::uint16_t word : items) {
            EXPECT_TRUE(StatusParserAccepts(Ask(word), word, false)) << std::hex << word;
            ++requests;
        }
        for (std::uint8_t slot = 0; slot < 10; ++slot) {
            const Bytes f = Ask(cmd::FetchUserTiming, {slot});
            ASSERT_TRUE(StatusParserAccepts(f, cmd::FetchUserTiming, true));
            EXPECT_EQ(f[9], slot);
            ++requests;
        }
        const Bytes summary = Ask(cmd::QueryStatusSummary);
        ++requests;
        EXPECT_TRUE(GeneralParserAccepts(summary));
        EXPECT_GE(LengthField(summary), 5 + 6);
        EXPECT_EQ(requests, 23);
    }
}

TEST_F(GeneratorTest, SettingsRoundTripThroughTheirQueries) {
    struct Case {
        std::uint16_t set, query;
        std::uint8_t value;
    };
    const Case cases[] = {
        {cmd::SetTiming, cmd::QueryTiming, 12},
        {cmd::SetPattern, cmd::QueryPattern, 42},
        {cmd::SetColorSpace, cmd::QueryColorSpace, 2},
        {cmd::SetColorSpace, cmd::QueryColorSpace, 4},
        {cmd::SetColorDepth, cmd::QueryColorDepth, 3},
        {cmd::SetHdcp, cmd::QueryHdcp, 1},
        {cmd::SetHdmiDviMode, cmd::QueryHdmiDviMode, 2},
        {cmd::SetSampleRate, cmd::QuerySampleRate, 6},
        {cmd::SetAudioBits, cmd::QueryAudioBits, 0},
        {cmd::SetAudioSource, cmd::QueryAudioSource, 3},
        {cmd::SetChannelsSdi, cmd::QueryChannelsSdi, 7},
        {cmd::SetChannelsHdmi, cmd::QueryChannelsHdmi, 31},
        {cmd::SetOutputInterface, cmd::QueryOutputInterface, 1},
        {cmd::SetSignalOutput, cmd::QuerySignalOutput, 1},
        {cmd::SetTiming, cmd::QueryTiming, 71},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.set);
        const Bytes ack = Ask(c.set, {c.value});
        ASSERT_TRUE(GeneralParserAccepts(ack)); // acknowledged with the same word
        EXPECT_EQ(Word(ack), c.set);
        EXPECT_EQ(Value(c.query), c.value);
    }
}

TEST_F(GeneratorTest, RefusedSettingsLeaveTheStateAndGetNoReply) {
    EXPECT_TRUE(Ask(cmd::SetTiming, {72}).empty());
    EXPECT_TRUE(Ask(cmd::SetPattern, {43}).empty());
    EXPECT_TRUE(Ask(cmd::SetChannelsSdi, {8}).empty());
    EXPECT_TRUE(Ask(cmd::SetHdcp).empty());            // no payload
    EXPECT_TRUE(Ask(cmd::SetColorSpace, {3}).empty()); // 4:2:0 outside the 4K 50/60 timings
    EXPECT_EQ(Value(cmd::QueryTiming), 20);
    EXPECT_EQ(Value(cmd::QueryPattern), 0);
    EXPECT_EQ(Value(cmd::QueryChannelsSdi), 0);
    EXPECT_EQ(Value(cmd::QueryColorSpace), 0);
}

// 4K at 50/60 Hz goes out as 8-bit 4:2:0 and allows no other colour space; leaving it ends 4:2:0.
// DVI carries 8-bit RGB only.
TEST_F(GeneratorTest, TimingAndInterfaceRulesOfTheOutputFormat) {
    Ask(cmd::SetColorDepth, {2});
    Ask(cmd::SetTiming, {40});
    EXPECT_EQ(Value(cmd::QueryColorSpace), 3);
    EXPECT_EQ(Value(cmd::QueryColorDepth), 0);
    EXPECT_TRUE(Ask(cmd::SetColorSpace, {1}).empty());
    Ask(cmd::SetTiming, {30});
    EXPECT_EQ(Value(cmd::QueryColorSpace), 0);

    Ask(cmd::SetColorSpace, {1});
    Ask(cmd::SetHdmiDviMode, {0});
    EXPECT_EQ(Value(cmd::QueryColorSpace), 0);
    EXPECT_TRUE(Ask(cmd::SetColorDepth, {1}).empty());
}

TEST_F(GeneratorTest, StoredUserTimingIsFetchedAndCanBeOutput) {
    UserTimingRecord r;
    r.slot = 3;
    r.pixelClock10kHz = 10650;
    r.flags = UserTimingRecord::kHsyncPositive;
    r.hActive = 1440;
    r.hBlank = 464;
    r.hsOffset = 80;
    r.hsWidth = 152;
    r.vActive = 900;
    r.vBlank = 34;
    r.vsOffset = 3;
    r.vsWidth = 6;
    const UserTimingRecord::Bytes bytes = r.ToBytes();
    const Bytes upload = Request(cmd::StoreUserTiming, Bytes(bytes.begin(), bytes.end()));
    ASSERT_EQ(upload.size(), 30u);
    ASSERT_EQ(SplitFrames(emulator.FeedBytes(upload)).size(), 1u);

    const Bytes fetched = Ask(cmd::FetchUserTiming, {3});
    ASSERT_EQ(fetched.size(), 30u);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), fetched.begin() + 9));
    // The other slots keep the factory 1280x720.
    EXPECT_EQ(UserTimingRecord::FromBytes(Ask(cmd::FetchUserTiming, {4}).data() + 9).hActive, 1280);

    Ask(cmd::SetTiming, {62 + 3});
    EXPECT_EQ(Value(cmd::QueryTiming), 65);
    const Bytes details = Ask(cmd::QueryTimingDetails);
    ASSERT_EQ(LengthField(details), 0x19);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), details.begin() + 9));

    EXPECT_TRUE(Ask(cmd::StoreUserTiming, Bytes(20, 0x0A)).empty()); // slot 10 does not exist
    EXPECT_TRUE(Ask(cmd::FetchUserTiming, {10}).empty());
}

TEST_F(GeneratorTest, AutoReportsThePreferredTimingOfTheSink) {
    Ask(cmd::SetTiming, {61});
    for (const Bytes& f : {Ask(cmd::QueryTimingDetails, {61}), Ask(cmd::QueryTimingDetails)}) {
        ASSERT_TRUE(GeneralParserAccepts(f));
        ASSERT_EQ(LengthField(f), 0x19);
        const UserTimingRecord r = UserTimingRecord::FromBytes(f.data() + 9);
        EXPECT_EQ(r.pixelClock10kHz, 59400);
        EXPECT_EQ(r.hActive, 3840);
        EXPECT_EQ(r.HTotal(), 4400);
        EXPECT_EQ(r.hsOffset, 176);
        EXPECT_EQ(r.vActive, 2160);
        EXPECT_EQ(r.VTotal(), 2250);
        EXPECT_EQ(r.flags, UserTimingRecord::kHsyncPositive | UserTimingRecord::kVsyncPositive);
    }
    // A built-in code reports its table row, interlaced rows per field.
    const UserTimingRecord i =
        UserTimingRecord::FromBytes(Ask(cmd::QueryTimingDetails, {14}).data() + 9);
    EXPECT_TRUE(i.Interlaced());
    EXPECT_EQ(i.vActive, 540);
    EXPECT_EQ(i.VTotal(), 562);
    EXPECT_EQ(i.HTotal(), 2200);
}

TEST_F(GeneratorTest, ResetRestoresDefaultSettingsAndKeepsUserTimings) {
    std::vector<int> defaults;
    for (std::uint16_t word : kItemWords)
        defaults.push_back(Value(word));
    Ask(cmd::SetTiming, {40});
    Ask(cmd::SetPattern, {7});
    Ask(cmd::SetHdcp, {1});
    Ask(cmd::SetSampleRate, {0});
    Ask(cmd::SetChannelsHdmi, {11});
    Ask(cmd::SetOutputInterface, {1});
    Ask(cmd::SetSignalOutput, {1});
    Bytes record(20, 0);
    record[0] = 2;
    record[4] = 0x34;
    Ask(cmd::StoreUserTiming, record);

    const Bytes ack = Ask(cmd::ResetToDefault);
    EXPECT_TRUE(GeneralParserAccepts(ack));
    EXPECT_EQ(Word(ack), cmd::ResetToDefault);
    std::vector<int> after;
    for (std::uint16_t word : kItemWords)
        after.push_back(Value(word));
    EXPECT_EQ(after, defaults);
    EXPECT_EQ(Ask(cmd::FetchUserTiming, {2})[9 + 4], 0x34);
}

TEST_F(GeneratorTest, StatusSummaryResolvesAutoAndCarriesTheChannels) {
    Ask(cmd::SetChannelsHdmi, {11});
    Ask(cmd::SetChannelsSdi, {5});
    Ask(cmd::SetColorSpace, {4});
    Ask(cmd::SetColorDepth, {4});
    Ask(cmd::SetHdmiDviMode, {2});
    Ask(cmd::SetSampleRate, {7});
    Bytes s = Ask(cmd::QueryStatusSummary);
    ASSERT_EQ(LengthField(s), 11);
    EXPECT_EQ(Bytes(s.begin() + 9, s.begin() + 15), (Bytes{0, 0, 1, 2, 2, 11}));

    Ask(cmd::SetOutputInterface, {1}); // SDI: YCbCr 4:2:2, 10 bit, 48 kHz, the SDI channels
    s = Ask(cmd::QueryStatusSummary);
    EXPECT_EQ(s[9], 2);
    EXPECT_EQ(s[10], 1);
    EXPECT_EQ(s[12], 2);
    EXPECT_EQ(s[14], 5);
}

TEST_F(GeneratorTest, EdidRepliesHaveTheLayoutsOfBothEdidParsers) {
    const sgsim::CGeneratorState& state = emulator.Generator().State();
    const Bytes tv = Ask(cmd::ReadSinkEdid, {0x01});
    ASSERT_EQ(tv.size(), 266u);
    EXPECT_EQ(Bytes(tv.begin(), tv.begin() + 9),
              (Bytes{0xAB, 0x00, 0x00, 0x05, 0x01, 0x01, 0x01, 0x38, 0xB8}));
    EXPECT_TRUE(std::equal(state.sinkEdid.begin(), state.sinkEdid.end(), tv.begin() + 9));
    EXPECT_TRUE(GeneralParserAccepts(tv));

    for (std::uint8_t slot = 0; slot < 6; ++slot) {
        const Bytes saved = Ask(cmd::ReadSavedEdid, {slot});
        ASSERT_EQ(saved.size(), 267u);
        EXPECT_EQ(Bytes(saved.begin(), saved.begin() + 10),
                  (Bytes{0xAB, 0x00, 0x00, 0x06, 0x01, 0x01, 0x01, 0xAA, 0x80, slot}));
        EXPECT_TRUE(std::equal(state.savedEdids[slot].begin(), state.savedEdids[slot].end(),
                               saved.begin() + 10));
        EXPECT_TRUE(GeneralParserAccepts(saved));
    }
    EXPECT_TRUE(Ask(cmd::ReadSavedEdid, {6}).empty());

    emulator.Generator().State().bHotPlug = false; // nothing attached: no EDID to read
    EXPECT_EQ(Value(cmd::QueryHotPlug), 0);
    EXPECT_TRUE(Ask(cmd::ReadSinkEdid, {0x01}).empty());
}

TEST_F(GeneratorTest, SearchIsAnsweredWithDeviceFound) {
    const Bytes f = Ask(cmd::Search);
    EXPECT_EQ(f, (Bytes{0xAB, 0x00, 0x00, 0x07, 0x00, 0x01, 0x01, 0x02, 0xF8, 0x00, 0x00, 0x52}));
}

TEST_F(GeneratorTest, BadChecksumUnknownWordAndForeignAddressAreIgnored) {
    Bytes bad = Request(cmd::SetTiming, {5});
    bad.back() = static_cast<std::uint8_t>(bad.back() ^ 0x01);
    EXPECT_TRUE(emulator.FeedBytes(bad).empty());
    EXPECT_TRUE(emulator.FeedBytes(Request(0x1234)).empty());
    EXPECT_TRUE(emulator.FeedBytes(Request(cmd::Reply7878)).empty());
    EXPECT_EQ(Value(cmd::QueryTiming), 20);

    // Device 01:01: its own address, the broadcasts and its group's broadcasts are answered.
    struct Case {
        frame::DeviceAddress address;
        bool answered;
    };
    const Case cases[] = {{{0x01, 0x01}, true},  {{0x00, 0x00}, true},  {{0xFF, 0xFF}, true},
                          {{0x01, 0x00}, true},  {{0x01, 0xFF}, true},  {{0x01, 0x02}, false},
                          {{0x02, 0x01}, false}, {{0x00, 0x01}, false}, {{0x02, 0x00}, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.address.group) << ":" << int(c.address.device));
        EXPECT_EQ(!Ask(cmd::SetTiming, {9}, c.address).empty(), c.answered);
        EXPECT_EQ(!Ask(cmd::QueryTiming, {}, c.address).empty(), c.answered);
    }
}

} // namespace
