// CPatternPage: the "Pattern" tab, one radio and (for most patterns) one thumbnail per test
// pattern; either sends the pattern code.
#pragma once

#include "platform/ui/data_exchange.h"
#include "platform/ui/dialog.h"

#include <cstddef>
#include <utility>

class CPageHost;

class CPatternPage : public ui::Dialog {
public:
    static constexpr int kPatternCount = 43;
    static constexpr int kPathological = 42; // offered by the SDI output only

    // Controls of one pattern code: radio, thumbnail and its bitmap (0 when it has none).
    struct PatternControls {
        int radio;
        int thumbnail;
        int bitmap;
    };
    static const PatternControls kControls[kPatternCount];

    explicit CPatternPage(CPageHost& host);

    // Sends pattern code c (guarded). The pattern becomes m_nPattern only when the frame went
    // out; the radios then show m_nPattern, so a refused choice puts the previous one back.
    // True when the frame went out.
    bool SendPattern(char code);
    // Shows the pattern the generator reports, without sending anything.
    void ShowPattern(int code);
    // Disables the four picture patterns at 1400x1050 (timing 7) on the HDMI output.
    void UpdateForTiming();
    // The pathological check field is offered on the SDI output only.
    void UpdateForOutputMode();

    int m_nPattern = -1; // pattern code = radio index; -1 for none

    bool OnInitDialog() override;
    bool PreTranslateMessage(ui::Msg& msg) override;
    const ui::HandlerEntry* GetHandlerTable() const override;

    // Handlers.
    template <int C> void OnRadio() { SendPattern(static_cast<char>(C)); }
    template <int C> void OnThumbnail() { SendPattern(static_cast<char>(C)); }
    void OnPathologicalRadio();
    void OnPathologicalThumbnail();

protected:
    void DoDataExchange(ui::DataExchange& dx) override;

private:
    CPageHost& m_host;
    template <std::size_t... C>
    static const ui::HandlerEntry* MakeHandlerTable(std::index_sequence<C...>);
};
