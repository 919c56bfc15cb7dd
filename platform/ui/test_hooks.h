// Test hooks of the dialog layer, off in the application: message boxes recorded instead of shown,
// sleeps recorded instead of slept, timers in manual mode, modal dialogs and file choosers answered
// by the test. None of them needs a change in the console's code.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ui {
class Dialog;
}

namespace ui::test {

// Turns every hook on while it lives and restores the application's behaviour afterwards.
class ScopedHooks {
public:
    ScopedHooks();
    ~ScopedHooks();
    ScopedHooks(const ScopedHooks&) = delete;
    ScopedHooks& operator=(const ScopedHooks&) = delete;
};

void RecordMessageBoxes(bool on);
std::vector<std::string> MessageBoxes();
void ClearMessageBoxes();

void RecordSleeps(bool on);
std::vector<int> Sleeps();
void ClearSleeps();

// Manual timers: SetTimer only records the interval; a test fires a timer itself.
void ManualTimers(bool on);
bool ManualTimersOn();
std::optional<int> ArmedInterval(const Dialog& dlg, int id);
bool FireTimer(Dialog& dlg, int id); // false when the timer is not armed

// A modal dialog run while this is set is created and initialised, handed to the handler, and
// closed with the handler's result instead of running an event loop.
void SetModalHandler(std::function<int(Dialog&)> handler);

// The next file chooser, open or save, returns this path (or is cancelled when nullopt).
void SetOpenFileAnswer(std::optional<std::string> path);
inline void SetSaveFileAnswer(std::optional<std::string> path) {
    SetOpenFileAnswer(std::move(path));
}
// Filter and initial directory of the last file chooser shown.
std::string LastOpenFileFilter();
std::string LastOpenFileDir();

// Simulated user input, delivered as real input events to the widgets, so every handler, key
// pre-translation and notification runs as it would for the operator. Each returns false when the
// control is missing, hidden or disabled (the operator could not reach it either).
bool Click(Dialog& dlg, int id);                      // left click in the middle of a control
bool ChooseComboItem(Dialog& dlg, int id, int index); // picks an entry from the open list
bool ClickTab(Dialog& dlg, int id, int index);        // clicks a tab of a tab control
bool PressKey(Dialog& dlg, int id, unsigned long vk); // focuses the control, presses the key
bool TypeText(Dialog& dlg, int id, const std::string& text); // focuses the control, types text
// Opens the dialog's context (system) menu and chooses the entry with this text.
bool ChooseSystemMenuItem(Dialog& dlg, const std::string& text);
// The close box of the window.
bool CloseWindow(Dialog& dlg);

// --- The real event loop, for tests that run the console as the operator meets it ---------------
// None of these records or replaces anything: boxes are shown, timers run, sleeps sleep.

// Calls fn on the UI thread from whatever event loop runs there (a message box's included) after
// about the given time.
void CallLater(int milliseconds, std::function<void()> fn);

// Every modal window other than keep (message boxes, nested dialogs, file choosers) that opens
// while this is set is really shown and answered as an operator would after pause() ms: OK for a
// message box, cancel for anything else. seen hears of each one as it opens ("box: <text>" or
// "dialog: <caption>"). A null pause stops it.
void AnswerModalsAfter(const Dialog* keep, std::function<int()> pause,
                       std::function<void(const std::string&)> seen);

// True while a modal window other than dlg is open above it: the operator cannot reach dlg then.
bool ModalAbove(const Dialog& dlg);

// Hears of every sleep of the UI thread before it sleeps (null: stop).
void ObserveSleeps(std::function<void(int milliseconds)> observer);

} // namespace ui::test
