// CConsoleDlg construction, start-up, data exchange, key handling, tabs and the About box.
#include "app/console_dlg.h"

#include "app/about_dlg.h"
#include "app/address_file.h"
#include "app/conversation_dlg.h"
#include "app/plan_dlg.h"
#include "link/command_words.h"
#include "link/link_messages.h"
#include "platform/serial/port_map.h"
#include "res/art.h"
#include "res/resource.h"
#include "res/templates.h"

#include <cstring>

namespace {
constexpr int kPageCount = 5;
}

CConsoleDlg::CConsoleDlg()
    : ui::Dialog(ConsoleDialogTemplate()), m_btnPort(IDC_PORT_BUTTON), m_iconSdi(IDC_SDI_ICON),
      m_iconHdmi(IDC_HDMI_ICON), m_iconSignal(IDC_SIGNAL_ICON), m_comboPort(IDC_PORT_COMBO),
      m_iconActivity(IDC_ACTIVITY_ICON), m_tab(IDC_TAB), m_timingPage(*this), m_patternPage(*this),
      m_settingPage(*this), m_edidPage(*this), m_timingDetailsPage(*this) {
    m_hIcon = LoadIconImage(IDR_MAINFRAME);
}

CConsoleDlg::~CConsoleDlg() {
    // Stop the worker while every member it may deliver to still exists; deliveries that arrive
    // while it winds down are dropped.
    m_bClosing = true;
    m_link.RequestStop();
}

const ui::HandlerEntry* CConsoleDlg::GetHandlerTable() const {
    static const ui::HandlerEntry kTable[] = {
        UI_ON_MESSAGE(WM_LINK_RXCHAR, CConsoleDlg, OnLinkRxChar),
        UI_ON_MESSAGE(WM_LINK_TXEMPTY, CConsoleDlg, OnLinkTxEmpty),
        UI_ON_MESSAGE(WM_LINK_LOST, CConsoleDlg, OnLinkLost),
        UI_ON_MESSAGE(WM_SHOW_DEFERRED_BOXES, CConsoleDlg, OnShowDeferredBoxes),
        UI_ON_MESSAGE(WM_OPEN_START_PLAN, CConsoleDlg, OnOpenStartPlan),
        UI_ON_MESSAGE(ui::WM_SYSCOMMAND, CConsoleDlg, OnSysCommand),
        UI_ON_NOTIFY(ui::Notify::SelChange, IDC_TAB, CConsoleDlg, OnTabSelChange),
        UI_ON_MESSAGE(ui::WM_TIMER, CConsoleDlg, OnTimer),
        UI_ON_NOTIFY(ui::Notify::SelEndOk, IDC_PORT_COMBO, CConsoleDlg, OnPortComboSelEnd),
        UI_ON_CLICKED(IDC_SEARCH_DEVICE, CConsoleDlg, OnSearchDevice),
        UI_ON_CLICKED(IDC_SIGNAL_ON, CConsoleDlg, OnSignalOn),
        UI_ON_CLICKED(IDC_SIGNAL_OFF, CConsoleDlg, OnSignalOff),
        UI_ON_CLICKED(IDC_SIGNAL_ICON, CConsoleDlg, OnSignalIcon),
        UI_ON_CLICKED(IDC_ACTIVITY_ICON, CConsoleDlg, OnActivityIcon),
        UI_ON_CLICKED(IDC_HDMI_ICON, CConsoleDlg, OnSelectHdmi),
        UI_ON_CLICKED(IDC_HDMI_LABEL, CConsoleDlg, OnSelectHdmi),
        UI_ON_CLICKED(IDC_SDI_ICON, CConsoleDlg, OnSelectSdi),
        UI_ON_CLICKED(IDC_SDI_LABEL, CConsoleDlg, OnSelectSdi),
        UI_ON_CLICKED(IDC_PORT_BUTTON, CConsoleDlg, OnPortButton),
        UI_END_HANDLERS,
    };
    return kTable;
}

void CConsoleDlg::DoDataExchange(ui::DataExchange& dx) {
    ui::DDX_Text(dx, IDC_SEARCH_STATUS, m_strSearchStatus);
    ui::DDX_Text(dx, IDC_HOT_PLUG_STATUS, m_strHotPlug);
    ui::DDX_Text(dx, IDC_INTERFACE_STATUS, m_strInterface);
    ui::DDX_Text(dx, IDC_TIMING_STATUS, m_strTiming);
    ui::DDX_Text(dx, IDC_COLOR_SPACE_STATUS, m_strColorSpace);
    ui::DDX_Text(dx, IDC_COLOR_DEPTH_STATUS, m_strColorDepth);
    ui::DDX_Text(dx, IDC_SAMPLE_RATE_STATUS, m_strSampleRate);
    ui::DDX_Text(dx, IDC_AUDIO_BITS_STATUS, m_strAudioBits);
    ui::DDX_Text(dx, IDC_AUDIO_TYPE_STATUS, m_strAudioType);
    ui::DDX_Text(dx, IDC_CHANNELS_STATUS, m_strChannels);
    ui::DDX_Text(dx, IDC_HDCP_STATUS, m_strHdcp);
    ui::DDX_Radio(dx, IDC_SIGNAL_ON, m_nSignal);
}

bool CConsoleDlg::PreTranslateMessage(ui::Msg& msg) {
    if (msg.message == ui::WM_KEYDOWN) {
        // Enter goes to the focused control only, so it never presses a default button;
        // Escape never closes the console.
        if (ui::KeepEnterAndEscape(*this, msg))
            return true;
        // F1 opens the About box, which the system menu alone hides where that menu is not
        // where users look for it.
        if (msg.wParam == ui::VK_F1) {
            ShowAboutBox();
            return true;
        }
        if (msg.wParam == ui::VK_F2) {
            ShowConversation();
            return true;
        }
        if (msg.wParam == ui::VK_F3) {
            ShowPlan();
            return true;
        }
    }
    return ui::Dialog::PreTranslateMessage(msg);
}

bool CConsoleDlg::OnInitDialog() {
    ApplyTemplateResources(*this);
    ui::Dialog::OnInitDialog();

    const char* aboutText = LoadStringResource(IDS_ABOUTBOX);
    if (aboutText != nullptr && *aboutText != '\0') {
        AppendSystemMenuSeparator();
        AppendSystemMenuItem(IDM_ABOUTBOX, aboutText);
        AppendSystemMenuItem(IDM_CONVERSATION, LoadStringResource(IDS_CONVERSATION));
        AppendSystemMenuItem(IDM_PLAN, LoadStringResource(IDS_PLAN));
    }
    // The link records every frame it sends into the conversation (when recording is on).
    m_link.SetRecorder(&m_conversation);
    SetWindowIcon(m_hIcon, m_hIcon);

    FillTimingNames();

    m_hIconSignalOn = LoadIconImage(IDI_SIGNAL_ON);
    m_hIconSignalOff = LoadIconImage(IDI_SIGNAL_OFF);
    m_hIconActive = LoadIconImage(IDI_PORT_ACTIVE);
    m_hIconIdle = LoadIconImage(IDI_PORT_IDLE);
    m_hIconSelected = LoadIconImage(IDI_SELECTED);

    SetDlgItemImage(m_iconActivity, m_hIconIdle);
    ComboSetCurSel(m_comboPort, m_nPort - 1);
    m_strSearchStatus = " "; // the controls take it at the next data exchange

    TabInsertItem(m_tab, 0, " Timing ");
    TabInsertItem(m_tab, 1, "Timing Details");
    TabInsertItem(m_tab, 2, "Pattern");
    TabInsertItem(m_tab, 3, "Setting");
    TabInsertItem(m_tab, 4, "TV EDID");

    m_timingPage.Create(this, m_tab);
    m_timingDetailsPage.Create(this, m_tab);
    m_patternPage.Create(this, m_tab);
    m_settingPage.Create(this, m_tab);
    m_edidPage.Create(this, m_tab);

    // The pages fill the tab's display area: below its row of tabs, which is as high as the
    // font makes it, and inside its frame.
    const ui::Rect pageRect = TabGetDisplayRect(m_tab);
    for (ui::Dialog* page :
         {static_cast<ui::Dialog*>(&m_timingPage), static_cast<ui::Dialog*>(&m_timingDetailsPage),
          static_cast<ui::Dialog*>(&m_patternPage), static_cast<ui::Dialog*>(&m_settingPage),
          static_cast<ui::Dialog*>(&m_edidPage)})
        page->MoveWindow(pageRect, true);
    ShowPage(0);
    WatchOperator(*this);
    for (ui::Dialog* page :
         {static_cast<ui::Dialog*>(&m_timingPage), static_cast<ui::Dialog*>(&m_timingDetailsPage),
          static_cast<ui::Dialog*>(&m_patternPage), static_cast<ui::Dialog*>(&m_settingPage),
          static_cast<ui::Dialog*>(&m_edidPage)})
        WatchOperator(*page);
    if (!m_strStartPlan.empty())
        PostMessage(WM_OPEN_START_PLAN);

    SetupAddressFile();

    return true;
}

void CConsoleDlg::SetupAddressFile() {
    const std::string module = address_file::ModuleFileName();
    address_file::ChoosePath(module.c_str(), serial::ConfigDirectory(), m_szAddressFile,
                             sizeof m_szAddressFile);
    auto report = [this](const char* text) { MessageBox(text); };
    address_file::CreateIfMissing(m_szAddressFile, report);
    address_file::Book book;
    if (address_file::Read(m_szAddressFile, book, report)) {
        std::memcpy(m_addressWords, book.words, sizeof m_addressWords);
        std::memcpy(m_addressNotes, book.notes, sizeof m_addressNotes);
    }
}

void CConsoleDlg::ShowPage(int index) {
    ui::Dialog* pages[kPageCount] = {&m_timingPage, &m_timingDetailsPage, &m_patternPage,
                                     &m_settingPage, &m_edidPage};
    for (int i = 0; i < kPageCount; ++i)
        if (i != index)
            pages[i]->ShowWindow(false);
    if (index >= 0 && index < kPageCount)
        pages[index]->ShowWindow(true);
}

void CConsoleDlg::OnTabSelChange() {
    ShowPage(TabGetCurSel(m_tab));
}

void CConsoleDlg::Tell(const std::string& text) {
    if (m_nInLinkNotification == 0) {
        MessageBox(text);
        return;
    }
    // A burst of refusals while the operator reads the first box says nothing new.
    constexpr std::size_t kMaxDeferred = 8;
    if (m_deferredBoxes.size() >= kMaxDeferred)
        return;
    m_deferredBoxes.push_back(text);
    if (m_deferredBoxes.size() == 1)
        PostMessage(WM_SHOW_DEFERRED_BOXES);
}

ui::LRESULT CConsoleDlg::OnShowDeferredBoxes(ui::WPARAM, ui::LPARAM) {
    // Each box runs an event loop: more may be deferred meanwhile, and shown in turn here.
    while (!m_deferredBoxes.empty() && !m_bClosing) {
        const std::string text = m_deferredBoxes.front();
        m_deferredBoxes.erase(m_deferredBoxes.begin());
        MessageBox(text);
    }
    return 0;
}

ui::LRESULT CConsoleDlg::OnSysCommand(ui::WPARAM wParam, ui::LPARAM) {
    if ((wParam & 0xFFF0) == IDM_ABOUTBOX)
        ShowAboutBox();
    else if ((wParam & 0xFFF0) == IDM_CONVERSATION)
        ShowConversation();
    else if ((wParam & 0xFFF0) == IDM_PLAN)
        ShowPlan();
    return 0;
}

void CConsoleDlg::ShowConversation() {
    if (!m_pConversationDlg)
        m_pConversationDlg = std::make_unique<CConversationDlg>(m_conversation);
    m_pConversationDlg->Open(this);
}

void CConsoleDlg::ShowAboutBox() {
    CAboutDlg about;
    about.DoModal(this);
}
