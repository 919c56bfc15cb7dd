// libFuzzer target: the whole received-byte path of the console's reply framing. The input is a
// little program: received bytes (after a quiet line or not), changes of the parser in charge
// (general, search, status item or record for any item word, EDID of either form), the timer
// that abandons an exchange, transmissions that purge the line, well-formed replies to reach
// deep states, and sinks that feed again from inside a callback, as a message box's event loop
// delivering another port's bytes would. Whatever the input, every reply handed out must be
// well formed and the receive state stays inside its buffer.
#include "link/command_words.h"
#include "link/frame.h"
#include "link/reply_framing.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

const std::uint16_t kItemWords[] = {
    cmd::QueryTiming,       cmd::QueryPattern,     cmd::QueryColorSpace,   cmd::QueryColorDepth,
    cmd::QueryHdcp,         cmd::QueryHdmiDviMode, cmd::QuerySampleRate,   cmd::QueryAudioBits,
    cmd::QueryAudioSource,  cmd::QueryChannelsSdi, cmd::QueryChannelsHdmi, cmd::QueryHotPlug,
    cmd::QuerySignalOutput, cmd::FetchUserTiming,
};

class Sink : public reply::Sink {
public:
    reply::Expectation expect;
    reply::CReplyFraming* framing = nullptr;
    std::vector<std::uint8_t> nested; // fed from inside the next completed reply
    int depth = 0;

    reply::Expectation Expected() override { return expect; }

    void OnFrame(const std::uint8_t* f, int size) override {
        Check(expect.parser == reply::Parser::General);
        Check(size >= 10 && size <= reply::CReplyFraming::kBufferSize);
        Check(f[0] == 0xAB && f[4] <= 1);
        Check(size == (f[3] | (f[4] << 8)) + 5);
        std::uint8_t sum = 0;
        for (int i = 0; i < size; ++i)
            sum = static_cast<std::uint8_t>(sum + f[i]);
        Check(sum == 0);
        FeedNested();
    }
    void OnSearchReply(bool) override {
        Check(expect.parser == reply::Parser::Search);
        FeedNested();
    }
    void OnStatusItem(std::uint8_t) override {
        Check(expect.parser == reply::Parser::Status && !expect.statusRecord);
        FeedNested();
    }
    void OnStatusRecord(const std::uint8_t* record) override {
        Check(expect.parser == reply::Parser::Status && expect.statusRecord);
        volatile std::uint8_t last = record[19]; // inside the frame
        (void)last;
        FeedNested();
    }
    void OnEdid(const std::uint8_t* image, std::uint8_t) override {
        Check(expect.parser == reply::Parser::Edid);
        volatile std::uint8_t last = image[255];
        (void)last;
        FeedNested();
    }
    void OnDiscard(reply::Discard, const std::uint8_t* bytes, int count) override {
        Check(count >= 0 && count <= reply::CReplyFraming::kBufferSize);
        if (count > 0) {
            volatile std::uint8_t last = bytes[count - 1];
            (void)last;
        }
    }

private:
    void FeedNested() {
        if (nested.empty() || depth > 2)
            return;
        std::vector<std::uint8_t> bytes;
        bytes.swap(nested);
        ++depth;
        for (std::uint8_t b : bytes)
            framing->Feed(b, *this);
        --depth;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    reply::CReplyFraming framing;
    Sink sink;
    sink.framing = &framing;
    std::size_t i = 0;
    auto next = [&]() -> std::uint8_t { return i < size ? data[i++] : 0; };
    while (i < size) {
        const std::uint8_t control = next();
        const int count = (control & 0x1F) + 1;
        switch (control >> 5) {
        case 0:
        case 1:
        case 2: // received bytes
            for (int k = 0; k < count && i < size; ++k)
                framing.Feed(next(), sink);
            break;
        case 3: // received bytes after a quiet line
            for (int k = 0; k < count && i < size; ++k)
                framing.Feed(next(), sink, k == 0);
            break;
        case 4: { // another parser in charge
            const std::uint8_t x = next();
            sink.expect.parser = static_cast<reply::Parser>(x & 3);
            sink.expect.savedEdid = (x & 4) != 0;
            sink.expect.statusRecord = (x & 8) != 0;
            sink.expect.statusWord = kItemWords[(x >> 4) % std::size(kItemWords)];
            break;
        }
        case 5: // a transmission purged the line
            framing.Transmitted(sink);
            break;
        case 6: // the exchange timer, or a new exchange
            if (control & 1)
                framing.Reset(&sink);
            else
                framing.Reset();
            // The next completed reply feeds bytes of its own, from inside the callback.
            for (int k = 0; k < (count >> 1) && i < size; ++k)
                sink.nested.push_back(next());
            break;
        case 7: { // a well-formed reply
            std::uint8_t payload[300];
            const std::uint16_t word = static_cast<std::uint16_t>(next() | (next() << 8));
            const std::size_t length = std::min<std::size_t>(next() + (control & 1) * 256, 290);
            for (std::size_t k = 0; k < length; ++k)
                payload[k] = next();
            std::uint8_t frame[frame::kMaxFrame];
            const std::size_t n = frame::BuildReply(frame, {}, word, payload, length);
            for (std::size_t k = 0; k < n; ++k)
                framing.Feed(frame[k], sink);
            break;
        }
        }
        Check(framing.State() >= -1 && framing.State() < reply::CReplyFraming::kBufferSize);
    }
    return 0;
}
