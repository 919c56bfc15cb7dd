// The state sgsim --set starts the device in: applied in the one order whatever the order given,
// through the device's own rules, and refused whole with the reason.
#include "tools/sgsim/initial_state.h"

#include <gtest/gtest.h>

namespace {

TEST(InitialState, SettingsApplyInTheOneOrderThroughTheDevicesRules) {
    sgsim::CGenerator g;
    // Given last, the output and the timing still come first: the SDI channel list, and the
    // 4K timing (which brings YUV 4:2:0 with it) before the colour space its rule allows there.
    EXPECT_EQ(sgsim::ApplySettings({{"channel", "CH5,6,7,8"},
                                    {"pattern", "SMPTE"},
                                    {"color_space", "YUV4:2:0"},
                                    {"timing", "3840x2160p(60)"},
                                    {"signal", "off"},
                                    {"output", "SDI"}},
                                   g),
              "");
    const sgsim::CSettings& s = g.State().settings;
    EXPECT_EQ(s.nOutputInterface, 1);
    EXPECT_EQ(s.nChannelsSdi, 5);
    EXPECT_EQ(s.nChannelsHdmi, 0);
    EXPECT_EQ(s.nColorSpace, 3);
    EXPECT_EQ(s.nPattern, 34);
    EXPECT_EQ(s.nSignal, 1);
}

TEST(InitialState, WhatTheDeviceRefusesIsNamed) {
    const std::pair<std::vector<sgsim::Setting>, std::string> cases[] = {
        {{{"colour", "1"}},
         "unknown KEY colour (one of output, timing, hdmi_dvi, color_space, "
         "color_depth, hdcp, audio_source, sample_rate, audio_bits, channel, "
         "signal, pattern)"},
        {{{"hdcp", "1"}, {"hdcp", "0"}}, "hdcp is given twice"},
        {{{"pattern", "Plaid"}}, "pattern Plaid: neither a code nor a name the console shows"},
        {{{"output", "dvi"}}, "output dvi: hdmi or sdi"},
        {{{"color_depth", "12bit"}, {"hdmi_dvi", "DVI"}},
         "color_depth 12bit: refused by the generator (the output, timing and HDMI/DVI mode are "
         "set first)"},
    };
    for (const auto& [settings, message] : cases) {
        sgsim::CGenerator g;
        EXPECT_EQ(sgsim::ApplySettings(settings, g), message);
    }
}

} // namespace
