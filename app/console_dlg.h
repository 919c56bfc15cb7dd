// CConsoleDlg: the main console dialog. It owns the serial link, the five tab pages, the status
// panel, the parse state of the replies and the address book, and runs every exchange with the
// generator on the UI thread.
#pragma once

#include "app/plan_console.h"
#include "link/conversation.h"
#include "link/exchanges.h"
#include "link/frame.h"
#include "link/pending_settings.h"
#include "link/reply_framing.h"
#include "link/serial_link.h"
#include "link/setting_keys.h"
#include "pages/edid_page.h"
#include "pages/page_host.h"
#include "pages/pattern_page.h"
#include "pages/setting_page.h"
#include "pages/timing_details_page.h"
#include "pages/timing_page.h"
#include "platform/ui/data_exchange.h"
#include "platform/ui/dialog.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CConversationDlg;
class CPlanDlg;

using DeviceAddress = frame::DeviceAddress;

class CConsoleDlg : public ui::Dialog, public CPageHost, private reply::Sink, private CPlanConsole {
public:
    static constexpr int kReplyHandlerCount = 34;
    static constexpr int kTimingNameCount = 62;
    static constexpr int kUserTimingSlots = 11;
    static constexpr int kAddressEntries = 32;

    CConsoleDlg();
    ~CConsoleDlg() override;

    // Frame builders. True when the frame was handed to the link (false: refused with a message).
    bool SendCommand(std::uint16_t word) override;
    bool SendCommandData(std::uint16_t word, int length, const std::uint8_t* payload) override;

    // Connection and exchanges. One exchange at a time: starting one ends any other.
    void StartStatusReadBack(int interval) override;
    // Sends the EDID read of the chosen form and waits for its reply (only when the request
    // went out: a refused read leaves a search or another exchange alone).
    bool StartEdidRead(int source) override;

    // Status text operations.
    void ShowHdcp() override;
    void ShowInterface() override;
    void ShowTiming(int code) override;
    void ShowColorSpace() override;
    void ShowColorDepth() override;
    void ShowSampleRate() override;
    void ShowAudioBits(int code) override;
    void ShowAudioType() override;
    void ShowChannels(int code) override;

    // What the pages ask of the console (app/page_host.cpp).
    bool IsConnected() const override;
    bool PassRepeatGuard() override;
    int TimingCode() const override;
    bool IsHdmiOutput() const override;
    std::uint8_t* UserTimingRecord(int index) override;
    void SetPanelText(PanelText item, const std::string& text) override;
    void SetChannelSelection(int index) override;
    void RefreshPanel() override;
    void ShowTimingDetails(int code) override;
    void ApplyTimingToSettings(int code) override;
    void UpdatePatternsForTiming() override;
    void SetUserTimingCaption(int slot, const char* caption) override;
    bool SelectTimingCode(int code) override;
    void ResetSent() override;
    // After the output changed: the pages' enabled controls and the panel follow it.
    void RefreshOutputDependents();

    // Whether the console still waits for the generator: an exchange runs, a setting's
    // acknowledgement is awaited, or the generator is awaited after a reset.
    // When it is false the panel and the pages show all the console knows.
    bool ExpectsAnswers() const;
    // Opens the conversation window (system menu, right-click menu, F2).
    void ShowConversation();
    // Opens the plan window (system menu, right-click menu, F3).
    void ShowPlan();
    // The plan window opens with this plan loaded once the console is up.
    void OpenPlanAtStart(const std::string& path);

    // Path of the address file, and the address book read from it.
    const char* AddressFilePath() const { return m_szAddressFile; }
    // What went over the line (the frame log writes from it).
    CConversation& Conversation() { return m_conversation; }

    // --- State the parsers, the handlers and the pages share ---
    // Parse flags: which reply parser receives the bytes.
    int m_bPortOpen = 0;
    int m_bSearching = 0;
    int m_bReadingStatus = 0;
    int m_bReadingEdid = 0;
    // The group and device address stamped into every request.
    DeviceAddress m_address;
    // User timings 1..10 in slots 0..9; slot 10 is the timing the generator reports for Auto.
    std::uint8_t m_userTimings[kUserTimingSlots][20] = {};
    int m_bRepeatGuard = 0;
    int m_bHdmiMode = 1; // 1 HDMI output, 0 SDI

    static constexpr int kTimerExchange = 4;
    static constexpr int kTimerRepeatGuard = 5;
    // Settings not acknowledged a second after the last one sent are judged unconfirmed.
    static constexpr int kTimerConfirm = 6;
    static constexpr int kConfirmWindowMs = exchange::kConfirmWindowMs;
    // After a reset: the wait before the generator is asked for its state again.
    static constexpr int kTimerResetWait = 7;
    static constexpr int kResetFirstWaitMs = 1000;
    static constexpr int kResetPollMs = 500;
    static constexpr int kResetPolls = 10; // attempts, each a read-back window and a pause
    // A plan's setting: its acknowledgement, then the report of its value, is due.
    static constexpr int kTimerPlanAnswer = 8;
    // Posted to itself: shows the messages deferred while a link notification was handled.
    static constexpr ui::UINT WM_SHOW_DEFERRED_BOXES = ui::WM_USER + 0x101;
    // Posted to itself at start-up: opens the plan window with the plan given on the command line.
    static constexpr ui::UINT WM_OPEN_START_PLAN = ui::WM_USER + 0x102;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(ui::DataExchange& dx) override;
    bool PreTranslateMessage(ui::Msg& msg) override;
    const ui::HandlerEntry* GetHandlerTable() const override;

private:
    // Tests reach the console's inner state through this (tests/support/console_internals.h).
    friend struct ConsoleInternals;

    using ReplyHandler = void (CConsoleDlg::*)();

    // --- Controls bound by data exchange (their ids) ---
    int m_btnPort;
    int m_iconSdi;
    int m_iconHdmi;
    int m_iconSignal;
    int m_comboPort;
    int m_iconActivity;
    int m_tab;

    // --- Bound strings, then the radio group ---
    std::string m_strSearchStatus;
    std::string m_strHotPlug;
    std::string m_strInterface;
    std::string m_strTiming;
    std::string m_strColorSpace;
    std::string m_strColorDepth;
    std::string m_strSampleRate;
    std::string m_strAudioBits;
    std::string m_strAudioType;
    std::string m_strChannels;
    std::string m_strHdcp;
    int m_nSignal = -1;

    // --- Owned objects ---
    // What went over the line, for the conversation window and the frame log. Declared before
    // the link, whose worker records into it, so that it outlives the worker.
    CConversation m_conversation;
    std::unique_ptr<CConversationDlg> m_pConversationDlg; // created when first opened
    std::unique_ptr<CPlanDlg> m_pPlanDlg;                 // created when first opened
    CSerialLink m_link;
    CTimingPage m_timingPage;
    CPatternPage m_patternPage;
    CSettingPage m_settingPage;
    CEdidPage m_edidPage;
    CTimingDetailsPage m_timingDetailsPage;

    // --- State flags and counters ---
    int m_bReadingSavedEdid = 0;
    int m_bAutoDetailsAsked = 0;
    // The next status summary is followed by the Auto timing's details rather than the output.
    int m_bAskAutoDetails = 0;
    int m_bDeviceFound = 0;
    // The port a search started from: the one the console returns to when nothing answers.
    int m_nPortBeforeSearch = 1;
    int m_nStatusStep = 0;
    std::uint8_t m_abStatus[12] = {};
    int m_nStatusRecord = 0;
    // The general frame being handled (byte k of the frame at index k), and its size.
    std::uint8_t m_abRxFrame[520] = {};
    int m_nRxFrameSize = 0;
    int m_bHotPlug = 0;
    std::string m_timingNames[kTimingNameCount];
    int m_nChannelSelection = 0;
    char m_szAddressFile[256] = {};
    int m_nFollowUpQueries = 0;
    std::uint8_t m_abTxFrame[frame::kMaxFrame] = {};
    std::uint16_t m_addressWords[kAddressEntries] = {};
    char m_addressNotes[kAddressEntries][12] = {};
    // The receive state shared by the four reply parsers.
    reply::CReplyFraming m_rx;

    // Serial settings handed to every open of the link.
    int m_nBaudRate = 115200;
    int m_nPort = 1;
    char m_chParity = 'N';
    int m_nDataBits = 8;
    int m_nStopBits = 1;
    unsigned m_nEventMask = 3;

    // Icons, loaded once.
    ui::Image m_hIconActive;
    ui::Image m_hIconIdle;
    ui::Image m_hIconSelected;
    ui::Image m_hIconSignalOn;
    ui::Image m_hIconSignalOff;
    ui::Image m_hIcon;

    // Handlers of the controls, the system menu and the timers.
    void OnTabSelChange();
    ui::LRESULT OnSysCommand(ui::WPARAM wParam, ui::LPARAM lParam);
    ui::LRESULT OnTimer(ui::WPARAM wParam, ui::LPARAM lParam);
    void OnPortButton();
    void OnActivityIcon();
    void OnPortComboSelEnd();
    void OnSearchDevice();
    void OnSignalOn();
    void OnSignalOff();
    void OnSignalIcon();
    void OnSelectHdmi();
    void OnSelectSdi();

    // Received byte dispatch and the four reply parsers.
    ui::LRESULT OnLinkRxChar(ui::WPARAM wParam, ui::LPARAM lParam);
    ui::LRESULT OnLinkTxEmpty(ui::WPARAM wParam, ui::LPARAM lParam);
    ui::LRESULT OnLinkLost(ui::WPARAM wParam, ui::LPARAM lParam);
    void ParseEdidReply(std::uint8_t byte);
    void ParseSearchReply(std::uint8_t byte);
    void ParseStatusReply(std::uint8_t byte);
    void ParseReply(std::uint8_t byte);

    // Reply handlers.
    void OnTimingReply();
    void OnPatternReply();
    void OnColorSpaceReply();
    void OnColorDepthReply();
    void OnHdcpReply();
    void OnHdmiDviModeReply();
    void OnSampleRateReply();
    void OnAudioBitsReply();
    void OnAudioSourceReply();
    void OnChannelReply();
    void OnAutoTimingDetailsReply();
    void OnStatusSummaryReply();
    void OnSignalReply();
    void OnHotPlugReply();
    void OnDeviceAddressReply();
    void OnOutputInterfaceReply();
    void OnNoReply() {}
    // Hot plug text and flag: "ON " for any non-zero value, else "OFF".
    void ShowHotPlug(int value);

    struct ReplyHandlerEntry {
        std::uint16_t word;
        ReplyHandler handler;
    };
    static const ReplyHandlerEntry kReplyHandlers[kReplyHandlerCount];
    static const ReplyHandlerEntry* FindReplyHandler(std::uint16_t word);
    void FillTimingNames();
    void SetupAddressFile();
    void ShowPage(int index);
    void ShowAboutBox();
    // Opens m_nPort with the serial settings.
    bool OpenPort();
    void ShowPortOpenFailure();
    void TogglePort();
    void SendSignal(int value);
    // Sends the output switch; nothing changes on screen when it is refused.
    void SelectOutput(bool hdmi);
    // The selector icons, the output mode and what depends on it.
    void ShowOutput(bool hdmi);
    void ConnectedReadBackStart(int interval);
    bool TryNextSearchPort();
    void WriteSearchFrame();
    void SendStatusItemRequest();
    void FinishStatusReadBack();
    // Ends whatever exchange is in progress and empties the receive state.
    void BeginExchange();
    // Opens m_nPort and starts its worker; false (port closed again) when either fails.
    bool OpenAndMonitor();
    void ShowConnected();
    void ShowDisconnected();
    // Closes the port and shows the disconnected state.
    void Disconnect();
    // "COM7": the port the console is on.
    std::string PortName() const;

    // Why a status read-back runs; decides what its end or its silence means.
    enum class ReadBack {
        Update,  // "Update Status", or a page's wish
        Connect, // the first read-back of a connection
        Confirm, // settings went unacknowledged: what does the generator hold?
        Reset,   // the generator restored its defaults: is it back?
    };
    void StartReadBack(int interval, ReadBack why);
    // An exchange's window ended without its reply.
    void ReadBackUnanswered();
    void EdidReadUnanswered();
    // Shows the conversation line for a request whose reply did not come.
    void RecordNoAnswer(const std::uint8_t* bytes, std::size_t count, const std::string& what);
    void OnConfirmTimer();
    void OnResetWaitTimer();
    void EndResetWait();
    static std::string SettingNames(const std::vector<std::uint16_t>& words);
    static std::uint16_t StatusItemWord(int item, int hdmiMode);
    const std::uint8_t* ReplyPayload() const { return frame::Payload(m_abRxFrame); }
    int ReplyByte(int k) const { return static_cast<std::int8_t>(ReplyPayload()[k]); }

    // Where the reply framing asks which parser is in charge and hands over what it has cut.
    reply::Expectation Expected() override;
    void OnFrame(const std::uint8_t* frame, int size) override;
    void OnSearchReply(bool found) override;
    void OnStatusItem(std::uint8_t value) override;
    void OnStatusRecord(const std::uint8_t* record) override;
    void OnEdid(const std::uint8_t* image, std::uint8_t checksum) override;
    void OnReplyFrame(reply::Parser parser, const std::uint8_t* frame, int size) override;
    void OnDiscard(reply::Discard why, const std::uint8_t* bytes, int count) override;
    // Records a reply with what became of it (when something records).
    void RecordReply(const std::uint8_t* bytes, int count, const char* verdict,
                     const std::string& what = std::string());
    // What the next frame sent is to the console, for the conversation ("read-back item 3").
    std::string m_nextSendNote;
    // The last request of an exchange and what it was: the one a "no answer" line names.
    std::vector<std::uint8_t> m_awaitedRequest;
    std::string m_awaitedWhat;
    std::uint8_t m_abSearchFrame[frame::kOverhead] = {};
    // Settings awaiting the generator's answer, and those found unanswered.
    CPendingSettings m_pending;
    std::vector<std::uint16_t> m_unconfirmed;
    ReadBack m_eReadBack = ReadBack::Update;
    bool m_bResetWait = false;           // a reset was sent; its read-back has not succeeded yet
    bool m_bHeardDuringReadBack = false; // a byte came since the read-back began
    int m_nResetPolls = 0;
    // A read-back item reply is taken before its checksum byte, which then arrives alone.
    bool m_bItemChecksumDue = false;
    bool m_bRxAfterSilence = false; // the byte being parsed followed a quiet line

    // Shows a message to the operator. Inside the handling of a link notification the box is
    // shown once that handling is over: the link's worker waits for every notification, and a
    // box held open by the operator must not hold the worker (nor the replies behind it).
    void Tell(const std::string& text);
    ui::LRESULT OnShowDeferredBoxes(ui::WPARAM, ui::LPARAM);
    int m_nInLinkNotification = 0; // link notifications being handled (nested ones counted)
    struct LinkNotification {
        explicit LinkNotification(CConsoleDlg& d) : dlg(d) { ++dlg.m_nInLinkNotification; }
        ~LinkNotification() { --dlg.m_nInLinkNotification; }
        LinkNotification(const LinkNotification&) = delete;
        LinkNotification& operator=(const LinkNotification&) = delete;
        CConsoleDlg& dlg;
    };
    std::vector<std::string> m_deferredBoxes;
    bool m_bClosing = false;

    // --- Plans (app/plan_setting.cpp) ---
    bool ExchangeRunning() const override;
    bool PlanPortOpen() const override;
    std::string PlanPortName() const override;
    void ApplyPlanSetting(const std::string& key, const std::string& value) override;
    void CancelPlanSetting() override;
    bool ShownEdid(edid::Image& image) const override;
    ui::LRESULT OnOpenStartPlan(ui::WPARAM, ui::LPARAM);
    // Tells the plan window of the operator's clicks on this dialog's or a page's controls.
    void WatchOperator(ui::Dialog& dialog);
    // The port closed, by the operator or because it went away.
    void PlanConnectionEnded(const std::string& reason);
    void PlanAcknowledged(std::uint16_t word);
    void SendPlanSetting();
    void AskPlanValue();
    static constexpr int kPlanQueries = 3; // asks for a plan's setting before it has no answer
    void PlanReported(std::uint16_t word, int value);
    void OnPlanAnswerTimer();
    void EndPlanSetting(const client::Result& result,
                        const client::SetDone& done = client::SetDone());
    // The plan's setting under way.
    struct PlanSetting {
        enum class Stage { None, Acknowledge, Report };
        Stage stage = Stage::None;
        std::string keyName; // as the plan gives it
        client::Key key = client::Key::Timing;
        bool isSwitch = false;
        bool hdmi = true;
        std::uint16_t setWord = 0;
        std::uint16_t queryWord = 0;
        int code = 0;
        std::string name;
        int queries = 0; // sent so far
        bool acknowledged = false;
        int sends = 0; // of the setting's frame
    };
    PlanSetting m_planSetting;
    std::string m_strStartPlan;
};
