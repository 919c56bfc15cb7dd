// The settings sent to the generator whose acknowledgement has not come yet. The generator answers
// a setting with a reply that carries the same command word; a setting left unanswered is one the
// console cannot count as done. Only a setting whose answer could have come is judged: a later
// frame sent on the line purges what came in unread, and an exchange in progress (search, status
// read-back, EDID read) takes every reply for itself, so the answer to a setting sent before
// either may have been lost without the generator being at fault.
//
// Plain C++, no clock: the caller decides when the answers are overdue (the console, one second
// after the last setting it sent).
#pragma once

#include <cstdint>
#include <vector>

class CPendingSettings {
public:
    // A setting went out; judged: its answer can only be lost by the generator.
    void Sent(std::uint16_t word, bool judged);
    // Another frame went out, or an exchange began: the answers still awaited may be lost on the
    // console's side, so those settings are no longer judged.
    void AnswerMayBeLost();
    // The answer to a setting came; true when it was awaited.
    bool Acknowledged(std::uint16_t word);
    // The time is up: the judged settings still unanswered, in the order they went out. Every
    // setting is forgotten.
    std::vector<std::uint16_t> Overdue();
    void Clear() { m_pending.clear(); }
    bool AnyJudged() const;

private:
    struct Pending {
        std::uint16_t word;
        bool judged;
    };
    std::vector<Pending> m_pending;
};
