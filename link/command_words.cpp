// The names of the command words, as the catalogue of the protocol gives them.
#include "link/command_words.h"

namespace cmd {

const char* CommandName(std::uint16_t word) {
    switch (word) {
    case SetTiming:
        return "set output timing";
    case SetPattern:
        return "set test pattern";
    case SetColorSpace:
        return "set colour space";
    case SetColorDepth:
        return "set colour depth";
    case SetHdcp:
        return "set HDCP";
    case SetHdmiDviMode:
        return "set HDMI/DVI mode";
    case SetSampleRate:
        return "set audio sample rate";
    case SetAudioBits:
        return "set audio bits";
    case SetAudioSource:
        return "set audio source";
    case SetChannelsSdi:
        return "set audio channels, SDI output";
    case SetChannelsHdmi:
        return "set audio channels, HDMI output";
    case SetOutputInterface:
        return "select output interface";
    case StoreUserTiming:
        return "store a user timing";
    case SetSignalOutput:
        return "signal output on/off";
    case ResetToDefault:
        return "reset generator settings to default";
    case QueryTiming:
        return "query output timing";
    case QueryPattern:
        return "query test pattern";
    case QueryColorSpace:
        return "query colour space";
    case QueryColorDepth:
        return "query colour depth";
    case QueryHdcp:
        return "query HDCP";
    case QueryHdmiDviMode:
        return "query HDMI/DVI mode";
    case QuerySampleRate:
        return "query audio sample rate";
    case QueryAudioBits:
        return "query audio bits";
    case QueryAudioSource:
        return "query audio source";
    case QueryChannelsSdi:
        return "query audio channels, SDI output";
    case QueryChannelsHdmi:
        return "query audio channels, HDMI output";
    case QueryOutputInterface:
        return "query output interface";
    case FetchUserTiming:
        return "fetch a user timing";
    case QueryTimingDetails:
        return "query details of the current timing";
    case QueryStatusSummary:
        return "query the output format in force";
    case ReadSavedEdid:
        return "read a saved EDID";
    case QuerySignalOutput:
        return "query signal output on/off";
    case ReadSinkEdid:
        return "read the EDID of the connected sink";
    case QueryHotPlug:
        return "query hot plug";
    case DeviceAddressReport:
        return "device address report";
    case Search:
        return "search frame";
    case Reply00a8:
    case Reply7801:
    case Reply7878:
        return "reply without effect";
    default:
        return nullptr;
    }
}

} // namespace cmd
