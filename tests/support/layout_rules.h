// The rules a laid-out dialog keeps, over plain rectangles so that each backend's test reads its
// own widgets into them: every item inside its container, no two items overlapping (a group box
// holds the items wholly inside it and touches none outside), every caption fitting the room its
// control gives it. What a backend's widgets need is measured in that backend's test.
#pragma once

#include "platform/ui/types.h"

#include <string>
#include <vector>

namespace layout {

// A text and the room a control gives it; need is the size the text takes in its font.
struct Caption {
    std::string what;
    int needWidth = 0;
    int needHeight = 0;
    ui::Rect room;
};

struct Item {
    std::string name;
    ui::Rect rect;
    // A group box: items wholly inside `inside` belong to it, items apart from `rect` do not; any
    // other item cuts its frame or title.
    bool groupBox = false;
    ui::Rect inside;
    // The items of one control (a group box and its title's ink) are not checked against each
    // other. -1: an item of its own.
    int owner = -1;
    std::vector<Caption> captions;
};

inline Item Box(const std::string& name, const ui::Rect& rect, int owner = -1) {
    Item item;
    item.name = name;
    item.rect = rect;
    item.owner = owner;
    return item;
}

// Two items that overlap on purpose, with the reason.
struct Overlay {
    std::string a, b, why;
};

// What breaks the rules, one line each; empty when the layout holds.
std::vector<std::string> Check(const ui::Rect& container, const std::vector<Item>& items,
                               const std::vector<Overlay>& allowed = {});

std::string Describe(const ui::Rect& r);

} // namespace layout
