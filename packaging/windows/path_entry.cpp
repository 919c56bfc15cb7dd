// path_entry: adds the installation folder to the system's PATH or removes it again, for the
// setup program and its uninstaller, which carry it and run it from their temporary folder. The
// setup program's own string variables are 1024 characters long and would cut a longer PATH;
// this program reads and writes the whole value, of any length, and keeps its type (an
// expandable string keeps its %VARIABLES%).
//
//   path_entry add|remove FOLDER
//
// Exit status: 0 changed, 1 nothing to change (already there, or not there), 2 usage, 3 the
// registry refused.
#include "packaging/windows/path_list.h"

#include <string>
#include <vector>

#include <windows.h>

#include <shellapi.h>

namespace {

const wchar_t kEnvironmentKey[] =
    L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

// The value and its type; a missing value is an empty expandable string.
bool ReadPath(HKEY key, std::wstring& value, DWORD& type) {
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD bytes = 0;
        LSTATUS status = RegQueryValueExW(key, L"Path", nullptr, &type, nullptr, &bytes);
        if (status == ERROR_FILE_NOT_FOUND) {
            value.clear();
            type = REG_EXPAND_SZ;
            return true;
        }
        if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
            return false;
        std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
        DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        status = RegQueryValueExW(key, L"Path", nullptr, &type,
                                  reinterpret_cast<BYTE*>(buffer.data()), &size);
        if (status == ERROR_MORE_DATA)
            continue; // it grew meanwhile
        if (status != ERROR_SUCCESS)
            return false;
        value.assign(buffer.data(), size / sizeof(wchar_t));
        while (!value.empty() && value.back() == L'\0')
            value.pop_back();
        return true;
    }
    return false;
}

} // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr || argc != 3)
        return 2;
    const std::wstring verb = argv[1], folder = argv[2];
    LocalFree(argv);
    if ((verb != L"add" && verb != L"remove") || folder.empty())
        return 2;

    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kEnvironmentKey, 0,
                      KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return 3;
    std::wstring value;
    DWORD type = REG_EXPAND_SZ;
    if (!ReadPath(key, value, type)) {
        RegCloseKey(key);
        return 3;
    }
    const std::wstring changed =
        verb == L"add" ? path_list::Add(value, folder) : path_list::Remove(value, folder);
    if (changed == value) {
        RegCloseKey(key);
        return 1;
    }
    const LSTATUS status =
        RegSetValueExW(key, L"Path", 0, type, reinterpret_cast<const BYTE*>(changed.c_str()),
                       static_cast<DWORD>((changed.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        return 3;
    // Programs started from now on (Explorer's, new command lines) see the new value.
    DWORD_PTR result = 0;
    SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0,
                        reinterpret_cast<LPARAM>(L"Environment"), SMTO_ABORTIFHUNG, 5000, &result);
    return 0;
}
