// CConversationDlg: the modeless window that shows the conversation with the generator, one line
// per frame, while the operator goes on working in the main dialog. It reads what a
// CConversation records and never touches the link.
#pragma once

#include "link/conversation.h"
#include "platform/ui/dialog.h"

#include <cstdint>

class CConversationDlg : public ui::Dialog {
public:
    static constexpr int kRefreshMs = 50; // at most 20 refreshes a second
    static constexpr int kSlowestRefreshMs = 1000;
    static constexpr int kTimerRefresh = 1;

    explicit CConversationDlg(CConversation& conversation);

    // Shows the window beside owner, creating it the first time; recording starts with it.
    void Open(ui::Dialog* owner);

    // Handlers (public so tests can drive them as the controls would).
    void OnPause();
    void OnClear();
    void OnSave();
    ui::LRESULT OnTimer(ui::WPARAM wParam, ui::LPARAM lParam);
    // Appends the lines recorded since the last refresh.
    void Refresh();

protected:
    bool OnInitDialog() override;
    const ui::HandlerEntry* GetHandlerTable() const override;

private:
    CConversation& m_conversation;
    std::uint64_t m_nextSeq = 0;
    std::uint64_t m_generation = 0;
    int m_nIntervalMs = kRefreshMs;
    std::size_t m_nShown = 0; // lines in the window

    // Appends the lines of these entries.
    void Show(const std::vector<CConversation::Entry>& entries);
    std::string m_saveDir;
};
