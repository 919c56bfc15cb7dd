// CSettingPage: the "Setting" tab: interface mode, HDCP, colour space and depth, and the audio
// source, sample rate, bits and channel layout; it keeps the DVI and 4K rules and restores the
// generator's defaults.
#pragma once

#include "link/page_captions.h"
#include "platform/ui/data_exchange.h"
#include "platform/ui/dialog.h"

#include <cstdint>
#include <string>

class CPageHost;

class CSettingPage : public ui::Dialog {
public:
    explicit CSettingPage(CPageHost& host);

    // Takes the eight setting bytes of the status read-back (colour space, colour depth, HDCP,
    // interface mode, sample rate, audio bits, audio source, channel list index).
    void ShowStatus(const unsigned char* settings);
    // Enables the HDMI-only controls and refills the channel list for the selected output.
    void UpdateForOutputMode();
    // A timing was chosen: 4K is output at 8 bit, and the 50/60 Hz 4K timings only in YUV4:2:0,
    // which no other timing uses. Shows the colour texts it changes.
    void ApplyTiming(int code);
    // Selects entry index of the channel combo 1180 (no entry when out of range).
    void SelectChannel(int index);
    // The channel layout the generator reports: selected, and kept as the one shown.
    void ShowChannel(int index);
    // A setting the generator reports, as its radio index: the radios and the panel show it.
    void ShowColorSpace(int value); // the reset's wait note ends with it
    void ShowColorDepth(int value);
    void ShowHdcp(int value);
    void ShowOutputMode(int value);
    void ShowSampleRate(int value);
    void ShowAudioBits(int value);
    void ShowAudioSource(int value);
    // The generator reports a timing: the 4:2:0 timings are output in YUV4:2:0 at 8 bit, and no
    // other timing keeps YUV4:2:0 (the generator falls back to RGB). Shows the texts it changes.
    void FitColourToReportedTiming(int code);
    // The note that the generator restores its defaults ends (it is back, or gave up).
    void ClearWaitNote();

    // The channel lists of the two outputs; the payload of the channel command is the index.
    static constexpr int kSdiChannelCount = names::kSdiChannelEntryCount;
    static constexpr int kHdmiChannelCount = names::kHdmiChannelEntryCount;
    static constexpr const auto& kSdiChannelTexts = names::kSdiChannelEntries;
    static constexpr const auto& kHdmiChannelTexts = names::kHdmiChannelEntries;

    // Controls bound by data exchange (their ids).
    int m_cbAudioChannel;
    int m_btnReset;
    // Radio groups: index of the checked radio, -1 for none.
    int m_nOutputMode = -1;  // 0 DVI, 1 HDMI, 2 AUTO
    int m_nAudioBits = -1;   // 0 16bit, 1 20bit, 2 24bit, 3 AUTO
    int m_nAudioSource = -1; // 0 Int 1KHz, 1 Int 2KHz, 2 Int 4KHz, 3 Ext. Stereo
    int m_nSampleRate = -1;  // 0 32K .. 6 192K, 7 AUTO
    int m_nColorDepth = -1;  // 0 8bit, 1 10bit, 2 12bit, 3 16bit, 4 AUTO
    int m_nColorSpace = -1;  // 0 RGB4:4:4, 1 YUV4:4:4, 2 YUV4:2:2, 3 YUV4:2:0, 4 AUTO
    int m_nHdcp = -1;        // 0 off, 1 on
    std::string m_strWaitNote;
    int m_nAudioChannel = -1; // channel list index last reported or sent: the one shown

    bool OnInitDialog() override;
    bool PreTranslateMessage(ui::Msg& msg) override;
    const ui::HandlerEntry* GetHandlerTable() const override;

    // Group routines, each taking the radio index (public so tests can drive them directly).
    void SetOutputMode(int value);
    void SetHdcp(int value);
    void SetColorSpace(int value);
    void SetColorDepth(int value);
    void SetAudioSource(int value);
    void SetSampleRate(int value);
    void SetAudioBits(int value);

    // Handlers.
    template <int V> void OnOutputMode() { SetOutputMode(V); }
    template <int V> void OnHdcp() { SetHdcp(V); }
    template <int V> void OnColorSpace() { SetColorSpace(V); }
    template <int V> void OnColorDepth() { SetColorDepth(V); }
    template <int V> void OnAudioSource() { SetAudioSource(V); }
    template <int V> void OnSampleRate() { SetSampleRate(V); }
    template <int V> void OnAudioBits() { SetAudioBits(V); }
    void OnChannelSelChange();
    void OnResetToDefault();

protected:
    void DoDataExchange(ui::DataExchange& dx) override;

private:
    CPageHost& m_host;
    bool m_bHdmiList = true; // the channel list holds the HDMI output's layouts
    // One-byte setting; false when the frame was refused.
    bool Send(std::uint16_t word, int value);
    // The Timing page's current timing code.
    int TimingCode() const;
};
