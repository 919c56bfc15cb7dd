// Template 131: the Setting page. Video options on the left (interface mode, HDCP, colour space,
// colour depth), audio options on the right (source, sample rate, bits), the channel and speaker
// list and the reset button below.
#include "link/page_captions.h"
#include "res/resource.h"
#include "res/templates.h"

#include <iterator>

using namespace ui;

namespace {

const ControlTemplate kControls[] = {
    // Video interface (left column).
    {IDC_STATIC, ControlKind::GroupBox, "HDMI/DVI", 7, 4, 165, 28, kNone},
    {IDC_S_DVI, ControlKind::RadioButton, names::kHdmiDviCaptions[0], 16, 16, 40, 10, kGroup},
    {IDC_S_HDMI, ControlKind::RadioButton, names::kHdmiDviCaptions[1], 64, 16, 44, 10, kNone},
    {IDC_S_INTERFACE_AUTO, ControlKind::RadioButton, names::kHdmiDviCaptions[2], 116, 16, 44, 10,
     kNone},
    {IDC_STATIC, ControlKind::GroupBox, "HDCP", 7, 36, 165, 28, kNone},
    {IDC_S_HDCP_OFF, ControlKind::RadioButton, names::kHdcpCaptions[0], 16, 48, 60, 10, kGroup},
    {IDC_S_HDCP_ON, ControlKind::RadioButton, names::kHdcpCaptions[1], 90, 48, 60, 10, kNone},
    {IDC_STATIC, ControlKind::GroupBox, "Color Space", 7, 68, 165, 80, kNone},
    {IDC_S_RGB444, ControlKind::RadioButton, names::kColorSpaceCaptions[0], 16, 80, 62, 10, kGroup},
    {IDC_S_YUV444, ControlKind::RadioButton, names::kColorSpaceCaptions[1], 16, 93, 62, 10, kNone},
    {IDC_S_YUV422, ControlKind::RadioButton, names::kColorSpaceCaptions[2], 16, 106, 62, 10, kNone},
    // Shows the colour space the 4K rules or the generator set; never chosen by the operator.
    {IDC_S_YUV420, ControlKind::RadioButton, names::kColorSpaceCaptions[3], 90, 80, 62, 10,
     kDisabled},
    {IDC_S_COLOR_SPACE_AUTO, ControlKind::RadioButton, names::kColorSpaceCaptions[4], 90, 93, 62,
     10, kNone},
    {IDC_STATIC, ControlKind::Static,
     "NOTE: YUV4:2:0 is only available in 4K 50/60Hz mode (HDMI2.0)", 16, 121, 150, 22, kGroup},
    {IDC_STATIC, ControlKind::GroupBox, "Color Depth", 7, 152, 165, 42, kNone},
    {IDC_S_DEPTH_8, ControlKind::RadioButton, names::kColorDepthCaptions[0], 16, 164, 44, 10,
     kGroup},
    {IDC_S_DEPTH_10, ControlKind::RadioButton, names::kColorDepthCaptions[1], 64, 164, 44, 10,
     kNone},
    {IDC_S_DEPTH_12, ControlKind::RadioButton, names::kColorDepthCaptions[2], 116, 164, 44, 10,
     kNone},
    {IDC_S_DEPTH_16, ControlKind::RadioButton, names::kColorDepthCaptions[3], 16, 178, 44, 10,
     kNone},
    {IDC_S_DEPTH_AUTO, ControlKind::RadioButton, names::kColorDepthCaptions[4], 64, 178, 44, 10,
     kNone},
    // Audio (right column).
    {IDC_STATIC, ControlKind::GroupBox, "Audio Source Selection", 178, 4, 160, 42, kNone},
    {IDC_S_SOURCE_1K, ControlKind::RadioButton, names::kAudioSourceCaptions[0], 187, 16, 62, 10,
     kGroup},
    {IDC_S_SOURCE_2K, ControlKind::RadioButton, names::kAudioSourceCaptions[1], 258, 16, 62, 10,
     kNone},
    {IDC_S_SOURCE_4K, ControlKind::RadioButton, names::kAudioSourceCaptions[2], 187, 30, 62, 10,
     kNone},
    {IDC_S_SOURCE_EXT, ControlKind::RadioButton, names::kAudioSourceCaptions[3], 258, 30, 70, 10,
     kNone},
    {IDC_STATIC, ControlKind::GroupBox, "Audio Sample Rate", 178, 50, 160, 56, kNone},
    {IDC_S_RATE_32K, ControlKind::RadioButton, names::kSampleRateCaptions[0], 187, 62, 42, 10,
     kGroup},
    {IDC_S_RATE_44K, ControlKind::RadioButton, names::kSampleRateCaptions[1], 235, 62, 44, 10,
     kNone},
    {IDC_S_RATE_48K, ControlKind::RadioButton, names::kSampleRateCaptions[2], 285, 62, 42, 10,
     kNone},
    {IDC_S_RATE_88K, ControlKind::RadioButton, names::kSampleRateCaptions[3], 187, 76, 42, 10,
     kNone},
    {IDC_S_RATE_96K, ControlKind::RadioButton, names::kSampleRateCaptions[4], 235, 76, 42, 10,
     kNone},
    {IDC_S_RATE_176K, ControlKind::RadioButton, names::kSampleRateCaptions[5], 285, 76, 42, 10,
     kNone},
    {IDC_S_RATE_192K, ControlKind::RadioButton, names::kSampleRateCaptions[6], 187, 90, 42, 10,
     kNone},
    {IDC_S_RATE_AUTO, ControlKind::RadioButton, names::kSampleRateCaptions[7], 235, 90, 44, 10,
     kNone},
    {IDC_STATIC, ControlKind::GroupBox, "Audio Bit", 178, 110, 160, 42, kNone},
    {IDC_S_BITS_16, ControlKind::RadioButton, names::kAudioBitsCaptions[0], 187, 122, 62, 10,
     kGroup},
    {IDC_S_BITS_20, ControlKind::RadioButton, names::kAudioBitsCaptions[1], 258, 122, 62, 10,
     kNone},
    {IDC_S_BITS_24, ControlKind::RadioButton, names::kAudioBitsCaptions[2], 187, 136, 62, 10,
     kNone},
    {IDC_S_BITS_AUTO, ControlKind::RadioButton, names::kAudioBitsCaptions[3], 258, 136, 62, 10,
     kNone},
    // Channel and speaker layout, reset.
    {IDC_STATIC, ControlKind::Static, "Audio channel and speaker setting:", 7, 204, 160, 8, kGroup},
    // A combo's caption is its initial list, one entry per line.
    {IDC_S_AUDIO_CHANNEL, ControlKind::ComboDropDown,
     "1: 2CH        FR_FL\n"
     "2: 2.1CH     LFE_FR_FL, \n"
     "3: 3CH        FC_FR_FL, \n"
     "4: 3.1CH     FC_LFE_FR_FL, \n"
     "5: 3CH        RC_FR_FL, \n"
     "6: 3.1CH     RC_LFE_FR_FL, \n"
     "7: 4CH        RC_FC_FR_FL, \n"
     "8: 4.1CH     RC_FC_LFE_FR_FL, \n"
     "9: 4CH        RR_RL_FR_FL, \n"
     "10: 4.1CH          RR_RL_LFE_FR_FL, \n"
     "11: 5CH        RR_RL_FC_FR_FL, \n"
     "12: 5.1CH          RR_RL_FC_LFE_FR_FL, \n"
     "13: 5CH        RC_RR_RL_FR_FL, \n"
     "14: 5.1CH     RC_RR_RL_LFE_FR_FL, \n"
     "15: 6CH        RC_RR_RL_FC_FR_FL, \n"
     "16: 6.1CH     RC_RR_RL_FC_LFE_FR_FL, \n"
     "17: 6CH        RRC_RLC_RR_RL_FR_FL, \n"
     "18: 6.1CH     RRC_RLC_RR_RL_LFE_FR_FL, \n"
     "19: 7CH        RRC_RLC_RR_RL_FC_FR_FL, \n"
     "20: 7.1CH     RRC_RLC_RR_RL_FC_LFE_FR_FL, \n"
     "21: 4CH        FRC_FLC_FR_FL, \n"
     "22: 4.1CH     FRC_FLC_LFE_FR_FL, \n"
     "23: 5CH        FRC_FLC_FC_FR_FL, \n"
     "24: 5.1CH     FRC_FLC_FC_LFE_FR_FL, \n"
     "25: 5CH        FRC_FLC_RC_FR_FL, \n"
     "26: 5.1CH     FRC_FLC_RC_LFE_FR_FL, \n"
     "27: 6CH        FRC_FLC_RC_FC_FR_FL, \n"
     "28: 6.1CH     FRC_FLC_RC_FC_LFE_FR_FL, \n"
     "29: 6CH        FRC_FLC_RR_RL_FR_FL, \n"
     "30: 6.1CH     FRC_FLC_RR_RL_LFE_FR_FL, \n"
     "31: 7CH        FRC_FLC_RR_RL_FC_FR_FL, \n"
     "32: 7.1CH     FRC_FLC_RR_RL_FC_LFE_FR_FL",
     7, 215, 230, 140, kVScroll | kGroup},
    {IDC_S_RESET, ControlKind::PushButton, "Reset to Default Setting", 7, 240, 110, 16, kGroup},
    {IDC_S_WAIT_NOTE, ControlKind::Static, "Wait a few seconds ...", 125, 244, 150, 10, kNone},
};

const DialogTemplate kTemplate = {
    IDD_SETTING_PAGE,     "",   345,   330,   "Segoe UI", 9, kControls,
    std::size(kControls), true, false, false,
};

} // namespace

const DialogTemplate& SettingPageTemplate() {
    return kTemplate;
}
