#include "pages/edid_page.h"

#include "edid/edid_decoder.h"
#include "edid/edid_file.h"
#include "link/command_words.h"
#include "pages/page_host.h"
#include "res/art.h"
#include "res/resource.h"
#include "res/templates.h"

#include <cstring>

namespace {

const char kOpenFilter[] = "bin file(*.bin)|*.bin|text file(*.txt)|*.txt|all file(*.*)|*.*||";
// Files are read from and saved to the working directory.
const char kWorkingDirectory[] = ".";
const char kNoWriteSupport[] = "Do not support this function.";
const char kNothingToSave[] =
    "There is no EDID to save: read one from the generator or open a file first.";
constexpr int kFixedFontPoints = 8;

} // namespace

CEdidPage::CEdidPage(CPageHost& host)
    : ui::Dialog(EdidPageTemplate()), m_cbEdidSource(IDC_EDID_SOURCE), m_host(host) {}

const ui::HandlerEntry* CEdidPage::GetHandlerTable() const {
    static const ui::HandlerEntry kTable[] = {
        UI_ON_CLICKED(IDC_READ_EDID, CEdidPage, OnReadEdid),
        UI_ON_CLICKED(IDC_WRITE_EDID, CEdidPage, OnWriteEdid),
        UI_ON_CLICKED(IDC_SAVE_EDID, CEdidPage, OnSaveEdid),
        UI_ON_CLICKED(IDC_OPEN_EDID, CEdidPage, OnOpenEdid),
        UI_END_HANDLERS,
    };
    return kTable;
}

bool CEdidPage::OnInitDialog() {
    ApplyTemplateResources(*this);
    ui::Dialog::OnInitDialog();
    // The hex dump and its row labels need a fixed pitch whatever the page's font turns out to
    // be, or the rows would neither wrap after sixteen bytes nor line up with the labels.
    SetDlgItemFont(IDC_EDID_HEX, "Courier New", kFixedFontPoints);
    for (int row = 0; row < kEdidRowLabelCount; ++row)
        SetDlgItemFont(IDC_EDID_ROW_LABEL_FIRST + row, "Courier New", kFixedFontPoints);
    if (HasControl(m_cbEdidSource))
        ComboSetCurSel(m_cbEdidSource, 0); // the sink's EDID
    return true;
}

void CEdidPage::ShowReadImage(const std::uint8_t* image, std::uint8_t trailer) {
    std::memcpy(m_abEdid, image, 256);
    m_abEdid[256] = trailer;
    ValidateAndDecode();
}

void CEdidPage::DoDataExchange(ui::DataExchange& dx) {
    ui::DDX_Text(dx, IDC_EDID_VIDEO, m_strVideoInfo);
    ui::DDX_Text(dx, IDC_EDID_AUDIO, m_strAudioInfo);
    ui::DDX_Text(dx, IDC_EDID_HEX, m_strHexDump);
    ui::DDX_Text(dx, IDC_EDID_GENERAL, m_strGeneralInfo);
    ui::DDX_Text(dx, IDC_EDID_STATUS, m_strEdidStatus);
}

void CEdidPage::DecodeEdid(int section) {
    switch (section) {
    case edid::kVideoSection:
        m_strVideoInfo += edid::DecodeSection(m_abEdid, section);
        break;
    case edid::kAudioSection:
        m_strAudioInfo += edid::DecodeSection(m_abEdid, section);
        break;
    case edid::kGeneralSection:
        m_strGeneralInfo += edid::DecodeSection(m_abEdid, section);
        break;
    default:
        break;
    }
}

void CEdidPage::DecodeImage() {
    m_strHexDump = edid::HexDump(m_abEdid);
    m_strVideoInfo.clear();
    m_strAudioInfo.clear();
    m_strGeneralInfo.clear();
    DecodeEdid(edid::kVideoSection);
    DecodeEdid(edid::kAudioSection);
    DecodeEdid(edid::kGeneralSection);
}

void CEdidPage::ValidateAndDecode() {
    m_bImageShown = true;
    m_strHexDump.clear();
    m_strVideoInfo.clear();
    m_strAudioInfo.clear();
    m_strGeneralInfo.clear();
    // A bad header is all there is to say: no dump, no reports.
    m_strEdidStatus = edid::StatusText(m_abEdid);
    if (edid::HasValidHeader(m_abEdid))
        DecodeImage();
    UpdateData(false);
}

void CEdidPage::OnReadEdid() {
    UpdateData(true);
    const int source = ComboGetCurSel(m_cbEdidSource);
    // Source 0 is the sink's EDID; 1..6 the saved ones, asked for by slot 0..5. A closed port is
    // reported by the frame builder, starts no exchange and leaves the page as it is.
    if (!m_host.StartEdidRead(source))
        return;
    m_nEdidSource = source;
    // Until the answer is in, the page shows no EDID: the one before is not this read's result.
    ClearShownImage();
    m_strEdidStatus = " ";
    UpdateData(false);
}

void CEdidPage::ReadUnanswered() {
    ClearShownImage();
    m_strEdidStatus.clear();
    UpdateData(false);
}

void CEdidPage::ClearShownImage() {
    m_bImageShown = false;
    m_strHexDump.clear();
    m_strVideoInfo.clear();
    m_strAudioInfo.clear();
    m_strGeneralInfo.clear();
}

void CEdidPage::OnWriteEdid() {
    MessageBox(kNoWriteSupport);
    UpdateData(false);
}

void CEdidPage::OnSaveEdid() {
    // Only an EDID that was read or opened is saved: never one left from an earlier read, nor
    // the empty image of a fresh console.
    if (!m_bImageShown) {
        MessageBox(kNothingToSave);
        return;
    }
    // The image is saved as it stands, checked or not. A refused or failed save names the reason.
    const edid::SaveResult result = edid::SaveEdidFiles(kWorkingDirectory, m_abEdid);
    MessageBox(result.message);
}

void CEdidPage::OnOpenEdid() {
    std::string path;
    if (!ui::GetOpenFileName(this, kOpenFilter, kWorkingDirectory, path))
        return;
    UpdateData(false);
    // The file is read into an image of its own: a refused or unreadable file leaves the image
    // on screen, and so the one "Save EDID" writes, as it was.
    const edid::OpenResult opened = edid::ReadEdidFile(path);
    if (!opened.ok) {
        MessageBox(opened.message);
        return;
    }
    std::memcpy(m_abEdid, opened.image.data(), edid::kImageSize);
    // A file is checked as a read is: its header and checksums are the status.
    ValidateAndDecode();
    if (opened.truncated)
        MessageBox("Only the first 256 bytes of the file were loaded (the base block and the "
                   "first extension block); the rest of it was not.");
}
