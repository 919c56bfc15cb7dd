// CTimingPage: the " Timing " tab, one radio per output timing.
#pragma once

#include "link/timing_codes.h"

#include "platform/ui/data_exchange.h"
#include "platform/ui/dialog.h"

#include <cstddef>
#include <cstdint>
#include <utility>

class CPageHost;

class CTimingPage : public ui::Dialog {
public:
    static constexpr int kRadioCount = 72;
    static constexpr int kAutoCode = timing::kAuto;
    // Room FormatUserTimingCaption needs: "hhhhxvvvvi(rrr)" and the terminator.
    static constexpr std::size_t kCaptionSize = 16;

    explicit CTimingPage(CPageHost& host);

    // Common routine of the radio handlers: radioIndex is the radio's index in template order.
    // True when the timing went to the generator; a swallowed or refused choice puts the radios
    // back and changes nothing else.
    bool SelectTiming(char radioIndex);
    void SyncRadioToCode();
    void ShowTimingDetails();
    // The timing the generator reports: the radio and the Timing Details page show it.
    void ShowTimingCode(int code);
    // Shows again the current code's radio and details (the Auto timing's record arrived).
    void RefreshTiming();
    // The radio of a timing being chosen; the details stay as they are.
    void MarkTimingCode(int code);
    void ShowStatus(const unsigned char* status);
    void SetUserTimingCaption(int controlId, const char* text);
    void UpdateForOutputMode();

    // Writes the radio caption of a 20-byte user timing record ("1920x1080i(60)") into text,
    // which holds at least kCaptionSize bytes.
    static void FormatUserTimingCaption(const std::uint8_t* record, char* text);
    // Radio index <-> timing code: the UHD 4:2:0 and DCI 4K rows differ, all others are equal.
    static int RadioIndexToCode(int index);
    static int CodeToRadioIndex(int code);
    // Control id of the radio with this index (0 for an index outside the group).
    static int RadioId(int index);

    int m_nTimingRadio = -1;
    // 0 (640x480) until the first selection or status read-back.
    int m_nTimingCode = 0;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(ui::DataExchange& dx) override;
    bool PreTranslateMessage(ui::Msg& msg) override;
    const ui::HandlerEntry* GetHandlerTable() const override;

private:
    CPageHost& m_host;
    template <int I> void OnTimingRadio() { SelectTiming(static_cast<char>(I)); }
    template <std::size_t... I>
    static const ui::HandlerEntry* MakeHandlerTable(std::index_sequence<I...>);
};
