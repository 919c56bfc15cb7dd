// Address file creation and reading. The reader works on the file's bytes with carriage-return /
// line-feed pairs folded into one line feed, as a text-mode stream delivers them, so the
// character counts of the description rules are the same whichever line ends the file uses.
#include "app/address_file.h"
#include "app/module_path.h"
#include "app/program_folder.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace address_file {

namespace {

constexpr std::size_t kPathScanLimit = 200;
// A file this large is not an address file; reading stops there rather than loading it whole.
constexpr long kMaxReadBytes = 1 << 20;

std::string g_moduleOverride;

// The text-mode view of the file: CR LF becomes LF.
std::string TextModeBytes(std::FILE* f) {
    std::string raw;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0 &&
           raw.size() < static_cast<std::size_t>(kMaxReadBytes))
        raw.append(buf, n);
    std::string text;
    text.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n')
            continue;
        text.push_back(raw[i]);
    }
    return text;
}

// Formatted hexadecimal input like "%x": leading white space skipped, optional sign and 0x
// prefix, then hex digits. Returns false (consuming only the white space) when no number
// follows; the word then keeps its value.
bool ScanHex(const std::string& s, std::size_t& pos, std::uint16_t& word) {
    while (pos < s.size() && std::isspace(static_cast<unsigned char>(s[pos])))
        ++pos;
    std::size_t p = pos;
    bool negative = false;
    if (p < s.size() && (s[p] == '+' || s[p] == '-')) {
        negative = s[p] == '-';
        ++p;
    }
    if (p + 1 < s.size() && s[p] == '0' && (s[p + 1] == 'x' || s[p + 1] == 'X') &&
        p + 2 < s.size() && std::isxdigit(static_cast<unsigned char>(s[p + 2])))
        p += 2;
    if (p >= s.size() || !std::isxdigit(static_cast<unsigned char>(s[p])))
        return false;
    unsigned long value = 0;
    while (p < s.size() && std::isxdigit(static_cast<unsigned char>(s[p]))) {
        const char c = s[p];
        const unsigned digit = std::isdigit(static_cast<unsigned char>(c))
                                   ? c - '0'
                                   : (std::tolower(static_cast<unsigned char>(c)) - 'a' + 10);
        value = (value << 4) | digit; // only the low 16 bits are kept below
        ++p;
    }
    if (negative)
        value = 0u - value;
    word = static_cast<std::uint16_t>(value & 0xFFFF);
    pos = p;
    return true;
}

} // namespace

void BuildPath(const char* modulePath, char* out, std::size_t outSize) {
    if (outSize == 0)
        return;
    std::snprintf(out, outSize, "%s", modulePath);
    std::size_t lastSeparator = std::string::npos;
    for (std::size_t i = 0; i < kPathScanLimit && i < outSize && out[i] != '\0'; ++i)
        if (out[i] == kModulePathSeparator)
            lastSeparator = i;
    const std::size_t at = lastSeparator == std::string::npos ? 0 : lastSeparator + 1;
    if (at + sizeof("SG.ini") <= outSize)
        std::memcpy(out + at, "SG.ini", sizeof("SG.ini"));
}

void ChoosePath(const char* modulePath, const std::string& configDir, char* out,
                std::size_t outSize) {
    BuildPath(modulePath, out, outSize);
    if (configDir.empty() || outSize == 0)
        return;
    const std::string beside = out;
    const std::size_t separator = beside.rfind(kModulePathSeparator);
    const std::string exeDir = separator == std::string::npos ? "."
                               : separator == 0               ? beside.substr(0, 1)
                                                              : beside.substr(0, separator);
    if (UserMayCreateFilesIn(exeDir) && !IsSystemProgramFolder(exeDir))
        return;
    const std::string inConfig = configDir + kModulePathSeparator + "SG.ini";
    if (inConfig.size() >= outSize)
        return;
    std::error_code error;
    std::filesystem::create_directories(configDir, error);
    if (std::filesystem::is_directory(configDir, error))
        std::memcpy(out, inConfig.c_str(), inConfig.size() + 1);
}

void CreateIfMissing(const char* path, const Report& report) {
    if (access(path, F_OK) == 0)
        return;
    std::FILE* f = std::fopen(path, "wb");
    if (f == nullptr)
        report("There is no SG.ini and faild to create new empty ini file !");
    if (access(path, F_OK) != 0)
        report("failed");
    if (f == nullptr)
        return;
    std::string content;
    for (int i = 0; i < kEntries; ++i)
        content += "0000 ";
    for (int i = 0; i < kEntries; ++i)
        content += "\r\n* ";
    content += "\r\n";
    std::fwrite(content.data(), 1, content.size(), f);
    std::fclose(f);
}

bool Read(const char* path, Book& book, const Report& report) {
    // "Reading and updating" needs write access; a file marked read-only counts as not openable
    // even for a user whom the system would let write it anyway.
    struct stat st {};
    std::FILE* f = nullptr;
    if (stat(path, &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) != 0)
        f = std::fopen(path, "r+");
    if (f == nullptr) {
        report("File read failed");
        return false;
    }
    const std::string text = TextModeBytes(f);
    std::fclose(f);

    for (auto& note : book.notes) {
        std::memset(note, ' ', 10);
        note[10] = '\0';
        note[11] = '\0';
    }
    std::size_t pos = 0;
    for (auto& word : book.words)
        ScanHex(text, pos, word);

    for (auto& note : book.notes) {
        // Search for '*', giving up after 50 characters.
        for (int n = 0; n < 50 && pos < text.size(); ++n)
            if (text[pos++] == '*')
                break;
        for (int k = 0; k < 10; ++k) {
            if (pos >= text.size()) {
                note[k] = '\0';
                break;
            }
            const char c = text[pos++];
            if (c == '\r' || c == '\n') {
                note[k] = '\0';
                break;
            }
            note[k] = c;
        }
    }
    return true;
}

std::string ModuleFileName() {
    if (!g_moduleOverride.empty())
        return g_moduleOverride;
    return SystemModuleFileName();
}

void SetModuleFileNameForTesting(const std::string& path) {
    g_moduleOverride = path;
}

} // namespace address_file
