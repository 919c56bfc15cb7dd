// The emulator's built-in EDIDs are well formed and of the kinds they claim to be, and EDID files
// load in both of the console's formats.
#include "tools/sgsim/builtin_edids.h"
#include "tools/sgsim/edid_file.h"
#include "tools/sgsim/generator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using edid::Image;

struct CBlock {
    int tag, offset, length; // offset of the header inside the extension
};

std::uint8_t BlockSum(const edid::Image& e, int first) {
    std::uint8_t s = 0;
    for (int i = first; i < first + 128; ++i)
        s = static_cast<std::uint8_t>(s + e[i]);
    return s;
}

double DtdRate(const std::uint8_t* d) {
    const int clock = d[0] | (d[1] << 8);
    const int hTotal = (d[2] | ((d[4] >> 4) << 8)) + (d[3] | ((d[4] & 0x0F) << 8));
    const int vTotal = (d[5] | ((d[7] >> 4) << 8)) + (d[6] | ((d[7] & 0x0F) << 8));
    return clock * 10000.0 / hTotal / vTotal;
}

// Checks the structure of an EDID and returns the extension's data blocks.
std::vector<CBlock> CheckStructure(const edid::Image& e) {
    std::vector<CBlock> blocks;
    const std::uint8_t header[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    EXPECT_TRUE(std::equal(header, header + 8, e.begin()));
    EXPECT_EQ(BlockSum(e, 0), 0);
    EXPECT_EQ(e[18], 1);
    EXPECT_TRUE(e[19] == 3 || e[19] == 4);
    const int id = (e[8] << 8) | e[9];
    for (int shift : {10, 5, 0}) {
        const int letter = (id >> shift) & 0x1F;
        EXPECT_TRUE(letter >= 1 && letter <= 26);
    }
    for (int i = 0; i < 4; ++i) {
        const std::uint8_t* d = e.data() + 54 + 18 * i;
        if (d[0] || d[1]) {
            EXPECT_GT(DtdRate(d), 23.0);
            EXPECT_LT(DtdRate(d), 121.0);
        } else {
            EXPECT_EQ(d[2], 0);
            EXPECT_GE(d[3], 0xF0) << "display descriptor tag";
        }
    }
    if (e[126] == 0)
        return blocks;
    EXPECT_EQ(e[126], 1);
    EXPECT_EQ(e[128], 0x02);
    EXPECT_EQ(e[129], 0x03);
    EXPECT_EQ(BlockSum(e, 128), 0);
    const int d = e[130];
    EXPECT_GE(d, 5);
    EXPECT_LE(d, 127);
    int offset = 4;
    while (offset < d) {
        const int h = e[128 + offset];
        blocks.push_back({h >> 5, offset, h & 0x1F});
        offset += (h & 0x1F) + 1;
    }
    EXPECT_EQ(offset, d) << "the data blocks end where the timings begin";
    for (; offset + 18 <= 127 && (e[128 + offset] || e[129 + offset]); offset += 18)
        EXPECT_GT(DtdRate(e.data() + 128 + offset), 23.0);
    for (; offset < 127; ++offset)
        EXPECT_EQ(e[128 + offset], 0) << "padding";
    EXPECT_FALSE(blocks.empty());
    EXPECT_EQ(blocks.front().tag, 2) << "the video block comes first";
    return blocks;
}

std::string Name(const edid::Image& e) {
    for (int i = 54; i < 126; i += 18)
        if (e[i] == 0 && e[i + 1] == 0 && e[i + 3] == 0xFC) {
            std::string name(e.begin() + i + 5, e.begin() + i + 18);
            return name.substr(0, name.find('\n'));
        }
    return std::string();
}

TEST(SgsimEdid, AllBuiltInEdidsAreWellFormedAndDistinct) {
    std::set<std::string> names;
    std::set<edid::Image> images;
    {
        SCOPED_TRACE("sink");
        CheckStructure(sgsim::SinkTvEdid());
        names.insert(Name(sgsim::SinkTvEdid()));
        images.insert(sgsim::SinkTvEdid());
    }
    for (int slot = 0; slot < sgsim::kSavedEdids; ++slot) {
        SCOPED_TRACE(sgsim::SavedEdidDescription(slot));
        const edid::Image e = sgsim::SavedEdid(slot);
        CheckStructure(e);
        names.insert(Name(e));
        images.insert(e);
    }
    EXPECT_EQ(images.size(), 7u);
    EXPECT_EQ(names.size(), 7u); // six names and the laptop panel's none
}

TEST(SgsimEdid, SinkIsAn4kHdmiTelevisionWith420Support) {
    const edid::Image e = sgsim::SinkTvEdid();
    const std::vector<CBlock> blocks = CheckStructure(e);
    EXPECT_TRUE(sgsim::EdidHasHdmiBlock(e));
    // Preferred timing 3840x2160 at 60 Hz (594 MHz).
    EXPECT_EQ(e[54] | (e[55] << 8), 59400);
    EXPECT_EQ(e[56] | ((e[58] >> 4) << 8), 3840);
    EXPECT_NEAR(DtdRate(e.data() + 54), 60.0, 0.01);

    const CBlock& video = blocks.front();
    std::vector<int> vics;
    for (int i = 1; i <= video.length; ++i)
        vics.push_back(e[128 + video.offset + i] & 0x7F);
    int audio = 0, vendor = 0;
    for (const CBlock& b : blocks) {
        const std::uint8_t* p = e.data() + 128 + b.offset;
        if (b.tag == 1)
            audio = b.length / 3;
        if (b.tag == 3 && p[1] == 0x03 && p[2] == 0x0C && p[3] == 0x00) {
            ++vendor;
            ASSERT_GE(b.length, 8);
            EXPECT_TRUE(p[8] & 0x20); // HDMI video present
            const int skip = 1 + ((p[8] & 0x80) ? 2 : 0) + ((p[8] & 0x40) ? 2 : 0);
            EXPECT_TRUE(p[8 + skip] & 0x80); // 3D present
            const int hdmiVics = p[9 + skip] >> 5;
            ASSERT_EQ(hdmiVics, 4);
            for (int i = 0; i < hdmiVics; ++i)
                EXPECT_EQ(p[10 + skip + i], i + 1);
        }
    }
    EXPECT_EQ(audio, 3);
    EXPECT_EQ(vendor, 1);
    // The first extended-tag block is the 4:2:0 capability map; its set bits name VICs 96, 97,
    // 101 and 102 in the video block.
    const CBlock* extended = nullptr;
    for (const CBlock& b : blocks)
        if (b.tag == 7 && !extended)
            extended = &b;
    ASSERT_NE(extended, nullptr);
    const std::uint8_t* y420 = e.data() + 128 + extended->offset;
    ASSERT_EQ(y420[1], 15);
    std::vector<int> mapped;
    for (int i = 0; i < extended->length - 1; ++i)
        for (int bit = 0; bit < 8; ++bit)
            if (y420[2 + i] & (1 << bit))
                mapped.push_back(vics.at(static_cast<std::size_t>(8 * i + bit)));
    EXPECT_EQ(mapped, (std::vector<int>{96, 97, 101, 102}));
}

TEST(SgsimEdid, SavedEdidsAreOfTheirKinds) {
    EXPECT_EQ(sgsim::SavedEdid(0)[126], 0); // DVI-only monitor: one block
    EXPECT_FALSE(sgsim::EdidHasHdmiBlock(sgsim::SavedEdid(0)));
    EXPECT_EQ(sgsim::SavedEdid(3)[126], 0); // laptop panel
    EXPECT_EQ(sgsim::SavedEdid(3)[19], 4);
    for (int slot : {1, 2, 4, 5})
        EXPECT_TRUE(sgsim::EdidHasHdmiBlock(sgsim::SavedEdid(slot))) << slot;

    // The AV receiver offers 8-channel LPCM up to 192 kHz among its audio formats.
    const edid::Image avr = sgsim::SavedEdid(2);
    const std::vector<CBlock> blocks = CheckStructure(avr);
    bool multichannel = false;
    for (const CBlock& b : blocks)
        for (int i = 1; b.tag == 1 && i + 2 <= b.length; i += 3) {
            const std::uint8_t* sad = avr.data() + 128 + b.offset + i;
            if ((sad[0] >> 3) == 1 && (sad[0] & 7) == 7 && (sad[1] & 0x40))
                multichannel = true;
        }
    EXPECT_TRUE(multichannel);
    EXPECT_EQ(sgsim::SavedEdid(42), sgsim::SavedEdid(0));
}

class SgsimEdidFile : public ::testing::Test {
protected:
    void SetUp() override {
        char dir[] = "/tmp/sgsim-edid-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        m_dir = dir;
    }
    void TearDown() override { std::system(("rm -rf '" + m_dir + "'").c_str()); }
    std::string Write(const std::string& name, const std::string& content) {
        const std::string path = m_dir + "/" + name;
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    std::string m_dir;
};

TEST_F(SgsimEdidFile, TextInTheConsolesSavedLayoutAndBinaryBothLoad) {
    const edid::Image tv = sgsim::SinkTvEdid();
    std::string text, binary(tv.begin(), tv.end());
    char hex[4];
    for (int i = 0; i < 256; ++i) {
        std::snprintf(hex, sizeof hex, "%02X", tv[static_cast<std::size_t>(i)]);
        text += hex;
        text += (i % 16 == 15) ? "\r\n" : " ";
    }
    for (const std::string& path : {Write("DerEra_EDID00.txt", text), Write("tv.bin", binary)}) {
        edid::Image loaded{};
        const sgsim::CEdidFileResult r = sgsim::ReadEdidFile(path, loaded);
        EXPECT_TRUE(r.bOk) << path;
        EXPECT_EQ(r.nBytesRead, 256);
        EXPECT_TRUE(r.strWarning.empty()) << r.strWarning;
        EXPECT_EQ(loaded, tv);
    }
}

TEST_F(SgsimEdidFile, ShortOrDamagedFilesAreUsedWithAWarning) {
    edid::Image loaded{};
    sgsim::CEdidFileResult r =
        sgsim::ReadEdidFile(Write("short.txt", "00 ff 0xFF\n1ff zz 12"), loaded);
    ASSERT_TRUE(r.bOk);
    EXPECT_EQ(r.nBytesRead, 4); // reading stops at the first token that is not a number
    EXPECT_EQ(loaded[2], 0xFF);
    EXPECT_EQ(loaded[3], 0xFF); // 0x1ff keeps its low 8 bits
    EXPECT_EQ(loaded[4], 0xFF); // not read: 0xFF
    EXPECT_EQ(loaded[255], 0xFF);
    EXPECT_FALSE(r.strWarning.empty());

    const edid::Image dvi = sgsim::SavedEdid(0);
    r = sgsim::ReadEdidFile(Write("dvi.bin", std::string(dvi.begin(), dvi.begin() + 128)), loaded);
    ASSERT_TRUE(r.bOk);
    EXPECT_EQ(r.nBytesRead, 128);
    EXPECT_TRUE(r.strWarning.empty()) << r.strWarning; // a single good block needs no more

    EXPECT_FALSE(sgsim::ReadEdidFile(Write("empty.bin", ""), loaded).bOk);
    EXPECT_FALSE(sgsim::ReadEdidFile(m_dir + "/missing.bin", loaded).bOk);
}

TEST_F(SgsimEdidFile, LoadedSinkEdidDrivesAutoAndTheHdmiDecision) {
    sgsim::CGenerator generator;
    generator.SetSinkEdid(sgsim::SavedEdid(0)); // a DVI monitor at 1920x1200
    EXPECT_EQ(UserTimingRecord::FromBytes(generator.TimingDetails(61).data()).hActive, 1920);
    EXPECT_EQ(UserTimingRecord::FromBytes(generator.TimingDetails(61).data()).vActive, 1200);
    generator.State().settings.nHdmiDviMode = 2;
    EXPECT_EQ(generator.StatusSummary()[2], 0); // AUTO resolves to DVI

    edid::Image garbage;
    garbage.fill(0xFF);
    generator.SetSinkEdid(garbage); // no usable preferred timing: Auto falls back to 1080p60
    const UserTimingRecord r = UserTimingRecord::FromBytes(generator.TimingDetails(61).data());
    EXPECT_EQ(r.hActive, 1920);
    EXPECT_EQ(r.pixelClock10kHz, 14850);
}

} // namespace
