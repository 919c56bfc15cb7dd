// CPageHost: what the tab pages need of the console they sit in, and nothing more. Sending
// frames and starting exchanges, the console's view of the generator (timing code, output, user
// timing records), the status panel's operations, and what one page's action asks of its
// siblings. The main dialog implements it; page tests implement it with a small fake, so a page
// builds and runs without the whole console.
#pragma once

#include <cstdint>
#include <string>

class CPageHost {
public:
    virtual ~CPageHost() = default;

    // --- The generator --------------------------------------------------------------------------
    // One request frame each; false when it was refused (not connected: the console says so).
    virtual bool SendCommand(std::uint16_t word) = 0;
    virtual bool SendCommandData(std::uint16_t word, int length, const std::uint8_t* payload) = 0;
    virtual bool IsConnected() const = 0;
    // The status read-back, asking for the first item within the interval (ms).
    virtual void StartStatusReadBack(int interval) = 0;
    // The EDID read of source 0 (the attached sink) or 1..6 (saved EDID n); false when the
    // request was refused (the console says why).
    virtual bool StartEdidRead(int source) = 0;
    // The generator was told to restore its default settings: its state is read back once it
    // answers again.
    virtual void ResetSent() = 0;
    // The guard of the page handlers: false for the second of two notifications within 50 ms,
    // which is to be swallowed.
    virtual bool PassRepeatGuard() = 0;

    // --- The console's view of the generator ----------------------------------------------------
    virtual int TimingCode() const = 0; // the timing chosen or reported last
    virtual bool IsHdmiOutput() const = 0;
    // The 20-byte user timing record of slot 0..9, or 10 for the timing chosen for Auto.
    virtual std::uint8_t* UserTimingRecord(int index) = 0;

    // --- The status panel (the texts show at the next refresh) --------------------------------
    enum class PanelText { Interface, ColorSpace, ColorDepth, Hdcp };
    virtual void SetPanelText(PanelText item, const std::string& text) = 0;
    // The texts from the Setting page's current values (see the console's status panel).
    virtual void ShowColorSpace() = 0;
    virtual void ShowColorDepth() = 0;
    virtual void ShowHdcp() = 0;
    virtual void ShowInterface() = 0;
    virtual void ShowSampleRate() = 0;
    virtual void ShowAudioBits(int code) = 0;
    virtual void ShowAudioType() = 0;
    virtual void ShowChannels(int code) = 0;
    virtual void ShowTiming(int code) = 0;
    virtual void SetChannelSelection(int index) = 0;
    virtual void RefreshPanel() = 0;

    // --- Sibling pages --------------------------------------------------------------------------
    // The Timing details page shows the parameters of this timing code.
    virtual void ShowTimingDetails(int code) = 0;
    // A timing was chosen: the Setting page applies the colour rules of 4K.
    virtual void ApplyTimingToSettings(int code) = 0;
    // The Pattern page enables the patterns the current timing allows.
    virtual void UpdatePatternsForTiming() = 0;
    // The Timing page labels the radio of user timing slot 0..9.
    virtual void SetUserTimingCaption(int slot, const char* caption) = 0;
    // The Timing page checks the radio of this timing code and outputs that timing; false when
    // that was refused, and then the Timing page and the panel are as they were.
    virtual bool SelectTimingCode(int code) = 0;
};
