// The setup program's PATH editing: the installation folder goes in once and comes out again,
// and every other entry stays exactly as it was, however long the value.
#include "packaging/windows/path_list.h"

#include <gtest/gtest.h>
#include <string>

namespace {

const std::wstring kFolder = L"C:\\Program Files\\Kestrelon";

struct RoundTrip {
    const wchar_t* before;
    const wchar_t* added;
};

class PathListRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

} // namespace

TEST_P(PathListRoundTrip, AddAppendsOnceAndRemoveGivesTheValueBack) {
    const std::wstring before = GetParam().before;
    const std::wstring added = path_list::Add(before, kFolder);
    EXPECT_EQ(added, GetParam().added);
    EXPECT_TRUE(path_list::Contains(added, kFolder));
    EXPECT_EQ(path_list::Add(added, kFolder), added) << "a second install adds nothing";
    EXPECT_EQ(path_list::Remove(added, kFolder), before);
}

INSTANTIATE_TEST_SUITE_P(
    Values, PathListRoundTrip,
    ::testing::Values(RoundTrip{L"", L"C:\\Program Files\\Kestrelon"},
                      RoundTrip{
                          L"%SystemRoot%\\system32;%SystemRoot%",
                          L"%SystemRoot%\\system32;%SystemRoot%;C:\\Program Files\\Kestrelon"},
                      RoundTrip{L"C:\\a;;C:\\b;", L"C:\\a;;C:\\b;C:\\Program Files\\Kestrelon;"},
                      RoundTrip{L"\"C:\\x;y\";C:\\Program Files\\Kestrelon Tools",
                                L"\"C:\\x;y\";C:\\Program Files\\Kestrelon Tools;C:\\Program "
                                L"Files\\Kestrelon"}));

TEST(PathList, SameFolderWhateverItsCaseQuotesOrTrailingBackslash) {
    const std::wstring value = L"C:\\Windows;\"c:\\PROGRAM FILES\\kestrelon\\\";C:\\Tools";
    EXPECT_TRUE(path_list::Contains(value, kFolder));
    // The user's own entry for the folder is there already: nothing is added.
    EXPECT_EQ(path_list::Add(value, kFolder), value);
    EXPECT_EQ(path_list::Remove(value, kFolder), L"C:\\Windows;C:\\Tools");
    // A folder whose name only starts with ours, or one inside it, is another folder.
    const std::wstring others = L"C:\\Program Files\\Kestrelon2;C:\\Program Files\\Kestrelon\\bin";
    EXPECT_FALSE(path_list::Contains(others, kFolder));
    EXPECT_EQ(path_list::Remove(others, kFolder), others);
    // Nothing to add for an empty folder name, nothing matches it.
    EXPECT_EQ(path_list::Add(L"C:\\a;", L""), L"C:\\a;");
    EXPECT_EQ(path_list::Remove(L"C:\\a;;", L""), L"C:\\a;;");
}

TEST(PathList, AFolderWithASemicolonIsQuoted) {
    const std::wstring folder = L"D:\\Tools;2\\Kestrelon";
    const std::wstring added = path_list::Add(L"C:\\a", folder);
    EXPECT_EQ(added, L"C:\\a;\"D:\\Tools;2\\Kestrelon\"");
    EXPECT_EQ(path_list::Remove(added, folder), L"C:\\a");
}

TEST(PathList, AValueFarLongerThanTheSetupProgramsStringsIsKeptWhole) {
    std::wstring value;
    for (int i = 0; i < 400; ++i)
        value += L"C:\\Some Vendor\\Tool " + std::to_wstring(i) + L"\\bin;";
    value += L"%USERPROFILE%\\bin";
    ASSERT_GT(value.size(), 8000u);
    const std::wstring added = path_list::Add(value, kFolder);
    EXPECT_EQ(added, value + L";" + kFolder);
    EXPECT_EQ(path_list::Remove(added, kFolder), value);
}
