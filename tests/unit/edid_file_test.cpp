// EDID files: save names and numbering, the text layout, reading .bin and .txt files.
#include "edid/edid_file.h"

#include "unit/edid_test_images.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;
using namespace edid_test;

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "edid_file_test_XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        m_path = pattern;
    }
    ~TempDir() {
        std::error_code error;
        fs::remove_all(m_path, error);
    }
    const fs::path& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return (m_path / name).string(); }

private:
    fs::path m_path;
};

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(EdidSave, TwoSavesInAnEmptyDirectoryNumberBothKinds) {
    TempDir dir;
    const Image image = Television4K();

    const edid::SaveResult first = edid::SaveEdidFiles(dir.Path().string(), image);
    ASSERT_TRUE(first.ok) << first.message;
    EXPECT_EQ(first.message, "Save EDID data to .\\DerEra_EDID00.txt and DerEra_EDID00.bin");

    const edid::SaveResult second = edid::SaveEdidFiles(dir.Path().string(), image);
    ASSERT_TRUE(second.ok) << second.message;
    EXPECT_EQ(second.message, "Save EDID data to .\\DerEra_EDID01.txt and DerEra_EDID01.bin");

    const std::string bin = ReadFile(dir / "DerEra_EDID01.bin");
    EXPECT_EQ(bin, std::string(image.begin(), image.end()));
    EXPECT_EQ(ReadFile(dir / "DerEra_EDID00.txt"), edid::EdidTextLayout(image));
}

TEST(EdidSave, NumbersOfTheTwoKindsAreIndependentAndGapsReused) {
    TempDir dir;
    WriteFile(dir / "DerEra_EDID00.txt", "keep");
    WriteFile(dir / "DerEra_EDID00.bin.bak", "");
    const edid::SaveResult r = edid::SaveEdidFiles(dir.Path().string(), DviMonitor());
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.textName, "DerEra_EDID01.txt");
    EXPECT_EQ(r.binName, "DerEra_EDID00.bin");
    EXPECT_EQ(ReadFile(dir / "DerEra_EDID00.txt"), "keep");

    fs::remove(dir / "DerEra_EDID00.txt");
    const edid::SaveResult gap = edid::SaveEdidFiles(dir.Path().string(), DviMonitor());
    EXPECT_EQ(gap.textName, "DerEra_EDID00.txt");
    EXPECT_EQ(gap.binName, "DerEra_EDID01.bin");
}

TEST(EdidSave, AllNamesTakenRefusesAndWritesNothing) {
    for (const char* full : {"txt", "bin"}) {
        TempDir dir;
        char name[32];
        for (int n = 0; n <= 99; ++n) {
            std::snprintf(name, sizeof name, "DerEra_EDID%02d.%s", n, full);
            WriteFile(dir / name, "old");
        }
        const edid::SaveResult r = edid::SaveEdidFiles(dir.Path().string(), DviMonitor());
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.message.find(std::string("DerEra_EDID99.") + full), std::string::npos)
            << r.message;
        EXPECT_NE(r.message.find("refused"), std::string::npos);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 100);
        EXPECT_EQ(ReadFile(dir / name), "old");
    }
}

TEST(EdidSave, ExistingLinksAreNeverWrittenThrough) {
    TempDir dir;
    WriteFile(dir / "target", "precious");
    fs::create_symlink(dir / "target", dir / "DerEra_EDID00.txt");
    fs::create_symlink(dir / "nowhere", dir / "DerEra_EDID00.bin"); // dangling
    const edid::SaveResult r = edid::SaveEdidFiles(dir.Path().string(), DviMonitor());
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.textName, "DerEra_EDID01.txt");
    EXPECT_EQ(r.binName, "DerEra_EDID01.bin");
    EXPECT_EQ(ReadFile(dir / "target"), "precious");
    EXPECT_FALSE(fs::exists(dir / "nowhere"));
}

TEST(EdidSave, UncreatableFileReportsTheFailure) {
    TempDir dir;
    const edid::SaveResult r = edid::SaveEdidFiles(dir / "missing", DviMonitor());
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "Faild to create file");
    EXPECT_EQ(r.textName, "");
}

TEST(EdidSave, FailedWriteIsReportedAndLeavesNoFile) {
    TempDir dir;
    // A file size limit below the text file's size makes the write fail as on a full disk; the
    // child process keeps the limit away from the other tests.
    const std::string path = dir.Path().string();
    auto saveWithSizeLimit = [&path] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{300, 300};
        setrlimit(RLIMIT_FSIZE, &limit);
        const edid::SaveResult r = edid::SaveEdidFiles(path, DviMonitor());
        const bool reported = !r.ok && r.message == "Failed to write DerEra_EDID00.txt";
        const bool removed = !fs::exists(fs::path(path) / "DerEra_EDID00.txt");
        const bool noBin = !fs::exists(fs::path(path) / "DerEra_EDID00.bin");
        std::_Exit(reported && removed && noBin ? 0 : 1);
    };
    EXPECT_EXIT(saveWithSizeLimit(), ::testing::ExitedWithCode(0), "");
}

TEST(EdidSave, TextLayoutIsSixteenLinesOfSixteenBytes) {
    Image image{};
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(255 - i);
    const std::string text = edid::EdidTextLayout(image);
    ASSERT_EQ(text.size(), 800u);
    EXPECT_EQ(text.substr(0, 50), "FF FE FD FC FB FA F9 F8 F7 F6 F5 F4 F3 F2 F1 F0\r\r\n");
    EXPECT_EQ(text.substr(15 * 50), "0F 0E 0D 0C 0B 0A 09 08 07 06 05 04 03 02 01 00\r\r\n");
}

TEST(EdidOpen, SavedFilesReadBackByteForByte) {
    TempDir dir;
    Image image{};
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i * 7 + 3);
    const edid::SaveResult saved = edid::SaveEdidFiles(dir.Path().string(), image);
    ASSERT_TRUE(saved.ok);
    for (const std::string& name : {saved.textName, saved.binName}) {
        const edid::OpenResult r = edid::ReadEdidFile(dir / name);
        ASSERT_TRUE(r.ok) << name << ": " << r.message;
        EXPECT_EQ(r.image, image) << name;
    }
}

TEST(EdidOpen, ExtensionRuleIsExactAndCaseSensitive) {
    TempDir dir;
    const std::string content = edid::EdidTextLayout(Television4K());
    for (const char* name : {"e.TXT", "e.Bin", "e.txt.bak", "e", "e.hex"}) {
        WriteFile(dir / name, content);
        const edid::OpenResult r = edid::ReadEdidFile(dir / name);
        EXPECT_FALSE(r.ok) << name;
        EXPECT_EQ(r.message, "It is not bin or txt file") << name;
    }
    // A file that cannot be opened reads as a failed read, whatever its extension.
    for (const char* name : {"absent.txt", "absent.bin", "absent.doc"})
        EXPECT_EQ(edid::ReadEdidFile(dir / name).message, "File read failed") << name;
    // So does a directory named like an EDID file.
    fs::create_directory(dir / "folder.bin");
    fs::create_directory(dir / "folder.txt");
    EXPECT_EQ(edid::ReadEdidFile(dir / "folder.bin").message, "File read failed");
    EXPECT_EQ(edid::ReadEdidFile(dir / "folder.txt").message, "File read failed");

    EXPECT_EQ(edid::FileExtension("dir.v2/name"), "");
    EXPECT_EQ(edid::FileExtension("a/b.tar.txt"), "txt");
    EXPECT_EQ(edid::FileExtension("name."), "");
}

// Less than a base block is no EDID: refused with the file's count; a base block alone fills the
// rest with 0xFF; more than two blocks loads the first 256 and says that the rest was left.
TEST(EdidOpen, ShortFilesAreRefusedAndLongOnesCut) {
    TempDir dir;
    auto numbers = [](int count) {
        std::string text;
        for (int i = 0; i < count; ++i)
            text += (i % 16 == 15) ? "1\n" : "1 ";
        return text;
    };
    struct Short {
        const char* name;
        std::string content;
        const char* reason;
    };
    const Short refused[] = {
        {"short.bin", std::string("\x00\xFF\xFF", 3), "holds 3 bytes"},
        {"127.bin", std::string(127, '\x01'), "holds 127 bytes"},
        {"127.txt", numbers(127), "holds 127 hexadecimal numbers"},
        {"empty.bin", "", "holds 0 bytes"},
        {"empty.txt", "", "holds 0 hexadecimal numbers"},
    };
    for (const Short& f : refused) {
        WriteFile(dir / f.name, f.content);
        const edid::OpenResult r = edid::ReadEdidFile(dir / f.name);
        EXPECT_FALSE(r.ok) << f.name;
        EXPECT_NE(r.message.find(std::string(f.name) + " is too short"), std::string::npos)
            << r.message;
        EXPECT_NE(r.message.find(f.reason), std::string::npos) << r.message;
    }

    WriteFile(dir / "half.txt", numbers(128));
    edid::OpenResult r = edid::ReadEdidFile(dir / "half.txt");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.loaded, 128u);
    EXPECT_FALSE(r.truncated);
    EXPECT_EQ(r.image[127], 0x01);
    for (std::size_t i = 128; i < 256; ++i)
        ASSERT_EQ(r.image[i], 0xFF) << i;

    // Exactly 256 (what "Save EDID" writes) is whole; 257 is cut and says so.
    WriteFile(dir / "whole.bin", std::string(256, 'B'));
    r = edid::ReadEdidFile(dir / "whole.bin");
    ASSERT_TRUE(r.ok);
    EXPECT_FALSE(r.truncated);
    WriteFile(dir / "more.bin", std::string(257, 'B'));
    EXPECT_TRUE(edid::ReadEdidFile(dir / "more.bin").truncated);

    // 10 MB: only the first 256 bytes or numbers count.
    std::string big(10 * 1024 * 1024, 'A');
    WriteFile(dir / "big.bin", big);
    r = edid::ReadEdidFile(dir / "big.bin");
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(r.truncated);
    EXPECT_EQ(r.image[255], 'A');
    for (std::size_t i = 0; i < big.size(); i += 3)
        big[i] = (i / 3) % 5 == 4 ? '\n' : ' ';
    WriteFile(dir / "big.txt", big);
    r = edid::ReadEdidFile(dir / "big.txt");
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(r.truncated);
    EXPECT_EQ(r.image[0], 0xAA);
    EXPECT_EQ(r.image[255], 0xAA);
}

TEST(EdidOpen, BinaryGarbageNamedTxtIsRefusedAsTooShort) {
    TempDir dir;
    std::string garbage;
    for (int i = 0; i < 100000; ++i)
        garbage += static_cast<char>((i * 131 + 7) & 0xFF);
    garbage[0] = '\x01';
    WriteFile(dir / "garbage.txt", garbage);
    const edid::OpenResult r = edid::ReadEdidFile(dir / "garbage.txt");
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("holds 0 hexadecimal numbers"), std::string::npos) << r.message;
}

TEST(EdidOpen, TextNumbersReadLikeHexConversion) {
    auto parse = [](const std::string& text, std::size_t count) {
        const Image image = edid::ParseEdidText(text);
        return std::vector<int>(image.begin(), image.begin() + count);
    };
    // Any whitespace, any case, low 8 bits kept, signs and 0x prefixes accepted.
    EXPECT_EQ(parse("ab\tCD\r\n\r\n 0x1f 0X20 +10 -1 1FF 100 007", 9),
              (std::vector<int>{0xAB, 0xCD, 0x1F, 0x20, 0x10, 0xFF, 0xFF, 0x00, 0x07}));
    // A number too large for the conversion keeps only all-ones bits.
    EXPECT_EQ(parse("12345678901234567 0000000000000000000042", 2), (std::vector<int>{0xFF, 0x42}));
    // The first token that is not a number ends the list.
    EXPECT_EQ(parse("12,34 56", 3), (std::vector<int>{0x12, 0xFF, 0xFF}));
    EXPECT_EQ(parse("12 zz 34", 3), (std::vector<int>{0x12, 0xFF, 0xFF}));
    EXPECT_EQ(parse("- 12", 2), (std::vector<int>{0xFF, 0xFF}));
    EXPECT_EQ(parse("0xg 12", 2), (std::vector<int>{0x00, 0xFF}));
    // More than 256 numbers: the rest is ignored.
    std::string many;
    for (int i = 0; i < 300; ++i)
        many += std::to_string(i % 10) + " ";
    EXPECT_EQ(edid::ParseEdidText(many)[255], 5);
}

} // namespace
