// CEdidPage: the "TV EDID" tab: read, decode, save and open EDIDs.
#pragma once

#include "platform/ui/data_exchange.h"
#include "platform/ui/dialog.h"

#include <cstdint>
#include <string>

class CConsoleDlg;

class CEdidPage : public ui::Dialog {
public:
    CEdidPage();

    void ValidateAndDecode();

    std::string m_strEdidStatus;
    int m_cbEdidSource = 0; // control id of the source combo
    // The EDID image and the spare bytes after it.
    std::uint8_t m_abEdid[260] = {};

protected:
    void DoDataExchange(ui::DataExchange& dx) override;

private:
    CConsoleDlg& Main() const;
};
