// The address file: creation, the reading rules for hand-edited files, and the path rule.
#include "app/address_file.h"
#include "app/module_path.h"
#include "app/program_folder.h"
#include "support/pty_peer.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <vector>

using namespace address_file;

namespace {

struct Reported {
    std::vector<std::string> messages;
    Report fn() {
        return [this](const char* m) { messages.emplace_back(m); };
    }
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

std::string Header(const std::string& first = "0000") {
    std::string s = first + " ";
    for (int i = 1; i < kEntries; ++i)
        s += "0000 ";
    return s;
}

} // namespace

TEST(AddressFile, FirstRunCreates290BytesAndReadsBlankBook) {
    testsupport::TempDir dir;
    const std::string path = dir.Path() + "/SG.ini";
    Reported r;
    CreateIfMissing(path.c_str(), r.fn());
    const std::string content = ReadAll(path);
    ASSERT_EQ(content.size(), kCreatedSize);
    EXPECT_EQ(content.substr(0, 10), "0000 0000 ");
    EXPECT_EQ(content.substr(160, 4), "\r\n* ");
    EXPECT_EQ(content.substr(286), "* \r\n");

    Book book;
    book.words[3] = 0x1234;
    ASSERT_TRUE(Read(path.c_str(), book, r.fn()));
    EXPECT_TRUE(r.messages.empty());
    for (int i = 0; i < kEntries; ++i) {
        EXPECT_EQ(book.words[i], 0) << i;
        EXPECT_STREQ(book.notes[i], " ") << i;
    }
    // Reading never rewrites the file.
    EXPECT_EQ(ReadAll(path), content);
}

TEST(AddressFile, ExistingFileIsNotRecreated) {
    testsupport::TempDir dir;
    const std::string path = dir.Path() + "/SG.ini";
    WriteAll(path, "custom");
    Reported r;
    CreateIfMissing(path.c_str(), r.fn());
    EXPECT_EQ(ReadAll(path), "custom");
    EXPECT_TRUE(r.messages.empty());
}

TEST(AddressFile, DescriptionKeepsTenCharactersAndSkipsRestOfLine) {
    testsupport::TempDir dir;
    const std::string path = dir.Path() + "/SG.ini";
    std::string text = Header("1A2b") + "\r\n* ABCDEFGHIJKLMN\r\n*second\r\n";
    WriteAll(path, text);
    Book book;
    Reported r;
    ASSERT_TRUE(Read(path.c_str(), book, r.fn()));
    EXPECT_EQ(book.words[0], 0x1A2B);
    EXPECT_STREQ(book.notes[0], " ABCDEFGHI");
    EXPECT_STREQ(book.notes[1], "second");
    // The file ends before the third '*': those descriptions are empty, not garbage.
    EXPECT_STREQ(book.notes[2], "");
}

TEST(AddressFile, FiftyCharacterSearchLimit) {
    testsupport::TempDir dir;
    const std::string path = dir.Path() + "/SG.ini";
    // 60 characters without '*' before the first one: the description starts at the 51st.
    std::string stretch;
    for (int i = 0; i < 60; ++i)
        stretch.push_back(static_cast<char>('a' + i % 26));
    WriteAll(path, Header() + stretch + "*x\r\n");
    Book book;
    Reported r;
    ASSERT_TRUE(Read(path.c_str(), book, r.fn()));
    // The header's trailing blank counts as the first character of the stretch.
    EXPECT_STREQ(book.notes[0], (" " + stretch).substr(50, 10).c_str());
}

TEST(AddressFile, LineEndingsAreFoldedLikeTextMode) {
    testsupport::TempDir dir;
    const std::string crlf = dir.Path() + "/a.ini", lf = dir.Path() + "/b.ini";
    std::string body;
    for (int i = 0; i < kEntries; ++i)
        body += "\r\n*note" + std::to_string(i);
    WriteAll(crlf, Header() + body + "\r\n");
    std::string unixBody = body;
    for (std::size_t p; (p = unixBody.find("\r\n")) != std::string::npos;)
        unixBody.erase(p, 1);
    WriteAll(lf, Header() + unixBody + "\n");
    Book a, b;
    Reported r;
    ASSERT_TRUE(Read(crlf.c_str(), a, r.fn()));
    ASSERT_TRUE(Read(lf.c_str(), b, r.fn()));
    for (int i = 0; i < kEntries; ++i) {
        EXPECT_STREQ(a.notes[i], b.notes[i]);
        EXPECT_STREQ(a.notes[i], ("note" + std::to_string(i)).substr(0, 10).c_str());
    }
}

TEST(AddressFile, GarbageShortAndHugeWordsStayInBounds) {
    testsupport::TempDir dir;
    const std::string path = dir.Path() + "/SG.ini";
    Reported r;
    // Words wider than 16 bits keep their low 16 bits; garbage stops the word scan.
    WriteAll(path, "123456789 fffff zz*garbage\r\n");
    Book book;
    ASSERT_TRUE(Read(path.c_str(), book, r.fn()));
    EXPECT_EQ(book.words[0], 0x6789);
    EXPECT_EQ(book.words[1], 0xFFFF);
    EXPECT_EQ(book.words[2], 0);
    EXPECT_STREQ(book.notes[0], "garbage");
    // An empty file reads as an empty book.
    WriteAll(path, "");
    Book empty;
    ASSERT_TRUE(Read(path.c_str(), empty, r.fn()));
    EXPECT_STREQ(empty.notes[31], "");
    // Binary junk with NUL bytes and no line ends at all.
    std::string junk(5000, '\0');
    for (std::size_t i = 0; i < junk.size(); ++i)
        junk[i] = static_cast<char>((i * 37) & 0xFF);
    WriteAll(path, junk);
    Book j;
    EXPECT_TRUE(Read(path.c_str(), j, r.fn()));
    for (auto& note : j.notes)
        EXPECT_LE(std::string(note).size(), 10u);
    EXPECT_TRUE(r.messages.empty());
}

TEST(AddressFile, ReadOnlyOrDirectoryGivesFileReadFailed) {
    testsupport::TempDir dir;
    const std::string path = dir.Path() + "/SG.ini";
    Reported r;
    CreateIfMissing(path.c_str(), r.fn());
    chmod(path.c_str(), 0444);
    Book book;
    book.words[0] = 7;
    EXPECT_FALSE(Read(path.c_str(), book, r.fn()));
    EXPECT_EQ(book.words[0], 7);
    ASSERT_EQ(r.messages, std::vector<std::string>{"File read failed"});

    // A directory in the file's place: nothing is created, the read fails with the same text.
    const std::string dirPath = dir.Path() + "/sub/SG.ini";
    std::filesystem::create_directories(dirPath);
    r.messages.clear();
    CreateIfMissing(dirPath.c_str(), r.fn());
    EXPECT_TRUE(r.messages.empty());
    EXPECT_FALSE(Read(dirPath.c_str(), book, r.fn()));
    EXPECT_EQ(r.messages, std::vector<std::string>{"File read failed"});
}

TEST(AddressFile, UncreatableFileReportsBothMessages) {
    Reported r;
    CreateIfMissing("/nonexistent-dir-for-kestrelon/SG.ini", r.fn());
    EXPECT_EQ(r.messages,
              (std::vector<std::string>{
                  "There is no SG.ini and faild to create new empty ini file !", "failed"}));
}

TEST(AddressFile, PathRule) {
    // Written with '/', tried with the system's own separator.
    const auto native = [](std::string path) {
        for (char& c : path)
            if (c == '/')
                c = kModulePathSeparator;
        return path;
    };
    char out[256];
    BuildPath(native("/opt/kestrelon/bin/kestrelon").c_str(), out, sizeof out);
    EXPECT_EQ(std::string(out), native("/opt/kestrelon/bin/SG.ini"));

    // The last separator among the first 200 characters counts, not a later one.
    std::string longPath = "/" + std::string(150, 'a') + "/" + std::string(80, 'b') + "/exe";
    BuildPath(native(longPath).c_str(), out, sizeof out);
    EXPECT_EQ(std::string(out), native("/" + std::string(150, 'a') + "/SG.ini"));

    // No separator within the first 200 characters: the working directory.
    BuildPath(std::string(230, 'c').c_str(), out, sizeof out);
    EXPECT_STREQ(out, "SG.ini");
}

TEST(AddressFile, PlaceBesideAWritableExecutableElseInTheConfigurationDirectory) {
    testsupport::TempDir exeDir, home;
    const std::string sep(1, kModulePathSeparator);
    const std::string config = home.Path() + sep + "config" + sep + "kestrelon";
    char out[256];
    // A portable copy: the executable's directory is writable.
    ChoosePath((exeDir.Path() + sep + "kestrelon").c_str(), config, out, sizeof out);
    EXPECT_EQ(std::string(out), exeDir.Path() + sep + "SG.ini");
    EXPECT_FALSE(std::filesystem::exists(config));

    // One the user cannot write to (here: one that does not exist): the configuration
    // directory, made with its parents.
    const std::string installed = exeDir.Path() + sep + "absent" + sep + "kestrelon";
    ChoosePath(installed.c_str(), config, out, sizeof out);
    EXPECT_EQ(std::string(out), config + sep + "SG.ini");
    EXPECT_TRUE(std::filesystem::is_directory(config));
    // Nor is the system's program directory, even for a superuser who could write there.
    if (kModulePathSeparator == '/') {
        ChoosePath("/usr/bin/kestrelon", config, out, sizeof out);
        EXPECT_EQ(std::string(out), config + sep + "SG.ini");
    }

    // No configuration directory (Windows), or one whose path would not fit: beside the
    // executable, never a cut path.
    ChoosePath(installed.c_str(), "", out, sizeof out);
    EXPECT_EQ(std::string(out), exeDir.Path() + sep + "absent" + sep + "SG.ini");
    const std::string deep = home.Path() + sep + std::string(250, 'd');
    ChoosePath(installed.c_str(), deep, out, sizeof out);
    EXPECT_EQ(std::string(out), exeDir.Path() + sep + "absent" + sep + "SG.ini");
    EXPECT_FALSE(std::filesystem::exists(deep));
}

TEST(AddressFile, WritableFoldersAreFoldersThatTakeANewFile) {
    testsupport::TempDir dir;
    const std::string sep(1, kModulePathSeparator);
    EXPECT_TRUE(UserMayCreateFilesIn(dir.Path()));
    EXPECT_FALSE(UserMayCreateFilesIn(dir.Path() + sep + "absent"));
    WriteAll(dir.Path() + sep + "file", "x");
    EXPECT_FALSE(UserMayCreateFilesIn(dir.Path() + sep + "file"));
    // The check leaves nothing behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                            std::filesystem::directory_iterator()),
              1);
}

// Where the system keeps its programs (/usr, Program Files) is matched on whole folder names,
// in any case on Windows, and is no place for the user's file even where this user may write.
TEST(AddressFile, SystemProgramFoldersKeepNoUserFile) {
    const bool windows = kModulePathSeparator == '\\';
    const char* programFiles = std::getenv("ProgramFiles");
    const std::string programs = windows ? std::string(programFiles ? programFiles : "") : "/usr";
    ASSERT_FALSE(programs.empty());
    const std::string sep(1, kModulePathSeparator);
    EXPECT_TRUE(IsSystemProgramFolder(programs));
    EXPECT_TRUE(IsSystemProgramFolder(programs + sep + "Kestrelon"));
    EXPECT_TRUE(IsSystemProgramFolder(programs + sep + "Kestrelon" + sep));
    EXPECT_FALSE(IsSystemProgramFolder(programs + "x" + sep + "Kestrelon"));
    testsupport::TempDir temp;
    EXPECT_FALSE(IsSystemProgramFolder(temp.Path()));
    if (!windows)
        return;
    std::string upper = programs + "/KESTRELON";
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_TRUE(IsSystemProgramFolder(upper));

    // An administrator may write there: the file still goes to the configuration directory.
    const std::string installed =
        programs + sep + std::filesystem::path(temp.Path()).filename().string();
    std::error_code error;
    if (!std::filesystem::create_directory(installed, error))
        GTEST_SKIP() << "this user may not make a folder in " << programs;
    const bool writable = UserMayCreateFilesIn(installed);
    char out[256];
    ChoosePath((installed + sep + "kestrelon.exe").c_str(), temp.Path(), out, sizeof out);
    std::filesystem::remove(installed, error);
    EXPECT_TRUE(writable);
    EXPECT_EQ(std::string(out), temp.Path() + sep + "SG.ini");
}
