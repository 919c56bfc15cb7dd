// Reading and saving EDID files: the .bin and .txt formats, the save names and their numbering.
#include "edid/edid_file.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace edid {

const char* const kFileReadFailed = "File read failed";
const char* const kNotBinOrTxt = "It is not bin or txt file";
const char* const kFailedToCreateFile = "Faild to create file";
const char* const kFileMissing = "failed";

namespace {

constexpr int kMaxFileNumber = 99;

bool IsSpace(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int HexValue(int c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Character source over a string.
class StringSource {
public:
    explicit StringSource(const std::string& text) : m_text(text) {}
    int Peek() const {
        return m_pos < m_text.size() ? static_cast<unsigned char>(m_text[m_pos]) : EOF;
    }
    void Advance() { ++m_pos; }

private:
    const std::string& m_text;
    std::size_t m_pos = 0;
};

// Character source over an open file, one character of look-ahead.
class FileSource {
public:
    explicit FileSource(std::FILE* file) : m_file(file), m_current(std::getc(file)) {}
    int Peek() const { return m_current; }
    void Advance() { m_current = std::getc(m_file); }

private:
    std::FILE* m_file;
    int m_current;
};

// Reads one number the way "%x" does and stores its low 8 bits in value. Returns false, having
// consumed at most the blanks and a sign, when no number is there. A number too large for the
// conversion (more than 16 significant digits) gives the largest value, so its low byte is 0xFF.
template <class Source> bool ReadHexNumber(Source& in, std::uint8_t& value) {
    while (IsSpace(in.Peek()))
        in.Advance();
    bool negative = false;
    if (in.Peek() == '+' || in.Peek() == '-') {
        negative = in.Peek() == '-';
        in.Advance();
    }
    bool digits = false;
    if (in.Peek() == '0') {
        digits = true;
        in.Advance();
        if (in.Peek() == 'x' || in.Peek() == 'X')
            in.Advance();
    }
    unsigned low = 0;
    int significant = 0;
    for (int h = HexValue(in.Peek()); h >= 0; h = HexValue(in.Peek())) {
        digits = true;
        if (significant > 0 || h != 0)
            ++significant;
        low = ((low << 4) | static_cast<unsigned>(h)) & 0xFF;
        in.Advance();
    }
    if (!digits)
        return false;
    if (significant > 16)
        low = 0xFF;
    else if (negative)
        low = (0x100 - low) & 0xFF;
    value = static_cast<std::uint8_t>(low);
    return true;
}

// Reads up to 256 numbers into image (positions without one keep 0xFF); returns how many were
// read, and in more whether a further number follows them.
template <class Source> std::size_t ParseHex(Source& in, Image& image, bool& more) {
    image.fill(0xFF);
    std::size_t count = 0;
    more = false;
    for (; count < kImageSize; ++count)
        if (!ReadHexNumber(in, image[count]))
            return count; // the same token would stop every later read too
    std::uint8_t extra = 0;
    more = ReadHexNumber(in, extra);
    return count;
}

std::string FileName(const char* extension, int number) {
    char name[32];
    std::snprintf(name, sizeof name, "DerEra_EDID%02d.%s", number, extension);
    return name;
}

bool Exists(const std::filesystem::path& path) {
    std::error_code error;
    // A dangling symbolic link counts as taken: creating through it is refused below anyway.
    return std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

// The first number whose name of the kind is free, or -1 when all are taken.
int FirstFreeNumber(const std::filesystem::path& directory, const char* extension) {
    for (int n = 0; n <= kMaxFileNumber; ++n)
        if (!Exists(directory / FileName(extension, n)))
            return n;
    return -1;
}

std::string AllNamesTaken(const char* extension) {
    return std::string("Save EDID refused: the names ") + FileName(extension, 0) + " to " +
           FileName(extension, kMaxFileNumber) +
           " are all in use. Move or delete saved EDID files and save again.";
}

// Creates the file of the kind under the first free name from number on and writes the bytes.
// The file is created exclusively: when a name was taken since it was found free, the next
// number is tried, so no existing file is ever overwritten. Returns an empty text on success,
// else the failure to show.
std::string WriteNewFile(const std::filesystem::path& directory, const char* extension, int number,
                         const void* bytes, std::size_t size, std::string& name) {
    std::FILE* file = nullptr;
    std::filesystem::path path;
    for (; number <= kMaxFileNumber; ++number) {
        name = FileName(extension, number);
        path = directory / name;
        file = std::fopen(path.string().c_str(), "wbx");
        if (file || errno != EEXIST)
            break;
    }
    if (number > kMaxFileNumber) {
        name.clear();
        return AllNamesTaken(extension);
    }
    if (!file) {
        name.clear();
        return kFailedToCreateFile;
    }
    bool written = std::fwrite(bytes, 1, size, file) == size;
    written = std::fflush(file) == 0 && written;
    written = std::fclose(file) == 0 && written;
    if (!written) {
        // Do not leave a truncated EDID behind under a name that looks like a good save.
        std::error_code error;
        std::filesystem::remove(path, error);
        const std::string failure = "Failed to write " + name;
        name.clear();
        return failure;
    }
    if (!Exists(path)) {
        name.clear();
        return kFileMissing;
    }
    return std::string();
}

std::string TooShort(const std::string& path, std::size_t count, bool text) {
    const std::size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string what = text ? " hexadecimal numbers" : " bytes";
    return name + " is too short to hold an EDID: it holds " + std::to_string(count) + what +
           ", and an EDID's base block alone needs " + std::to_string(kBlockSize) + ".";
}

} // namespace

std::string FileExtension(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot < nameStart)
        return std::string();
    return path.substr(dot + 1);
}

Image ParseEdidText(const std::string& text) {
    StringSource in(text);
    Image image;
    bool more = false;
    ParseHex(in, image, more);
    return image;
}

OpenResult ReadEdidFile(const std::string& path) {
    OpenResult result;
    const std::string extension = FileExtension(path);
    const bool text = extension == "txt";
    // The file is opened before its extension is judged, so a missing file reads as a failed
    // read whatever its name.
    std::FILE* file = std::fopen(path.c_str(), text ? "r" : "rb");
    if (!file) {
        result.message = kFileReadFailed;
        return result;
    }
    if (!text && extension != "bin") {
        std::fclose(file);
        result.message = kNotBinOrTxt;
        return result;
    }
    std::size_t count = 0;
    bool more = false;
    if (text) {
        FileSource in(file);
        count = ParseHex(in, result.image, more);
    } else {
        result.image.fill(0xFF);
        count = std::fread(result.image.data(), 1, kImageSize, file);
        more = count == kImageSize && std::fgetc(file) != EOF;
    }
    // A read error (a directory, an I/O failure) is a failed read, not a short file.
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        result.image = Image{};
        result.message = kFileReadFailed;
        return result;
    }
    // Without a whole base block there is no EDID to show; more than two blocks are not loaded.
    if (count < kBlockSize) {
        result.image = Image{};
        result.message = TooShort(path, count, text);
        return result;
    }
    result.ok = true;
    result.loaded = count;
    result.truncated = more;
    return result;
}

// Sixteen lines of 50 bytes, 800 in all: each line ends CR CR LF, the bytes a text-mode write of
// CR LF puts on disk, so files saved here match byte for byte those the console saved before.
std::string EdidTextLayout(ImageView image) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(16 * 50);
    for (std::size_t row = 0; row < 16; ++row) {
        for (std::size_t col = 0; col < 16; ++col) {
            const std::uint8_t b = image[16 * row + col];
            if (col > 0)
                out += ' ';
            out += kDigits[b >> 4];
            out += kDigits[b & 0x0F];
        }
        out += "\r\r\n";
    }
    return out;
}

SaveResult SaveEdidFiles(const std::string& directory, ImageView image) {
    SaveResult result;
    const std::filesystem::path dir =
        directory.empty() ? std::filesystem::path(".") : std::filesystem::path(directory);

    // Both kinds need a free name before anything is written.
    const int textNumber = FirstFreeNumber(dir, "txt");
    if (textNumber < 0) {
        result.message = AllNamesTaken("txt");
        return result;
    }
    const int binNumber = FirstFreeNumber(dir, "bin");
    if (binNumber < 0) {
        result.message = AllNamesTaken("bin");
        return result;
    }

    const std::string layout = EdidTextLayout(image);
    std::string failure =
        WriteNewFile(dir, "txt", textNumber, layout.data(), layout.size(), result.textName);
    if (!failure.empty()) {
        result.message = failure;
        return result;
    }
    failure = WriteNewFile(dir, "bin", binNumber, image.data(), kImageSize, result.binName);
    if (!failure.empty()) {
        result.message = failure;
        return result;
    }
    result.ok = true;
    result.message = "Save EDID data to .\\" + result.textName + " and " + result.binName;
    return result;
}

std::vector<std::uint8_t> ParseEdidBuffer(const std::string& content, bool text) {
    std::vector<std::uint8_t> bytes;
    if (!text) {
        const std::size_t n = content.size() < kMaxEdidSize ? content.size() : kMaxEdidSize;
        bytes.assign(content.begin(), content.begin() + static_cast<std::ptrdiff_t>(n));
        return bytes;
    }
    StringSource in(content);
    std::uint8_t value = 0;
    while (bytes.size() < kMaxEdidSize && ReadHexNumber(in, value))
        bytes.push_back(value);
    return bytes;
}

} // namespace edid
