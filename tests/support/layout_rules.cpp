#include "support/layout_rules.h"

#include <algorithm>
#include <sstream>

namespace layout {

namespace {

bool Empty(const ui::Rect& r) {
    return r.Width() <= 0 || r.Height() <= 0;
}

bool Within(const ui::Rect& inner, const ui::Rect& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

bool Intersect(const ui::Rect& a, const ui::Rect& b) {
    return std::max(a.left, b.left) < std::min(a.right, b.right) &&
           std::max(a.top, b.top) < std::min(a.bottom, b.bottom);
}

bool Allowed(const std::vector<Overlay>& allowed, const Item& a, const Item& b) {
    return std::any_of(allowed.begin(), allowed.end(), [&](const Overlay& o) {
        return (o.a == a.name && o.b == b.name) || (o.a == b.name && o.b == a.name);
    });
}

// A group box and another item: wholly inside it or apart from it.
bool Respects(const Item& group, const Item& other) {
    return Within(other.rect, group.inside) || !Intersect(other.rect, group.rect);
}

} // namespace

std::string Describe(const ui::Rect& r) {
    std::ostringstream s;
    s << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
    return s.str();
}

std::vector<std::string> Check(const ui::Rect& container, const std::vector<Item>& items,
                               const std::vector<Overlay>& allowed) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const Item& a = items[i];
        if (!Empty(a.rect) && !Within(a.rect, container))
            out.push_back(a.name + " " + Describe(a.rect) + " is not inside its container " +
                          Describe(container));
        for (const Caption& c : a.captions) {
            if (c.needWidth > c.room.Width() || c.needHeight > c.room.Height())
                out.push_back(a.name + ": " + c.what + " needs " + std::to_string(c.needWidth) +
                              "x" + std::to_string(c.needHeight) + " but has " +
                              std::to_string(c.room.Width()) + "x" +
                              std::to_string(c.room.Height()));
        }
        for (std::size_t j = i + 1; j < items.size(); ++j) {
            const Item& b = items[j];
            if (Empty(a.rect) || Empty(b.rect) || Allowed(allowed, a, b))
                continue;
            if ((a.owner >= 0 && a.owner == b.owner) || a.owner == static_cast<int>(j) ||
                b.owner == static_cast<int>(i))
                continue;
            bool fine = true;
            if (a.groupBox && b.groupBox)
                fine = Within(a.rect, b.inside) || Within(b.rect, a.inside) ||
                       !Intersect(a.rect, b.rect);
            else if (a.groupBox || b.groupBox)
                fine = a.groupBox ? Respects(a, b) : Respects(b, a);
            else
                fine = !Intersect(a.rect, b.rect);
            if (!fine)
                out.push_back(a.name + " " + Describe(a.rect) + " and " + b.name + " " +
                              Describe(b.rect) + " overlap");
        }
    }
    return out;
}

} // namespace layout
