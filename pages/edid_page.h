// CEdidPage: the "TV EDID" tab: reads an EDID from the generator (the sink's or a stored one),
// shows it as a hex dump and as decoded text, saves it to the working directory as a text and a
// binary file, and loads such files again.
#pragma once

#include "platform/ui/data_exchange.h"
#include "platform/ui/dialog.h"

#include <cstdint>
#include <string>

class CPageHost;

class CEdidPage : public ui::Dialog {
public:
    explicit CEdidPage(CPageHost& host);

    // Checks the header and the block checksums into the status text, then rebuilds the hex
    // dump and the three reports, and shows them. Called when an EDID has arrived in full.
    void ValidateAndDecode();
    // Appends report 0 (video), 1 (audio) or 2 (general) of the image to its text; any other
    // section does nothing.
    void DecodeEdid(int section);

    // The EDID read got no answer: the page shows no EDID, and has none to save.
    void ReadUnanswered();
    // A read EDID arrived in full: the 256-byte image and the byte after it (kept unchecked).
    void ShowReadImage(const std::uint8_t* image, std::uint8_t trailer);

    // Whether the page shows an EDID that was read or opened (held in m_abEdid).
    bool HasImage() const { return m_bImageShown; }

    // Handlers (public so tests can drive them as the buttons would).
    void OnReadEdid();
    void OnWriteEdid();
    void OnSaveEdid();
    void OnOpenEdid();

    std::string m_strVideoInfo;
    std::string m_strAudioInfo;
    std::string m_strHexDump;
    std::string m_strGeneralInfo;
    std::string m_strEdidStatus;
    int m_cbEdidSource = 0; // control id of the source combo
    int m_nEdidSource = 0;  // the combo's selection at the last "Read EDID"
    // The EDID image (base block, first extension block) and the spare bytes after it.
    std::uint8_t m_abEdid[260] = {};

    bool OnInitDialog() override;
    const ui::HandlerEntry* GetHandlerTable() const override;

protected:
    void DoDataExchange(ui::DataExchange& dx) override;

private:
    CPageHost& m_host;
    // The hex dump and the three reports of the image as it stands, without validation.
    void DecodeImage();
    void ClearShownImage();
    // The page shows an EDID that was read or opened: the one "Save EDID" stores.
    bool m_bImageShown = false;
};
