// The shared rules of link/: which colour choices the Setting page refuses and with which words,
// the Timing details page's checks of a user timing and the record made from it, the panel's
// name of a user timing, the address filter and the frame log line.
#include "link/code_names.h"
#include "link/frame.h"
#include "link/frame_log.h"
#include "link/setting_rules.h"
#include "link/user_timing_checks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

std::string Text(const char* message) {
    return message ? message : "";
}

// Timing codes: 20 1080p60, 30 UHD 25 (4K, not 4:2:0), 40 UHD 50 (4:2:0); modes 0 DVI, 1 HDMI.
TEST(SettingRules, ColourChoicesFollowTheTimingAndTheDviMode) {
    EXPECT_EQ("", Text(rules::RefuseColorSpace(20, 1)));
    EXPECT_EQ("", Text(rules::RefuseColorSpace(30, 1)));
    EXPECT_EQ("", Text(rules::RefuseColorSpace(37, 2)));
    for (int code : {38, 40, 43})
        EXPECT_EQ("When in 4K(60Hz/50Hz) mode, the colorspace is fixed to YUV4:2:0 !",
                  Text(rules::RefuseColorSpace(code, 1)));
    // The 4K rule comes first, also in DVI mode.
    EXPECT_EQ(rules::kColorSpaceFixed4k, Text(rules::RefuseColorSpace(40, 0)));
    EXPECT_EQ("When in DVI mode, the colorspace is fixed to RGB4:4:4 !",
              Text(rules::RefuseColorSpace(20, 0)));

    for (int value : {0, 1, 2, 3, 4})
        EXPECT_EQ("", Text(rules::RefuseColorDepth(27, 1, value))) << value;
    for (int code : {28, 37, 43}) {
        EXPECT_EQ("", Text(rules::RefuseColorDepth(code, 1, 0)));
        EXPECT_EQ("", Text(rules::RefuseColorDepth(code, 2, 4)));
        EXPECT_EQ("When in 4K mode, Color Depth is fixed to 24bit !",
                  Text(rules::RefuseColorDepth(code, 1, 2)));
    }
    // DVI refuses every depth, 8 bits included, before the 4K rule.
    EXPECT_EQ("When in DVI mode, the color depth is fixed to 24bit !",
              Text(rules::RefuseColorDepth(20, 0, 0)));
    EXPECT_EQ(rules::kColorDepthFixedDvi, Text(rules::RefuseColorDepth(30, 0, 2)));

    EXPECT_TRUE(rules::PatternOffered(42, false));
    EXPECT_FALSE(rules::PatternOffered(42, true));
    EXPECT_TRUE(rules::PatternOffered(34, true));
}

rules::UserTimingValues Timing1080p() {
    rules::UserTimingValues v;
    v.clockMhz = 148.5;
    v.hActive = 1920;
    v.hBlank = 280;
    v.hsOffset = 88;
    v.hsWidth = 44;
    v.vActive = 1080;
    v.vBlank = 45;
    v.vsOffset = 4;
    v.vsWidth = 5;
    v.hsyncPositive = true;
    v.vsyncPositive = true;
    return v;
}

TEST(UserTimingChecks, SlotClockAndEveryFieldAreCheckedInThePagesOrder) {
    const rules::UserTimingValues good = Timing1080p();
    EXPECT_EQ("", rules::CheckUserTiming(1, good));
    EXPECT_EQ("", rules::CheckUserTiming(10, good));
    for (int s : {0, 11, -1})
        EXPECT_EQ("Should select a valuable UserDefine number from the Pull-down-select-box on "
                  "the right",
                  rules::CheckUserTiming(s, good));

    rules::UserTimingValues v = good;
    v.clockMhz = 300.1; // the highest accepted
    EXPECT_EQ("", rules::CheckUserTiming(4, v));
    v.clockMhz = 300.2;
    EXPECT_EQ("pixcel clock can not be higher than 300MHz", rules::CheckUserTiming(4, v));
    for (double clock : {0.0, -1.0, std::nan("")}) {
        v.clockMhz = clock;
        EXPECT_EQ("Video clk must be higher than 0MHz", rules::CheckUserTiming(4, v)) << clock;
    }

    // Every size must fit its 16-bit field: 65535 does, 65536 and -1 do not; the first bad field
    // is named. The slot is checked before the clock, the clock before the sizes.
    v = good;
    v.vsWidth = 65535;
    EXPECT_EQ("", rules::CheckUserTiming(4, v));
    v.vsWidth = 65536;
    EXPECT_EQ("Vs width must be a value from 0 to 65535", rules::CheckUserTiming(4, v));
    v.hBlank = -1;
    EXPECT_EQ("H blank must be a value from 0 to 65535", rules::CheckUserTiming(4, v));
    v.clockMhz = 301;
    EXPECT_EQ(rules::kClockTooHigh, rules::CheckUserTiming(4, v));
    EXPECT_EQ(rules::kNoUserSlot, rules::CheckUserTiming(0, v));
}

TEST(UserTimingChecks, TheRecordTruncatesTheClockToTenKilohertz) {
    rules::UserTimingValues v = Timing1080p();
    v.clockMhz = 148.35; // 14834.999... in binary: still 148.35 MHz
    v.interlaced = true;
    v.hsyncPositive = false;
    const UserTimingRecord r = rules::MakeUserTimingRecord(4, v);
    EXPECT_EQ(3, r.slot);
    EXPECT_EQ(14835, r.pixelClock10kHz);
    EXPECT_EQ(UserTimingRecord::kInterlaced | UserTimingRecord::kVsyncPositive, r.flags);
    v.clockMhz = 74.259;
    EXPECT_EQ(7425, rules::MakeUserTimingRecord(1, v).pixelClock10kHz);
    EXPECT_EQ(1920, r.hActive);
    EXPECT_EQ(5, r.vsWidth);
}

TEST(UserTimingChecks, ThePanelNamesAUserTimingByItsSizesAndFieldRate) {
    auto name = [](const rules::UserTimingValues& v) {
        return names::UserTimingPanelText(rules::MakeUserTimingRecord(1, v).ToBytes().data());
    };
    rules::UserTimingValues v = Timing1080p();
    EXPECT_EQ("1920x1080(60)", name(v));
    // 1080i59.94: 540 lines a field, 74.1758 MHz.
    v.clockMhz = 74.18;
    v.vActive = 540;
    v.vBlank = 22;
    v.interlaced = true;
    EXPECT_EQ("1920x1080i(60)", name(v));
    // Sizes keep four digits, the rate three.
    v = Timing1080p();
    v.hActive = 12345;
    v.clockMhz = 300;
    v.hBlank = 0;
    v.vActive = 1;
    v.vBlank = 0;
    EXPECT_EQ("1234x1(243)", name(v)); // 24301 Hz
    const std::uint8_t empty[UserTimingRecord::kSize] = {};
    EXPECT_EQ("0x0(0)", names::UserTimingPanelText(empty));
}

TEST(AddressFilter, BroadcastsTakeEveryReplyAnAddressOnlyItsOwn) {
    struct Case {
        frame::DeviceAddress own;
        bool fromOtherDevice; // a reply from 01:06
    };
    for (const Case& c :
         {Case{{0x00, 0x00}, true}, Case{{0xFF, 0xFF}, true}, Case{{0x01, 0x00}, true},
          Case{{0x01, 0xFF}, true}, Case{{0x07, 0x00}, true}, Case{{0x01, 0x05}, false},
          Case{{0x00, 0x06}, false}, Case{{0xFF, 0x00}, false}}) {
        EXPECT_EQ(c.fromOtherDevice, frame::AcceptsReplyFrom(c.own, 0x01, 0x06))
            << int(c.own.group) << ":" << int(c.own.device);
    }
    EXPECT_TRUE(frame::AcceptsReplyFrom({0x01, 0x05}, 0x01, 0x05));
}

TEST(FrameLog, OneLinePerFrameWithTimeDirectionBytesAndNote) {
    const std::uint8_t bytes[] = {0xAB, 0x00, 0x0F};
    EXPECT_EQ("    1.500000 RX ab 00 0f  (wrong checksum)",
              framelog::FormatLine(1.5, "RX", bytes, 3, "wrong checksum"));
    EXPECT_EQ("1796719752.373317 TX ab", framelog::FormatLine(1796719752.373317, "TX", bytes, 1));
}

} // namespace
