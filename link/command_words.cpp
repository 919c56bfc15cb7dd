// The catalogue's look-ups.
#include "link/catalogue.h"

namespace cmd {

const char* CommandName(std::uint16_t word) {
    const WordInfo* info = FindWord(word);
    return info ? info->name : nullptr;
}

const WordInfo* FindWord(std::uint16_t word) {
    for (const WordInfo& info : kCatalogue)
        if (info.word == word)
            return &info;
    return nullptr;
}

bool IsSetting(std::uint16_t word) {
    // What the console sends without the query bit, and not the search: a setting.
    const WordInfo* info = FindWord(word);
    return info != nullptr && !IsQuery(word) && info->request != kNoValue;
}

} // namespace cmd
