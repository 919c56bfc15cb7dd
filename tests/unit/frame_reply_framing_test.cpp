// The reply framing on its own: every parser's reply, and the property that one bad frame costs at
// most itself, checked over every single-byte corruption, garbage before a good reply, cut
// frames and impossible lengths.
#include "link/command_words.h"
#include "link/frame.h"
#include "link/reply_framing.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;
using reply::CReplyFraming;
using reply::Discard;
using reply::Expectation;
using reply::Parser;

namespace {

Bytes Reply(std::uint16_t word, Bytes payload, frame::DeviceAddress from = {0x01, 0x01}) {
    Bytes out(payload.size() + frame::kOverhead);
    frame::BuildReply(out.data(), from, word, payload.data(), payload.size());
    return out;
}

// Records what the framing hands out, in one readable line per event.
class Recorder : public reply::Sink {
public:
    Expectation expect;
    std::vector<std::string> events;
    std::vector<Bytes> frames;
    std::vector<Discard> discards;
    std::function<void()> onFrame; // runs inside the next OnFrame

    Expectation Expected() override { return expect; }
    void OnFrame(const std::uint8_t* f, int size) override {
        frames.emplace_back(f, f + size);
        events.push_back("frame " + std::to_string(size));
        if (onFrame) {
            auto action = std::move(onFrame);
            onFrame = nullptr;
            action();
        }
    }
    void OnSearchReply(bool found) override { events.push_back(found ? "found" : "not found"); }
    void OnStatusItem(std::uint8_t v) override { events.push_back("item " + std::to_string(v)); }
    void OnStatusRecord(const std::uint8_t* r) override {
        events.push_back("record " + std::to_string(r[0]) + ".." + std::to_string(r[19]));
    }
    void OnEdid(const std::uint8_t* image, std::uint8_t checksum) override {
        events.push_back("edid " + std::to_string(image[0]) + ".." + std::to_string(image[255]) +
                         " " + std::to_string(checksum));
    }
    void OnDiscard(Discard why, const std::uint8_t*, int) override { discards.push_back(why); }
};

void Feed(CReplyFraming& f, Recorder& r, const Bytes& bytes) {
    for (auto b : bytes)
        f.Feed(b, r);
}

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(ReplyFraming, GeneralFramesAreTakenWhole) {
    CReplyFraming f;
    Recorder r;
    const Bytes timing = Reply(cmd::QueryTiming, {20});
    for (std::size_t i = 0; i < timing.size(); ++i) {
        EXPECT_TRUE(r.frames.empty()) << i;
        f.Feed(timing[i], r);
        EXPECT_EQ(f.State(), i + 1 == timing.size() ? -1 : static_cast<int>(i));
    }
    ASSERT_EQ(r.frames, std::vector<Bytes>{timing});
    // The longest frame the general parser takes: a length of 500.
    const Bytes longest = Reply(0x1234, Bytes(495, 0x5A));
    Feed(f, r, longest);
    ASSERT_EQ(r.frames.size(), 2u);
    EXPECT_EQ(r.frames[1], longest);
    EXPECT_TRUE(r.discards.empty());
}

TEST(ReplyFraming, EverySingleByteCorruptionCostsOnlyThatFrame) {
    const Bytes bad = Reply(cmd::QueryPattern, {5});
    const Bytes good = Reply(cmd::QueryHdcp, {1});
    int corruptTaken = 0;
    for (std::size_t pos = 0; pos < bad.size(); ++pos) {
        for (int delta = 1; delta < 256; ++delta) {
            Bytes corrupt = bad;
            corrupt[pos] = static_cast<std::uint8_t>(corrupt[pos] + delta);
            CReplyFraming f;
            Recorder r;
            Feed(f, r, Concat(corrupt, good));
            // A length made longer swallows the good reply until the line falls quiet.
            if (std::find(r.frames.begin(), r.frames.end(), good) == r.frames.end())
                f.Transmitted(r);
            const auto n = std::count(r.frames.begin(), r.frames.end(), good);
            ASSERT_EQ(n, 1) << "byte " << pos << " + " << delta;
            corruptTaken += static_cast<int>(r.frames.size()) - 1;
        }
    }
    // A changed byte always breaks the sum over the same span; only a changed length could frame
    // a different span that happens to add up, and for these two replies none does.
    EXPECT_EQ(corruptTaken, 0);
}

TEST(ReplyFraming, GarbageBeforeAGoodReplyNeverCostsTheReply) {
    std::mt19937 rng(11);
    const Bytes good = Reply(cmd::QuerySampleRate, {2});
    for (int round = 0; round < 3000; ++round) {
        Bytes garbage(rng() % 40);
        for (auto& b : garbage)
            b = rng() % 3 == 0 ? 0xAB : static_cast<std::uint8_t>(rng());
        CReplyFraming f;
        Recorder r;
        Feed(f, r, garbage);
        // The good reply follows a quiet line, as a reply to a new request does.
        f.Feed(good[0], r, true);
        Feed(f, r, Bytes(good.begin() + 1, good.end()));
        ASSERT_FALSE(r.frames.empty()) << round;
        EXPECT_EQ(r.frames.back(), good) << round;
    }
}

TEST(ReplyFraming, ImpossibleLengthsAreRefusedAtOnce) {
    for (const Bytes& head : {Bytes{0xAB, 0, 0, 0x04, 0x00}, Bytes{0xAB, 0, 0, 0x00, 0x00},
                              Bytes{0xAB, 0, 0, 0xF5, 0x01}, Bytes{0xAB, 0, 0, 0x06, 0x02}}) {
        CReplyFraming f;
        Recorder r;
        Feed(f, r, head);
        EXPECT_EQ(f.State(), -1) << int(head[3]);
        ASSERT_EQ(r.discards, std::vector<Discard>{Discard::BadLength});
    }
    // A short length never dispatches leftovers of an earlier frame, and the good reply right
    // behind it is taken without waiting for anything.
    CReplyFraming f;
    Recorder r;
    Feed(f, r, Reply(cmd::QueryTiming, {38}));
    const Bytes good = Reply(cmd::QueryPattern, {7});
    Feed(f, r, Concat({0xAB, 0x00, 0x00, 0x03, 0x00}, good));
    ASSERT_EQ(r.frames.size(), 2u);
    EXPECT_EQ(r.frames[1], good);
}

TEST(ReplyFraming, ACutFrameGivesBackTheStartOfTheNextReply) {
    const Bytes first = Reply(cmd::QueryHdcp, {1});
    const Bytes second = Reply(cmd::QueryColorDepth, {2});
    // The first reply lost its last byte: without a resynchronisation its frame would end with
    // the start byte of the second.
    const Bytes cut(first.begin(), first.end() - 1);
    {
        CReplyFraming f;
        Recorder r;
        Feed(f, r, cut);
        f.Feed(second[0], r, true); // after a quiet line
        Feed(f, r, Bytes(second.begin() + 1, second.end()));
        EXPECT_EQ(r.frames, std::vector<Bytes>{second});
        EXPECT_EQ(r.discards, std::vector<Discard>{Discard::CutShort});
    }
    {
        // Without the quiet line: the wrong checksum gives the bytes back.
        CReplyFraming f;
        Recorder r;
        Feed(f, r, Concat(cut, second));
        EXPECT_EQ(r.frames, std::vector<Bytes>{second});
        EXPECT_EQ(r.discards.front(), Discard::BadChecksum);
    }
    {
        // A transmission purged the rest: what was held is looked at again at once.
        CReplyFraming f;
        Recorder r;
        Feed(f, r, Concat(Bytes{0xAB, 0x00, 0x00, 0xF0, 0x01}, second));
        EXPECT_TRUE(r.frames.empty()); // a length of 496 holds the second reply
        f.Transmitted(r);
        EXPECT_EQ(r.frames, std::vector<Bytes>{second});
    }
}

TEST(ReplyFraming, SearchReplyVerdictAndMismatch) {
    CReplyFraming f;
    Recorder r;
    r.expect.parser = Parser::Search;
    Feed(f, r, Reply(cmd::Search, {0x00, 0x01}));
    Feed(f, r, Reply(cmd::Search, {0x00, 0x00}));
    EXPECT_EQ(r.events, (std::vector<std::string>{"not found", "found"}));
    // Payload byte 0 must be 0; a wrong word is no search reply at all.
    r.events.clear();
    Feed(f, r, Reply(cmd::Search, {0x01, 0x00}));
    Feed(f, r, Reply(cmd::QueryTiming, {0x00, 0x00}));
    EXPECT_TRUE(r.events.empty());
}

TEST(ReplyFraming, StatusItemsAndRecordsFollowTheExpectedWord) {
    CReplyFraming f;
    Recorder r;
    r.expect = {Parser::Status, false, false, cmd::QueryTiming};
    // The item's checksum comes after the value; here it is 0xAB, the start of a reply.
    Bytes item = Reply(cmd::QueryTiming, {0});
    item[9] = static_cast<std::uint8_t>(item[10] - 0xAB);
    item[10] = 0xAB;
    Feed(f, r, item);
    r.expect.statusWord = cmd::QueryPattern;
    Feed(f, r, Reply(cmd::QueryPattern, {7}));
    // Another item's word or another length is not the awaited reply.
    Feed(f, r, Reply(cmd::QueryHdcp, {1}));
    Feed(f, r, Reply(cmd::QueryPattern, {7, 7}));
    r.expect = {Parser::Status, false, true, cmd::FetchUserTiming};
    Bytes record(20);
    for (int i = 0; i < 20; ++i)
        record[i] = static_cast<std::uint8_t>(100 + i);
    Feed(f, r, Reply(cmd::FetchUserTiming, record));
    EXPECT_EQ(r.events, (std::vector<std::string>{"item " + std::to_string(item[9]), "item 7",
                                                  "record 100..119"}));
}

TEST(ReplyFraming, EdidRepliesInBothForms) {
    Bytes image(256);
    for (int i = 0; i < 256; ++i)
        image[i] = static_cast<std::uint8_t>(i);
    CReplyFraming f;
    Recorder r;
    r.expect = {Parser::Edid, false, false, 0};
    const Bytes sink = Reply(cmd::ReadSinkEdid, image);
    Feed(f, r, sink);
    r.expect.savedEdid = true;
    for (std::uint8_t slot : {0x0A, 0x05, 0x85}) {
        Feed(f, r, Reply(cmd::ReadSavedEdid, Concat({slot}, image)));
        EXPECT_EQ(f.State(), -1);
    }
    const std::string edid = "edid 0..255 ";
    EXPECT_EQ(r.events,
              (std::vector<std::string>{
                  edid + std::to_string(sink.back()),
                  edid + std::to_string(Reply(cmd::ReadSavedEdid, Concat({0x05}, image)).back()),
                  edid + std::to_string(Reply(cmd::ReadSavedEdid, Concat({0x85}, image)).back())}));
}

TEST(ReplyFraming, AParserTakingOverALongFrameStaysInsideItsBuffer) {
    // Without a reset between them, a specialised parser continues a general frame that is
    // already longer than any reply it waits for.
    for (Parser p : {Parser::Search, Parser::Status, Parser::Edid}) {
        CReplyFraming f;
        Recorder r;
        Feed(f, r, Concat({0xAB, 0x00, 0x00, 0xF4, 0x01}, Bytes(400, 0x00)));
        r.expect.parser = p;
        const Bytes good = Reply(cmd::Search, {0x00, 0x00});
        Feed(f, r, good);
        EXPECT_LT(f.State(), CReplyFraming::kBufferSize) << int(p);
        if (p == Parser::Search) {
            EXPECT_EQ(r.events, std::vector<std::string>{"found"});
        }
    }
}

TEST(ReplyFraming, ResetDropsAHalfFrameAndAFeedFromACallbackWins) {
    CReplyFraming f;
    Recorder r;
    r.expect = {Parser::Edid, false, false, 0};
    const Bytes sink = Reply(cmd::ReadSinkEdid, Bytes(256, 0x11));
    Feed(f, r, Bytes(sink.begin(), sink.end() - 3));
    // A new read starts: the half image must not complete it with three bytes.
    f.Reset(&r);
    Feed(f, r, Bytes(sink.end() - 3, sink.end()));
    EXPECT_TRUE(r.events.empty());
    EXPECT_EQ(r.discards.front(), Discard::Abandoned);

    // A callback that feeds a new stream (a nested event loop delivering another port's bytes):
    // the outer call drops its own unread bytes instead of mixing them in.
    r.expect = {};
    const Bytes inner = Reply(cmd::QueryHdcp, {1});
    r.onFrame = [&] { Feed(f, r, inner); };
    const Bytes a = Reply(cmd::QueryTiming, {3});
    const Bytes stale = Reply(cmd::QueryPattern, {4});
    // A false start whose frame spans a and stale fails its checksum; its bytes are looked at
    // again, a is taken, and its handler feeds the new stream before stale is reached.
    Feed(f, r, Concat(Concat({0xAB, 0x00, 0x00, 0x16, 0x00}, a), stale));
    EXPECT_EQ(r.frames, (std::vector<Bytes>{a, inner}));
    EXPECT_EQ(f.State(), -1);
}

} // namespace
