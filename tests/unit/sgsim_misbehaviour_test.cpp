// Each misbehaviour option of the emulator does what it says, and the frame log shows it.
#include "sgsim_test_support.h"

#include "link/command_words.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace sgsim_test;

namespace {

TEST(SgsimMisbehaviour, SilentAppliesSettingsButSendsNothing) {
    sgsim::CMisbehaviour m;
    m.bSilent = true;
    sgsim::CEmulator emulator(m);
    EXPECT_TRUE(emulator.FeedBytes(Request(cmd::SetTiming, {12})).empty());
    EXPECT_TRUE(emulator.FeedBytes(Request(cmd::QueryTiming)).empty());
    EXPECT_TRUE(emulator.FeedBytes(Request(cmd::Search)).empty());
    EXPECT_EQ(emulator.Generator().State().settings.nTiming, 12);
}

TEST(SgsimMisbehaviour, CorruptsTheChecksumOfEveryNthFrame) {
    sgsim::CMisbehaviour m;
    m.nCorruptEvery = 2;
    sgsim::CEmulator emulator(m);
    std::vector<bool> good;
    for (int i = 0; i < 4; ++i) {
        const Bytes f = emulator.FeedBytes(Request(cmd::QueryPattern));
        ASSERT_EQ(f.size(), 11u);
        good.push_back(GeneralParserAccepts(f));
        EXPECT_EQ(f[9], 0); // only the checksum is touched
    }
    EXPECT_EQ(good, (std::vector<bool>{true, false, true, false}));
}

TEST(SgsimMisbehaviour, DropsEveryNthByteAcrossFrames) {
    sgsim::CMisbehaviour m;
    m.nDropEvery = 4;
    sgsim::CEmulator emulator(m);
    const auto first = emulator.Feed(Request(cmd::QueryTiming));
    const auto second = emulator.Feed(Request(cmd::QueryTiming));
    ASSERT_EQ(first.size(), 1u);
    ASSERT_EQ(second.size(), 1u);
    // 22 bytes in all: the 4th, 8th, ... 20th go missing, two of the first frame's 11, three of
    // the second's.
    EXPECT_EQ(first[0].abBytes, (Bytes{0xAB, 0x00, 0x00, 0x00, 0x01, 0x01, 0x80, 0x14, 0x58}));
    EXPECT_EQ(first[0].strNote, "byte 3 dropped, byte 7 dropped");
    EXPECT_EQ(second[0].abBytes.size(), 8u);
}

TEST(SgsimMisbehaviour, AnnouncesTheAddressAfterTheChosenReply) {
    sgsim::CMisbehaviour m;
    m.bAnnounce = true;
    sgsim::CEmulator emulator(m);
    emulator.Generator().State().address = {0x12, 0x34};
    EXPECT_EQ(SplitFrames(emulator.FeedBytes(Request(cmd::Search))).size(), 1u);
    const std::vector<Bytes> frames =
        SplitFrames(emulator.FeedBytes(Request(cmd::QueryStatusSummary)));
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(Word(frames[0]), cmd::QueryStatusSummary);
    EXPECT_EQ(frames[1],
              (Bytes{0xAB, 0x00, 0x00, 0x07, 0x00, 0x12, 0x34, 0x01, 0xF8, 0x12, 0x34, 0xC9}));
    EXPECT_TRUE(GeneralParserAccepts(frames[1]));

    m.wAnnounceAfter = cmd::Search;
    sgsim::CEmulator afterSearch(m);
    const std::vector<Bytes> searched = SplitFrames(afterSearch.FeedBytes(Request(cmd::Search)));
    ASSERT_EQ(searched.size(), 2u);
    EXPECT_EQ(Word(searched[1]), cmd::DeviceAddressReport);
}

TEST(SgsimMisbehaviour, VanishesAfterAnsweringNRequests) {
    sgsim::CMisbehaviour m;
    m.nVanishAfter = 2;
    sgsim::CEmulator emulator(m);
    emulator.FeedBytes(Request(0x1234)); // ignored requests do not count
    EXPECT_FALSE(emulator.FeedBytes(Request(cmd::QueryTiming)).empty());
    EXPECT_FALSE(emulator.VanishDue());
    Bytes two = Request(cmd::QueryPattern);
    const Bytes third = Request(cmd::QueryHdcp);
    two.insert(two.end(), third.begin(), third.end());
    EXPECT_EQ(SplitFrames(emulator.FeedBytes(two)).size(), 1u); // the third is never answered
    EXPECT_TRUE(emulator.VanishDue());
    EXPECT_TRUE(emulator.FeedBytes(Request(cmd::QueryTiming)).empty());
}

TEST(SgsimMisbehaviour, FrameLogHasOneLinePerFrameWithWhatBecameOfIt) {
    sgsim::CMisbehaviour m;
    m.nCorruptEvery = 1;
    sgsim::CEmulator emulator(m);
    std::vector<std::string> lines;
    emulator.SetLog(
        [&lines](const char* direction, const sgsim::FrameBytes& bytes, const std::string& note) {
            lines.push_back(sgsim::FormatLogLine(1.5, direction, bytes.data(), bytes.size(), note));
        },
        true);
    Bytes bad = Request(cmd::QueryTiming);
    bad.back() = 0x00;
    emulator.Feed(bad);
    emulator.Feed(Request(cmd::QueryTiming, {}, {0x02, 0x02}));
    emulator.Feed(Request(cmd::QueryTiming));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "    1.500000 RX aa 00 00 05 00 00 00 61 80 00  (bad checksum, ignored)");
    EXPECT_EQ(lines[1],
              "    1.500000 RX aa 00 00 05 00 02 02 61 80 6c  (not our address, ignored)");
    EXPECT_EQ(lines[2], "    1.500000 RX aa 00 00 05 00 00 00 61 80 70");
    EXPECT_EQ(lines[3], "    1.500000 TX ab 00 00 06 00 01 01 61 80 14 59  (checksum corrupted)");
}

} // namespace

namespace {

TEST(SgsimMisbehaviour, ChaosDrawsEveryFaultReproduciblyAndReportsMalformedRequests) {
    sgsim::CMisbehaviour m;
    m.bChaos = true;
    m.nChaosSeed = 42;
    auto run = [&m](std::set<std::string>& faults) {
        sgsim::CEmulator emulator(m);
        Bytes all;
        for (int i = 0; i < 600; ++i) {
            for (const sgsim::COutFrame& f : emulator.Feed(Request(cmd::QueryPattern))) {
                all.insert(all.end(), f.abBytes.begin(), f.abBytes.end());
                if (!f.strNote.empty())
                    faults.insert(f.strNote.substr(0, f.strNote.find_first_of("0123456789")));
            }
            if (emulator.VanishDue()) {
                faults.insert("vanish");
                emulator.ComeBack();
            }
        }
        Bytes bad = Request(cmd::QueryPattern);
        bad.back() ^= 1;
        emulator.Feed(bad);
        EXPECT_EQ(emulator.MalformedRequests(), 1);
        return all;
    };
    std::set<std::string> faults, again;
    const Bytes first = run(faults);
    EXPECT_EQ(first, run(again)); // the same seed, the same line
    EXPECT_EQ(faults, (std::set<std::string>{"chaos: ", "chaos: byte ", "chaos: checksum corrupted",
                                             "chaos: garbage", "chaos: length ",
                                             "chaos: length changed", "vanish"}));
}

} // namespace
