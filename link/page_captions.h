// The captions of the console's pages, by the code each one sends: the Timing page's radios, the
// Timing details page's slot list, and the Setting page's radios and channel lists. The page
// templates and the pages take their captions from here, and the command-line tools take the
// same texts as names for the codes, so that a name read on a page is a name the tools accept.
#pragma once

namespace names {

constexpr int kTimingCaptionCount = 62; // codes 0..61 (61 is Auto)

// The Timing page's radio caption of each built-in timing code and Auto. The 3D captions repeat
// across the frame packing, side by side and top-bottom groups.
inline constexpr const char* kTimingPageCaptions[kTimingCaptionCount] = {
    // VESA PC timings.
    "640x480(60)", "800x600(60)", "1024x768(60)", "1280x768(60)", "1360x768(60)", "1280x960(60)",
    "1280x1024(60)", "1400x1050(60)", "1600x1200(60)", "1920x1200(60)",
    // Video standards at 60 / 59.94 / 30 / 29.97 / 24 / 23.98 fps.
    "480i(59.94)", "480p(59.94)", "720p(60)", "720p(59.94)", "1080i(60)", "1080i(59.94)",
    "1080p(30)", "1080p(29.97)", "1080p(24)", "1080p(23.98)", "1080p(60)", "1080p(59.94)",
    // Video standards at 50 / 25 fps.
    "576i(50)", "576p(50)", "720p(50)", "1080i(50)", "1080p(25)", "1080p(50)",
    // UHD and DCI 4K, then their 4:2:0 forms at 50/60 Hz.
    "UHD(30)", "UHD(29.97)", "UHD(25)", "UHD(24)", "UHD(23.98)", "DCI 4K(30)", "DCI 4K(29.97)",
    "DCI 4K(25)", "DCI 4K(24)", "DCI 4K(23.98)", "UHD(4:2:0)(60)", "UHD(4:2:0)(59.94)",
    "UHD(4:2:0)(50)", "DCI 4K(4:2:0)(60)", "DCI 4K(4:2:0)(59.94)", "DCI 4K(4:2:0)(50)",
    // 3D: frame packing, side by side, top-bottom.
    "720p_3D(60)", "720p_3D(59.94)", "1080p_3D(24)", "1080p_3D(23.98)", "720p_3D(50)",
    "720p_3D(59.94)", "1080i_3D(59.94)", "1080p_3D(59.94)", "1080p_3D(23.97)", "720p_3D(50)",
    "1080i_3D(50)", "1080p_3D(50)", "720p_3D(59.94)", "1080p_3D(59.94)", "1080p_3D(23.97)",
    "720p_3D(50)", "1080p_3D(50)",
    // Auto: the generator picks the timing from the sink's EDID.
    "Auto (Output timing based on EDID of sink device)"};

// The Timing details page's list of the user timing slots, one entry a line.
inline constexpr const char kUserDefineList[] =
    "User Define 1\nUser Define 2\nUser Define 3\nUser Define 4\nUser Define 5\n"
    "User Define 6\nUser Define 7\nUser Define 8\nUser Define 9\nUser Define 10";

// The Setting page's radio captions, in radio order: the index is the code.
inline constexpr const char* kHdmiDviCaptions[] = {"DVI", "HDMI", "AUTO"};
inline constexpr const char* kHdcpCaptions[] = {"HDCP OFF", "HDCP ON"};
inline constexpr const char* kColorSpaceCaptions[] = {"RGB4:4:4", "YUV4:4:4", "YUV4:2:2",
                                                      "YUV4:2:0", "AUTO"};
inline constexpr const char* kColorDepthCaptions[] = {"8bit", "10bit", "12bit", "16bit", "AUTO"};
inline constexpr const char* kAudioSourceCaptions[] = {"Int 1KHz", "Int 2KHz", "Int 4KHz",
                                                       "Ext. Stereo"};
inline constexpr const char* kSampleRateCaptions[] = {"32K", "44.1K", "48K",  "88K",
                                                      "96K", "176K",  "192K", "AUTO"};
inline constexpr const char* kAudioBitsCaptions[] = {"16bit", "20bit", "24bit", "AUTO"};

constexpr int kHdmiChannelEntryCount = 32;
constexpr int kSdiChannelEntryCount = 8;

// The Setting page's channel list of the HDMI output: the index is the channel allocation code
// of the audio InfoFrame; speakers from the highest channel down.
inline constexpr const char* kHdmiChannelEntries[kHdmiChannelEntryCount] = {
    "1: 2CH        FR_FL",
    "2: 2.1CH     LFE_FR_FL",
    "3: 3CH        FC_FR_FL",
    "4: 3.1CH     FC_LFE_FR_FL",
    "5: 3CH        RC_FR_FL",
    "6: 3.1CH     RC_LFE_FR_FL",
    "7: 4CH        RC_FC_FR_FL",
    "8: 4.1CH     RC_FC_LFE_FR_FL",
    "9: 4CH        RR_RL_FR_FL",
    "10: 4.1CH          RR_RL_LFE_FR_FL",
    "11: 5CH        RR_RL_FC_FR_FL",
    "12: 5.1CH          RR_RL_FC_LFE_FR_FL",
    "13: 5CH        RC_RR_RL_FR_FL",
    "14: 5.1CH     RC_RR_RL_LFE_FR_FL",
    "15: 6CH        RC_RR_RL_FC_FR_FL",
    "16: 6.1CH     RC_RR_RL_FC_LFE_FR_FL",
    "17: 6CH        RRC_RLC_RR_RL_FR_FL",
    "18: 6.1CH     RRC_RLC_RR_RL_LFE_FR_FL",
    "19: 7CH        RRC_RLC_RR_RL_FC_FR_FL",
    "20: 7.1CH     RRC_RLC_RR_RL_FC_LFE_FR_FL",
    "21: 4CH        FRC_FLC_FR_FL",
    "22: 4.1CH     FRC_FLC_LFE_FR_FL",
    "23: 5CH        FRC_FLC_FC_FR_FL",
    "24: 5.1CH     FRC_FLC_FC_LFE_FR_FL",
    "25: 5CH        FRC_FLC_RC_FR_FL",
    "26: 5.1CH     FRC_FLC_RC_LFE_FR_FL",
    "27: 6CH        FRC_FLC_RC_FC_FR_FL",
    "28: 6.1CH     FRC_FLC_RC_FC_LFE_FR_FL",
    "29: 6CH        FRC_FLC_RR_RL_FR_FL",
    "30: 6.1CH     FRC_FLC_RR_RL_LFE_FR_FL",
    "31: 7CH        FRC_FLC_RR_RL_FC_FR_FL",
    "32: 7.1CH     FRC_FLC_RR_RL_FC_LFE_FR_FL",
};

// ... and of the SDI output: the index is the code.
inline constexpr const char* kSdiChannelEntries[kSdiChannelEntryCount] = {
    "1: Ch1+Ch2", "2: Ch3+Ch4", "3: Ch1+Ch2+Ch3+Ch4",
    "4: Ch5+Ch6", "5: Ch7+Ch8", "6: Ch5+Ch6+Ch7+Ch8",
    "7: ALL",     "8: OFF",
};

} // namespace names
