#include "app/conversation_dlg.h"

#include "app/whole_file.h"
#include "res/art.h"
#include "res/resource.h"
#include "res/templates.h"

#include <algorithm>
#include <chrono>

CConversationDlg::CConversationDlg(CConversation& conversation)
    : ui::Dialog(ConversationTemplate()), m_conversation(conversation) {}

const ui::HandlerEntry* CConversationDlg::GetHandlerTable() const {
    static const ui::HandlerEntry kTable[] = {
        UI_ON_CLICKED(IDC_CONVERSATION_PAUSE, CConversationDlg, OnPause),
        UI_ON_CLICKED(IDC_CONVERSATION_CLEAR, CConversationDlg, OnClear),
        UI_ON_CLICKED(IDC_CONVERSATION_SAVE, CConversationDlg, OnSave),
        UI_ON_MESSAGE(ui::WM_TIMER, CConversationDlg, OnTimer),
        UI_END_HANDLERS,
    };
    return kTable;
}

void CConversationDlg::Open(ui::Dialog* owner) {
    m_conversation.Enable(true);
    if (!IsCreated()) {
        CreateModeless(owner);
        return;
    }
    ShowWindow(true);
    Refresh();
}

bool CConversationDlg::OnInitDialog() {
    ApplyTemplateResources(*this);
    ui::Dialog::OnInitDialog();
    SetDlgItemFont(IDC_CONVERSATION_LINES, "Courier New", 9);
    SetDlgItemFont(IDC_CONVERSATION_HEADER, "Courier New", 9);
    SetDlgItemText(IDC_CONVERSATION_HEADER, CConversation::HeaderLine());
    // Beside the console, so that both can be seen at once, where the screen has room for it.
    if (const ui::Dialog* owner = GetParentDialog())
        PlaceBeside(*owner);
    SetDlgItemLineLimit(IDC_CONVERSATION_LINES, static_cast<int>(CConversation::kMaxEntries));
    SetDlgItemText(IDC_CONVERSATION_PAUSE, m_conversation.Paused() ? "Resume" : "Pause");
    m_generation = m_conversation.Generation();
    m_nextSeq = 0;
    Refresh();
    m_nIntervalMs = kRefreshMs;
    SetTimer(kTimerRefresh, m_nIntervalMs);
    return true;
}

ui::LRESULT CConversationDlg::OnTimer(ui::WPARAM wParam, ui::LPARAM) {
    if (wParam != kTimerRefresh || !IsWindowVisible())
        return 0;
    const auto start = std::chrono::steady_clock::now();
    Refresh();
    // Showing lines is the window's whole cost to the interface thread, which also takes the
    // replies: it may spend at most a twentieth of the time on it. Under a flood of frames the
    // window refreshes less often (each time with all that came); at the line's own pace, and
    // below, every 50 ms.
    const double spentMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const int next = std::clamp(static_cast<int>(spentMs * 20), kRefreshMs, kSlowestRefreshMs);
    if (next != m_nIntervalMs) {
        m_nIntervalMs = next;
        SetTimer(kTimerRefresh, m_nIntervalMs);
    }
    return 0;
}

void CConversationDlg::Refresh() {
    if (!IsCreated())
        return;
    const std::uint64_t generation = m_conversation.Generation();
    bool rebuild = generation != m_generation; // cleared: start again
    if (rebuild) {
        m_generation = generation;
        m_nextSeq = 0;
    }
    std::uint64_t next = m_nextSeq;
    std::vector<CConversation::Entry> entries = m_conversation.Since(m_nextSeq, next);
    // Many new lines into a full window: showing the lines kept afresh costs less than adding
    // them while as many of the oldest go, one by one.
    constexpr std::size_t kMax = CConversation::kMaxEntries;
    if (!rebuild && m_nShown + entries.size() > kMax && entries.size() > kMax / 5) {
        entries = m_conversation.Since(0, next);
        rebuild = true;
    }
    m_nextSeq = next;
    if (rebuild || entries.size() >= kMax) {
        SetDlgItemText(IDC_CONVERSATION_LINES, "");
        m_nShown = 0;
    }
    Show(entries);
}

void CConversationDlg::Show(const std::vector<CConversation::Entry>& entries) {
    if (entries.empty())
        return;
    std::string text;
    text.reserve(entries.size() * 100);
    for (const CConversation::Entry& e : entries) {
        text += CConversation::ViewLine(e);
        text += '\n';
    }
    AppendDlgItemText(IDC_CONVERSATION_LINES, text);
    m_nShown = std::min(m_nShown + entries.size(), CConversation::kMaxEntries);
}

void CConversationDlg::OnPause() {
    const bool paused = !m_conversation.Paused();
    m_conversation.SetPaused(paused);
    SetDlgItemText(IDC_CONVERSATION_PAUSE, paused ? "Resume" : "Pause");
}

void CConversationDlg::OnClear() {
    m_conversation.Clear();
    Refresh();
}

void CConversationDlg::OnSave() {
    std::string path;
    if (!ui::GetSaveFileName(this, "Text files (*.txt)|*.txt|All files (*.*)|*.*||", m_saveDir,
                             "conversation.txt", path))
        return;
    std::uint64_t next = 0;
    const std::vector<CConversation::Entry> entries = m_conversation.Since(0, next);
    std::string text;
    for (const CConversation::Entry& entry : entries) {
        const std::string line = CConversation::LogLine(entry);
        if (!line.empty()) // the frame log format holds frames only
            text += line + '\n';
    }
    const std::string why = whole_file::Write(path, text);
    if (!why.empty()) {
        MessageBox("The conversation could not be saved to " + path + ".\n" + why);
        return;
    }
    m_saveDir = whole_file::FolderOf(path);
}
