// A PATH value as the setup program edits it: a list of folders separated by ';', where a
// folder may be quoted (and then hold ';'). Adding and removing one folder leaves every other
// entry exactly as it was, whatever the value's length: %VARIABLES% unexpanded, empty entries,
// a trailing ';'. Two entries name the same folder when they are equal without their quotes
// and trailing backslashes, ignoring the case of ASCII letters (Windows folder names ignore case).
#pragma once

#include <string>

namespace path_list {

// Whether value holds folder.
bool Contains(const std::wstring& value, const std::wstring& folder);

// value with folder appended (quoted when it holds ';'), or value itself when it holds folder
// already. Remove(Add(value, folder), folder) is value.
std::wstring Add(const std::wstring& value, const std::wstring& folder);

// value without the entries that name folder.
std::wstring Remove(const std::wstring& value, const std::wstring& folder);

} // namespace path_list
