#include "link/pending_settings.h"

#include <algorithm>

void CPendingSettings::Sent(std::uint16_t word, bool judged) {
    // A setting sent again replaces the older one: one answer settles both.
    m_pending.erase(std::remove_if(m_pending.begin(), m_pending.end(),
                                   [word](const Pending& p) { return p.word == word; }),
                    m_pending.end());
    m_pending.push_back({word, judged});
}

void CPendingSettings::AnswerMayBeLost() {
    for (Pending& p : m_pending)
        p.judged = false;
}

bool CPendingSettings::Acknowledged(std::uint16_t word) {
    const auto it = std::find_if(m_pending.begin(), m_pending.end(),
                                 [word](const Pending& p) { return p.word == word; });
    if (it == m_pending.end())
        return false;
    m_pending.erase(it);
    return true;
}

std::vector<std::uint16_t> CPendingSettings::Overdue() {
    std::vector<std::uint16_t> overdue;
    for (const Pending& p : m_pending)
        if (p.judged)
            overdue.push_back(p.word);
    m_pending.clear();
    return overdue;
}

bool CPendingSettings::AnyJudged() const {
    return std::any_of(m_pending.begin(), m_pending.end(),
                       [](const Pending& p) { return p.judged; });
}
