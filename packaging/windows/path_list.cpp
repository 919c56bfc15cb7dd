// Entries are kept as the text between separators, so that what is not removed is joined again
// unchanged.
#include "packaging/windows/path_list.h"

#include <vector>

namespace path_list {

namespace {

// The entries of value, each as written (quotes included); "" gives no entry at all.
std::vector<std::wstring> Split(const std::wstring& value) {
    std::vector<std::wstring> entries;
    if (value.empty())
        return entries;
    std::wstring entry;
    bool quoted = false;
    for (const wchar_t c : value) {
        if (c == L'"')
            quoted = !quoted;
        if (c == L';' && !quoted) {
            entries.push_back(entry);
            entry.clear();
        } else {
            entry.push_back(c);
        }
    }
    entries.push_back(entry);
    return entries;
}

std::wstring Join(const std::vector<std::wstring>& entries) {
    std::wstring value;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i > 0)
            value.push_back(L';');
        value += entries[i];
    }
    return value;
}

// The folder an entry names, in the form entries are compared in.
std::wstring Key(const std::wstring& entry) {
    std::wstring key;
    for (const wchar_t c : entry)
        if (c != L'"')
            key.push_back(c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c);
    while (!key.empty() && (key.back() == L'\\' || key.back() == L' '))
        key.pop_back();
    return key;
}

bool Names(const std::wstring& entry, const std::wstring& folderKey) {
    return !folderKey.empty() && Key(entry) == folderKey;
}

} // namespace

bool Contains(const std::wstring& value, const std::wstring& folder) {
    const std::wstring key = Key(folder);
    for (const std::wstring& entry : Split(value))
        if (Names(entry, key))
            return true;
    return false;
}

std::wstring Add(const std::wstring& value, const std::wstring& folder) {
    if (Key(folder).empty() || Contains(value, folder))
        return value;
    const std::wstring entry =
        folder.find(L';') != std::wstring::npos ? L"\"" + folder + L"\"" : folder;
    if (value.empty())
        return entry;
    // A value that ends with ';' keeps ending with it, so that Remove gives it back as it was.
    return value.back() == L';' ? value + entry + L";" : value + L";" + entry;
}

std::wstring Remove(const std::wstring& value, const std::wstring& folder) {
    const std::wstring key = Key(folder);
    std::vector<std::wstring> kept;
    bool removed = false;
    for (const std::wstring& entry : Split(value)) {
        if (Names(entry, key))
            removed = true;
        else
            kept.push_back(entry);
    }
    return removed ? Join(kept) : value;
}

} // namespace path_list
