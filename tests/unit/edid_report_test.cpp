// JSON and terminal forms of the decoded texts (edidinfo's output).
#include "edid/edid_report.h"

#include "unit/edid_test_images.h"

#include <gtest/gtest.h>

namespace {

TEST(EdidReport, JsonKeepsTextsExactly) {
    EXPECT_EQ(edid::JsonEscape("a\"b\\c\r\n\t\x01\x1F\x7F\xC3\xA9"),
              "a\\\"b\\\\c\\r\\n\\t\\u0001\\u001f\x7F\xC3\xA9");

    edid::Decoded d;
    d.status = "HDMI EDID\rcheck sum Ok !";
    d.hexDump = "00 ";
    d.video = "V\r\n";
    d.general = "\r\nManufacture's Name:KST\r\n";
    EXPECT_EQ(edid::ToJson(d), "{\"status\":\"HDMI EDID\\rcheck sum Ok !\",\"hexdump\":\"00 \","
                               "\"video\":\"V\\r\\n\",\"audio\":\"\","
                               "\"general\":\"\\r\\nManufacture's Name:KST\\r\\n\"}");
}

TEST(EdidReport, ReadableFormShowsRowsAndLineBreaks) {
    const edid::Decoded d = edid::ValidateAndDecode(edid_test::Television4K());
    const std::string text = edid::ToReadableText(d);
    EXPECT_EQ(text.find('\r'), std::string::npos);
    EXPECT_EQ(text.substr(0, 41), "EDID status:\nHDMI EDID\ncheck sum Ok !\n\nED");
    EXPECT_NE(text.find("\n00  00 FF FF FF FF FF FF 00 2E 74 34 12 01 00 00 00\n"),
              std::string::npos);
    EXPECT_NE(text.find("\nf0  00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "), std::string::npos);
    EXPECT_NE(text.find("\nVideo Information:\nPreferred Timing:3840x2160@60Hz\n"),
              std::string::npos);

    // A header error has no dump; the report headings still stand.
    const std::string bad = edid::ToReadableText(edid::ValidateAndDecode(edid::Image{}));
    EXPECT_EQ(bad, "EDID status:\nEDID data header error !\n\n"
                   "Video Information:\nAudio Information:\nGeneral Info:\n");
}

} // namespace
