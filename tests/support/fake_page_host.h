// A small stand-in for the console a page sits in: a top-level dialog whose tab control hosts one
// page, and a CPageHost that keeps what the page asks of it. Frames are built and, while not
// connected, refused with the console's own message, as the console's frame builder does; the
// panel's texts come from the same names as the console's; sibling-page operations and
// exchanges are written down as calls. The repeat guard is the console's, without its timer:
// a test ends it with EndRepeatGuard().
#pragma once

#include "link/code_names.h"
#include "link/frame.h"
#include "pages/page_host.h"
#include "pages/setting_page.h"
#include "platform/ui/dialog.h"
#include "platform/ui/test_hooks.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

class CFakeConsole : public ui::Dialog, public CPageHost {
public:
    static constexpr int kTab = 100;

    struct Sent {
        std::uint16_t word;
        std::vector<std::uint8_t> payload;
        bool operator==(const Sent& o) const { return word == o.word && payload == o.payload; }
    };
    struct Panel {
        std::string interface, colorSpace, colorDepth, hdcp, sampleRate, audioBits, audioType,
            channels, timing;
    };

    CFakeConsole() : ui::Dialog(Template()) {}

    // Creates the fake and the page in it, runs body, closes both (the hooks answer DoModal).
    template <class Page> void Run(Page& page, const std::function<void()>& body) {
        m_page = &page;
        ui::test::SetModalHandler([&](ui::Dialog& d) {
            if (&d == this) {
                body();
                return ui::IDCANCEL;
            }
            return ui::IDOK;
        });
        DoModal();
        ui::test::SetModalHandler(nullptr);
    }

    bool OnInitDialog() override {
        ui::Dialog::OnInitDialog();
        if (m_page) {
            m_page->Create(this, kTab);
            m_page->MoveWindow(TabGetClientRect(kTab), true);
            m_page->ShowWindow(true);
        }
        return true;
    }

    // --- CPageHost ------------------------------------------------------------------------------
    bool SendCommand(std::uint16_t word) override { return SendCommandData(word, 0, nullptr); }
    bool SendCommandData(std::uint16_t word, int length, const std::uint8_t* payload) override {
        Sent frame{word, {}};
        if (payload && length > 0)
            frame.payload.assign(payload, payload + length);
        built.push_back(frame);
        if (!connected)
            MessageBox("Com port is not on yet.");
        return connected;
    }
    bool IsConnected() const override { return connected; }
    void StartStatusReadBack(int interval) override {
        calls.push_back("StartStatusReadBack " + std::to_string(interval));
    }
    bool StartEdidRead(int source) override {
        calls.push_back("StartEdidRead " + std::to_string(source));
        if (!connected)
            MessageBox("Com port is not on yet.");
        return connected;
    }
    bool PassRepeatGuard() override {
        if (guard) {
            guard = false;
            return false;
        }
        guard = true;
        return true;
    }
    void EndRepeatGuard() { guard = false; }

    int TimingCode() const override { return timingCode; }
    bool IsHdmiOutput() const override { return hdmi; }
    std::uint8_t* UserTimingRecord(int index) override { return records[index]; }

    void SetPanelText(PanelText item, const std::string& text) override {
        (item == PanelText::Interface    ? panel.interface
         : item == PanelText::ColorSpace ? panel.colorSpace
         : item == PanelText::ColorDepth ? panel.colorDepth
                                         : panel.hdcp) = text;
    }
    void ShowColorSpace() override {
        panel.colorSpace = names::PanelColorSpace(hdmi, settings ? settings->m_nColorSpace : -1);
    }
    void ShowColorDepth() override {
        panel.colorDepth = names::PanelColorDepth(hdmi, settings ? settings->m_nColorDepth : -1);
    }
    void ShowHdcp() override {
        panel.hdcp = names::PanelHdcp(hdmi, settings ? settings->m_nHdcp : -1);
    }
    void ShowInterface() override {
        panel.interface = names::PanelInterface(hdmi, settings ? settings->m_nOutputMode : -1);
    }
    void ShowSampleRate() override {
        panel.sampleRate = names::PanelSampleRate(hdmi, settings ? settings->m_nSampleRate : -1);
    }
    void ShowAudioBits(int code) override { panel.audioBits = names::AudioBitsText(code); }
    void ShowAudioType() override { panel.audioType = "PCM"; }
    void ShowChannels(int code) override { panel.channels = names::PanelChannels(hdmi, code); }
    void ShowTiming(int code) override {
        const char* name = names::TimingName(code);
        panel.timing = name ? name : "";
    }
    void SetChannelSelection(int index) override { channelSelection = index; }
    void RefreshPanel() override { shown = panel; }

    void ShowTimingDetails(int code) override {
        calls.push_back("ShowTimingDetails " + std::to_string(code));
    }
    void ApplyTimingToSettings(int code) override {
        calls.push_back("ApplyTimingToSettings " + std::to_string(code));
        if (settings)
            settings->ApplyTiming(code);
    }
    void UpdatePatternsForTiming() override { calls.push_back("UpdatePatternsForTiming"); }
    void SetUserTimingCaption(int slot, const char* caption) override {
        calls.push_back("SetUserTimingCaption " + std::to_string(slot) + " " + caption);
    }
    bool SelectTimingCode(int code) override {
        calls.push_back("SelectTimingCode " + std::to_string(code));
        if (connected)
            timingCode = code;
        return connected;
    }
    void ResetSent() override { calls.push_back("ResetSent"); }

    // What the page asked for.
    std::vector<Sent> built; // every frame built, sent or refused
    std::vector<std::string> calls;
    Panel panel; // the texts as they stand
    Panel shown; // the texts at the last refresh: what the panel shows
    int channelSelection = -1;
    bool guard = false;

    // What the console knows.
    bool connected = false;
    int timingCode = 0;
    bool hdmi = true;
    std::uint8_t records[11][20] = {};
    CSettingPage* settings = nullptr; // the Setting page the panel's texts read, if any

private:
    static const ui::DialogTemplate& Template() {
        static const ui::ControlTemplate kControls[] = {
            {kTab, ui::ControlKind::Tab, "", 0, 0, 400, 360, ui::kNone},
        };
        static const ui::DialogTemplate kTemplate{
            9100, "Fake console", 400, 360, "MS Shell Dlg", 8, kControls, 1, false, false, false};
        return kTemplate;
    }

    ui::Dialog* m_page = nullptr;
};

} // namespace testsupport
