// edidinfo run in-process on the emulator's EDIDs and on broken ones: the JSON names scripts rely
// on, the exit status of --check, several files and standard input in one run, and diff.
#include "tools/edidinfo/edidinfo.h"

#include "edid/edid_checks.h"
#include "edid/edid_decoder.h"
#include "edid/edid_file.h"
#include "support/os_support.h"
#include "tools/sgsim/builtin_edids.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

struct Result {
    int status;
    std::string out, err;
};

Result RunEdidinfo(std::vector<std::string> args, const std::string& input = "") {
    std::istringstream in(input);
    std::ostringstream out, err;
    const int status = edidinfo::Run(args, in, out, err);
    return {status, out.str(), err.str()};
}

std::vector<Json> JsonLines(const std::string& text) {
    std::vector<Json> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(Json::parse(line));
    return lines;
}

std::string AsString(const edid::Image& image) {
    return std::string(image.begin(), image.end());
}

class EdidinfoTest : public testing::Test {
protected:
    EdidinfoTest() : m_dir(testsupport::MakeTempDir()) {}
    ~EdidinfoTest() override {
        std::error_code error;
        fs::remove_all(m_dir, error);
    }
    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = (fs::path(m_dir) / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::string m_dir;
};

TEST_F(EdidinfoTest, TheEmulatorsEdidsPassEveryCheck) {
    std::vector<std::string> args{"--check"};
    args.push_back(Write("sink.bin", AsString(sgsim::SinkTvEdid())));
    for (int slot = 0; slot < sgsim::kSavedEdids; ++slot)
        args.push_back(
            Write("saved" + std::to_string(slot + 1) + ".bin", AsString(sgsim::SavedEdid(slot))));
    const Result r = RunEdidinfo(args);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    std::istringstream lines(r.out);
    std::size_t files = 0;
    for (std::string line; std::getline(lines, line); ++files)
        EXPECT_NE(line.find(": 0 errors, 0 warnings"), std::string::npos) << line;
    EXPECT_EQ(files, args.size() - 1);
}

TEST_F(EdidinfoTest, JsonUnderTheNamesScriptsUse) {
    const edid::Image sink = sgsim::SinkTvEdid();
    const std::string path = Write("sink.bin", AsString(sink));
    const Result r = RunEdidinfo({"--json", path});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<Json> lines = JsonLines(r.out);
    ASSERT_EQ(lines.size(), 1u);
    const Json& j = lines[0];

    // The page's five texts as before.
    const edid::Decoded texts = edid::ValidateAndDecode(sink);
    EXPECT_EQ(j["status"], texts.status);
    EXPECT_EQ(j["hexdump"], texts.hexDump);
    EXPECT_EQ(j["video"], texts.video);
    EXPECT_EQ(j["audio"], texts.audio);
    EXPECT_EQ(j["general"], texts.general);
    EXPECT_EQ(j["file"], path);
    EXPECT_EQ(j["checks"], Json::array());

    const Json& e = j["edid"];
    EXPECT_EQ(e["manufacturer"], "QZT");
    EXPECT_EQ(e["product_code"], 0x55A9);
    EXPECT_EQ(e["serial_number"], 123456);
    EXPECT_EQ(e["week"], 14);
    EXPECT_EQ(e["year"], 2023);
    EXPECT_EQ(e["version"], "1.3");
    EXPECT_EQ(e["product_name"], "QZ-55UX9");

    // A timing carries the calculator's keys first, in its order.
    const char* const kTimingKeys[] = {
        "pixel_clock_mhz", "h_active",   "h_front_porch", "h_sync",         "h_back_porch",
        "h_blank",         "h_total",    "v_active",      "v_front_porch",  "v_sync",
        "v_back_porch",    "v_blank",    "v_total",       "hsync_positive", "vsync_positive",
        "interlaced",      "h_freq_khz", "v_freq_hz"};
    ASSERT_EQ(e["detailed_timings"].size(), 4u);
    const Json& p = e["detailed_timings"][0];
    auto key = p.begin();
    for (const char* expected : kTimingKeys) {
        ASSERT_NE(key, p.end());
        EXPECT_EQ(key.key(), expected);
        ++key;
    }
    EXPECT_EQ(p["pixel_clock_mhz"], 594.0);
    EXPECT_EQ(p["h_total"], 4400);
    EXPECT_EQ(p["h_back_porch"], 296);
    EXPECT_EQ(p["v_freq_hz"], 60.0);
    EXPECT_EQ(e["preferred_timing"], p);
    const Json& interlaced = e["detailed_timings"][3];
    EXPECT_EQ(interlaced["interlaced"], true);
    EXPECT_EQ(interlaced["v_active"], 540);
    EXPECT_EQ(interlaced["v_freq_hz"], 60.0);

    ASSERT_EQ(e["extensions"].size(), 1u);
    const Json& cta = e["extensions"][0];
    EXPECT_EQ(cta["type"], "CTA-861");
    EXPECT_EQ(cta["svds"][0], (Json{{"vic", 16}, {"native", true}}));
    EXPECT_EQ(cta["svds"].size(), 24u);
    EXPECT_EQ(cta["audio"][2]["format"], "Enhanced AC-3");
    EXPECT_EQ(cta["audio"][2]["channels"], 8);
    EXPECT_EQ(cta["audio"][0]["sample_sizes"], (Json{16, 20, 24}));
    EXPECT_EQ(cta["speakers"], (Json{"FL/FR", "LFE", "FC", "RL/RR"}));
    EXPECT_EQ(cta["hdmi"]["physical_address"], "1.0.0.0");
    EXPECT_EQ(cta["hdmi"]["max_tmds_clock_mhz"], 340);
    EXPECT_EQ(cta["hdmi"]["hdmi_vics"], (Json{1, 2, 3, 4}));
    EXPECT_EQ(cta["hdmi_forum"]["max_tmds_character_rate_mhz"], 600);
    EXPECT_EQ(cta["y420_capability_map"]["vics"], (Json{96, 97, 101, 102}));
    EXPECT_EQ(cta["colorimetry"], (Json{"BT2020YCC", "BT2020RGB"}));
    EXPECT_EQ(cta["hdr_static_metadata"]["eotfs"], (Json{"SDR", "PQ"}));
}

TEST_F(EdidinfoTest, CheckExitStatusAndSeveralFiles) {
    std::string broken = AsString(sgsim::SinkTvEdid());
    broken[255] = static_cast<char>(broken[255] + 1);
    const std::string good = Write("good.bin", AsString(sgsim::SavedEdid(0)));
    const std::string bad =
        Write("bad.txt", edid::EdidTextLayout(edid::ImageView::FromPointer(
                             reinterpret_cast<const std::uint8_t*>(broken.data()))));
    const std::string other = Write("good.doc", AsString(sgsim::SavedEdid(0)));
    const std::string missing = (fs::path(m_dir) / "missing.bin").string();

    EXPECT_EQ(RunEdidinfo({"--check", good}).status, 0);
    Result r = RunEdidinfo({"--check", good, bad});
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.out.find(bad + ": error: block 1: "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("[checksum]"), std::string::npos) << r.out;
    // Without --check a checksum error is in the status text, as before.
    EXPECT_EQ(RunEdidinfo({bad}).status, 0);

    // An unreadable file is said and skipped; the others are still decoded.
    r = RunEdidinfo({"--check", "--json", missing, bad, other});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(missing + ": File read failed"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(other + ": It is not bin or txt file"), std::string::npos) << r.err;
    const std::vector<Json> lines = JsonLines(r.out);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]["file"], bad);
    EXPECT_EQ(lines[0]["checks"][0]["rule"], "checksum");
    EXPECT_EQ(lines[0]["checks"][0]["severity"], "error");
    EXPECT_EQ(lines[0]["checks"][0]["offset"], 255);

    r = RunEdidinfo({"--json", good, bad});
    EXPECT_EQ(r.status, 0);
    ASSERT_EQ(JsonLines(r.out).size(), 2u);
    EXPECT_EQ(JsonLines(r.out)[1]["file"], bad);

    EXPECT_EQ(RunEdidinfo({}).status, 2);
    EXPECT_EQ(RunEdidinfo({"--bogus", good}).status, 2);
    EXPECT_EQ(RunEdidinfo({"-", "-"}).status, 2);
}

TEST_F(EdidinfoTest, StandardInputInEitherForm) {
    const edid::Image sink = sgsim::SinkTvEdid();
    const Json fromFile = JsonLines(RunEdidinfo({"--json", Write("s.bin", AsString(sink))}).out)[0];
    for (const std::string& input : {AsString(sink), edid::EdidTextLayout(sink)}) {
        const Result r = RunEdidinfo({"--json", "-"}, input);
        ASSERT_EQ(r.status, 0) << r.err;
        const Json j = JsonLines(r.out)[0];
        EXPECT_EQ(j["file"], "-");
        EXPECT_EQ(j["edid"], fromFile["edid"]);
        EXPECT_EQ(j["general"], fromFile["general"]);
    }
    // Nothing on standard input is an EDID too short to hold a block: an error, not a failure.
    const Result r = RunEdidinfo({"--check", "-"});
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.out.find("[size]"), std::string::npos) << r.out;
}

TEST_F(EdidinfoTest, DiffByFieldAndByte) {
    const edid::Image sink = sgsim::SinkTvEdid();
    const std::string bin = Write("a.bin", AsString(sink));
    const std::string txt = Write("a.txt", edid::EdidTextLayout(sink));
    Result r = RunEdidinfo({"diff", bin, txt});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");

    edid::Image changed = sink;
    changed[10] = 0x01; // product code
    changed[127] = static_cast<std::uint8_t>(changed[127] + 0xA9 - 0x01);
    changed[255] ^= 0x5A; // a checksum alone
    r = RunEdidinfo({"diff", "--json", bin, "-"}, AsString(changed));
    EXPECT_EQ(r.status, 1);
    const Json d = JsonLines(r.out)[0];
    EXPECT_EQ(d["identical"], false);
    EXPECT_EQ(d["bytes"], (Json{10, 127, 255}));
    ASSERT_EQ(d["fields"].size(), 1u);
    EXPECT_EQ(d["fields"][0], (Json{{"name", "edid.product_code"}, {"a", 0x55A9}, {"b", 0x5501}}));

    // A base block alone against the whole EDID: the extension exists only in A.
    r = RunEdidinfo({"diff", bin, "-"}, AsString(sink).substr(0, 128));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("edid.size: 256 -> 128\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("edid.extensions[0]: {"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("-> (absent)\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("128 bytes differ, first at 0x0080 (sizes 256 and 128): 0x0080-0x00ff"),
              std::string::npos)
        << r.out;

    EXPECT_EQ(RunEdidinfo({"diff", bin}).status, 2);
    EXPECT_EQ(RunEdidinfo({"diff", bin, (fs::path(m_dir) / "none.bin").string()}).status, 2);
}

} // namespace
