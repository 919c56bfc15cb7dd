// The EDID page inside a real console: reading an EDID over a pseudo-terminal, opening and saving
// files in a temporary working directory, and the page's layout.
#include "edid/edid_decoder.h"
#include "support/console_internals.h"
#include "edid/edid_file.h"
#include "link/command_words.h"
#include "link/frame.h"
#include "res/resource.h"
#include "support/console_fixture.h"
#include "support/frame_poll.h"
#include "unit/edid_test_images.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

using testsupport::ConsoleFixture;
using testsupport::FrameWord;
using testsupport::PtyPeer;
using Bytes = std::vector<std::uint8_t>;

namespace {

// The generator's answer to an EDID read: the sink's EDID (0xb838), or a stored one (0x80aa)
// whose payload starts with the slot number.
Bytes EdidReply(const edid::Image& image, int savedSlot = -1) {
    Bytes payload;
    if (savedSlot >= 0)
        payload.push_back(static_cast<std::uint8_t>(savedSlot));
    payload.insert(payload.end(), image.begin(), image.end());
    Bytes out(payload.size() + frame::kOverhead);
    const std::uint16_t word = savedSlot >= 0 ? cmd::ReadSavedEdid : cmd::ReadSinkEdid;
    frame::BuildReply(out.data(), {}, word, payload.data(), payload.size());
    return out;
}

void Feed(CConsoleDlg& d, const Bytes& bytes) {
    for (auto b : bytes)
        In(d).OnLinkRxChar(b, 1);
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

bool Exists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

edid::Image PageImage(const CEdidPage& page) {
    edid::Image image;
    std::memcpy(image.data(), page.m_abEdid, image.size());
    return image;
}

} // namespace

class EdidPage : public ConsoleFixture {
protected:
    // Saves and opens happen in the working directory: a fresh one per test.
    EdidPage() {
        char cwd[PATH_MAX];
        if (getcwd(cwd, sizeof cwd))
            m_oldCwd = cwd;
        EXPECT_EQ(chdir(m_work.Path().c_str()), 0);
    }
    ~EdidPage() override {
        ui::test::SetOpenFileAnswer(std::nullopt);
        if (!m_oldCwd.empty())
            (void)!chdir(m_oldCwd.c_str());
    }

    // Opens COM1 and ends the read-back that every connection starts.
    void Connect(CConsoleDlg& d) {
        ConnectAndEndReadBack(d);
        Frames(2, 300); // the read-back's requests (the second may replace the first unsent)
    }

    std::vector<Bytes> Frames(std::size_t want, int withinMs = 1500) {
        return testsupport::AwaitFrames(m_peer, want, withinMs);
    }

    // Clicks "Read EDID" with the given source and returns the one request it sends.
    Bytes ReadFrom(CConsoleDlg& d, int source) {
        In(d).m_edidPage.ComboSetCurSel(IDC_EDID_SOURCE, source);
        In(d).m_edidPage.SendNotify(IDC_READ_EDID, ui::Notify::Clicked);
        const auto frames = Frames(1);
        return frames.size() == 1 ? frames[0] : Bytes{};
    }

    // Opens a file through "Open EDID" with the chooser answered.
    void Open(CConsoleDlg& d, const std::optional<std::string>& path) {
        ui::test::SetOpenFileAnswer(path);
        In(d).m_edidPage.SendNotify(IDC_OPEN_EDID, ui::Notify::Clicked);
    }

    std::string Shown(CConsoleDlg& d, int id) { return In(d).m_edidPage.GetDlgItemText(id); }

    testsupport::TempDir m_work;
    std::string m_oldCwd;
    PtyPeer m_peer{m_ports, 1};
};

TEST_F(EdidPage, ReadRequestsTheChosenSourceAndArmsTheExchange) {
    RunConsole([&](CConsoleDlg& d) {
        Connect(d);
        CEdidPage& page = In(d).m_edidPage;
        ASSERT_EQ(page.ComboGetCount(IDC_EDID_SOURCE), 7);
        EXPECT_EQ(page.ComboGetLBText(IDC_EDID_SOURCE, 0), "TV EDID");
        EXPECT_EQ(page.ComboGetLBText(IDC_EDID_SOURCE, 6), "Saved 6");
        EXPECT_EQ(page.ComboGetCurSel(IDC_EDID_SOURCE), 0);

        page.m_strVideoInfo = "old video";
        page.m_strGeneralInfo = "old general";
        page.UpdateData(false);
        const Bytes sink = ReadFrom(d, 0);
        ASSERT_GE(sink.size(), 10u);
        EXPECT_EQ(FrameWord(sink), cmd::ReadSinkEdid);
        EXPECT_EQ(sink[9], 1);
        EXPECT_EQ(d.m_bReadingEdid, 1);
        EXPECT_EQ(In(d).m_bReadingSavedEdid, 0);
        EXPECT_EQ(ui::test::ArmedInterval(d, CConsoleDlg::kTimerExchange), 600);
        EXPECT_EQ(page.m_nEdidSource, 0);
        EXPECT_EQ(page.m_strEdidStatus, " ");
        EXPECT_EQ(Shown(d, IDC_EDID_VIDEO), "");
        EXPECT_EQ(Shown(d, IDC_EDID_GENERAL), "");

        for (int n = 1; n <= 6; ++n) {
            const Bytes saved = ReadFrom(d, n);
            ASSERT_GE(saved.size(), 10u) << n;
            EXPECT_EQ(FrameWord(saved), cmd::ReadSavedEdid) << n;
            EXPECT_EQ(saved[9], n - 1) << "Saved " << n;
            EXPECT_EQ(In(d).m_bReadingSavedEdid, 1);
            EXPECT_EQ(page.m_nEdidSource, n);
        }
        EXPECT_TRUE(Boxes().empty());
    });
}

TEST_F(EdidPage, CompleteReplyIsValidatedDecodedAndShown) {
    RunConsole([&](CConsoleDlg& d) {
        Connect(d);
        CEdidPage& page = In(d).m_edidPage;
        const edid::Image tv = edid_test::Television4K();
        ReadFrom(d, 0);
        Feed(d, EdidReply(tv));
        EXPECT_EQ(d.m_bReadingEdid, 0);
        EXPECT_FALSE(ui::test::ArmedInterval(d, CConsoleDlg::kTimerExchange).has_value());
        EXPECT_EQ(PageImage(page), tv);

        const edid::Decoded want = edid::ValidateAndDecode(tv);
        EXPECT_EQ(page.m_strEdidStatus, "HDMI EDID\rcheck sum Ok !");
        EXPECT_EQ(Shown(d, IDC_EDID_STATUS), want.status);
        EXPECT_EQ(Shown(d, IDC_EDID_HEX), want.hexDump);
        EXPECT_EQ(Shown(d, IDC_EDID_VIDEO), want.video);
        EXPECT_EQ(Shown(d, IDC_EDID_AUDIO), want.audio);
        EXPECT_EQ(Shown(d, IDC_EDID_GENERAL), want.general);

        // A stored DVI EDID replaces everything, status included.
        const edid::Image dvi = edid_test::DviMonitor();
        ReadFrom(d, 2);
        Feed(d, EdidReply(dvi, 1));
        EXPECT_EQ(PageImage(page), dvi);
        EXPECT_EQ(Shown(d, IDC_EDID_STATUS), "DVI EDID");
        EXPECT_EQ(Shown(d, IDC_EDID_VIDEO), edid::DecodeSection(dvi, edid::kVideoSection));
        EXPECT_EQ(Shown(d, IDC_EDID_HEX), edid::HexDump(dvi));
    });
}

TEST_F(EdidPage, BadHeaderShowsOnlyTheStatus) {
    RunConsole([&](CConsoleDlg& d) {
        Connect(d);
        ReadFrom(d, 0);
        Feed(d, EdidReply(edid::Image{}));
        EXPECT_EQ(Shown(d, IDC_EDID_STATUS), "EDID data header error !");
        EXPECT_EQ(Shown(d, IDC_EDID_HEX), "");
        EXPECT_EQ(Shown(d, IDC_EDID_VIDEO), "");
        EXPECT_EQ(Shown(d, IDC_EDID_AUDIO), "");
        EXPECT_EQ(Shown(d, IDC_EDID_GENERAL), "");
    });
}

// A read whose answer does not come (or stops half way) says so once, and the page shows no
// EDID: the one before is not this read's result, and "Save EDID" will not store it as if it were.
TEST_F(EdidPage, ReadThatTimesOutShowsNoImageAndSaysSo) {
    RunConsole([&](CConsoleDlg& d) {
        In(d).m_conversation.Enable(true);
        Connect(d);
        const edid::Image tv = edid_test::Television4K();
        ReadFrom(d, 2);
        Feed(d, EdidReply(tv, 1));
        ASSERT_EQ(Shown(d, IDC_EDID_STATUS), "HDMI EDID\rcheck sum Ok !");

        for (int cut : {0, 100}) {
            ui::test::ClearMessageBoxes();
            ReadFrom(d, 0);
            EXPECT_EQ(Shown(d, IDC_EDID_HEX), "") << cut; // nothing shown while it is read
            const Bytes part = EdidReply(edid_test::DviMonitor());
            Feed(d, Bytes(part.begin(), part.begin() + cut));
            ASSERT_TRUE(ui::test::FireTimer(d, CConsoleDlg::kTimerExchange));
            EXPECT_EQ(d.m_bReadingEdid, 0);
            ui::ProcessEvents(5);
            EXPECT_EQ(Boxes(), std::vector<std::string>{"No EDID came from the generator on "
                                                        "COM1: is a display connected to its "
                                                        "output?"})
                << cut;
            EXPECT_EQ(Shown(d, IDC_EDID_HEX), "") << cut;
            EXPECT_EQ(Shown(d, IDC_EDID_VIDEO), "") << cut;
            EXPECT_EQ(Shown(d, IDC_EDID_STATUS), "") << cut;
        }
        // The conversation shows the reply cut short, then names the read that got no answer.
        std::uint64_t next = 0;
        const auto entries = In(d).m_conversation.Since(0, next);
        ASSERT_GE(entries.size(), 2u);
        EXPECT_EQ(entries.back().direction, CConversation::Direction::NoAnswer);
        EXPECT_EQ(entries.back().what, "EDID read");
        const CConversation::Entry& cut = entries[entries.size() - 2];
        EXPECT_EQ(cut.verdict, "cut short");
        EXPECT_EQ(cut.bytes.size(), 100u);
        EXPECT_NE(CConversation::ViewLine(cut).find("0xb838"), std::string::npos);

        ui::test::ClearMessageBoxes();
        In(d).m_edidPage.SendNotify(IDC_SAVE_EDID, ui::Notify::Clicked);
        EXPECT_EQ(Boxes(), std::vector<std::string>{"There is no EDID to save: read one from the "
                                                    "generator or open a file first."});
        EXPECT_FALSE(Exists("DerEra_EDID00.bin"));
        EXPECT_FALSE(Exists("DerEra_EDID00.txt"));
    });
}

TEST_F(EdidPage, ReadWithClosedPortIsReportedAndStartsNoExchange) {
    RunConsole([&](CConsoleDlg& d) {
        In(d).m_edidPage.ComboSetCurSel(IDC_EDID_SOURCE, 3);
        In(d).m_edidPage.SendNotify(IDC_READ_EDID, ui::Notify::Clicked);
        EXPECT_EQ(Boxes(), std::vector<std::string>{"Com port is not on yet."});
        // A read that was never sent waits for nothing (it would outrank a search's replies).
        EXPECT_EQ(d.m_bReadingEdid, 0);
        EXPECT_EQ(In(d).m_bReadingSavedEdid, 0);
        EXPECT_FALSE(ui::test::ArmedInterval(d, CConsoleDlg::kTimerExchange).has_value());
        EXPECT_TRUE(m_peer.Receive(std::chrono::milliseconds(20)).empty());
    });
}

TEST_F(EdidPage, SaveWritesNumberedTextAndBinaryFiles) {
    RunConsole([&](CConsoleDlg& d) {
        CEdidPage& page = In(d).m_edidPage;
        // A fresh console has no EDID to save.
        page.SendNotify(IDC_SAVE_EDID, ui::Notify::Clicked);
        EXPECT_EQ(Boxes(), std::vector<std::string>{"There is no EDID to save: read one from the "
                                                    "generator or open a file first."});
        EXPECT_FALSE(Exists("DerEra_EDID00.bin"));
        ui::test::ClearMessageBoxes();

        const edid::Image tv = edid_test::Television4K();
        std::memcpy(page.m_abEdid, tv.data(), tv.size());
        page.ValidateAndDecode(); // as when it arrives

        page.SendNotify(IDC_SAVE_EDID, ui::Notify::Clicked);
        page.SendNotify(IDC_SAVE_EDID, ui::Notify::Clicked);
        EXPECT_EQ(Boxes(), (std::vector<std::string>{
                               "Save EDID data to .\\DerEra_EDID00.txt and DerEra_EDID00.bin",
                               "Save EDID data to .\\DerEra_EDID01.txt and DerEra_EDID01.bin"}));
        const std::string text = ReadWholeFile("DerEra_EDID01.txt");
        EXPECT_EQ(text.size(), 800u);
        EXPECT_EQ(text.substr(0, 24), "00 FF FF FF FF FF FF 00 ");
        EXPECT_EQ(text, edid::EdidTextLayout(tv));
        EXPECT_EQ(ReadWholeFile("DerEra_EDID01.bin"),
                  std::string(reinterpret_cast<const char*>(tv.data()), tv.size()));

        // Text and binary names are numbered independently.
        ui::test::ClearMessageBoxes();
        std::remove("DerEra_EDID00.bin");
        std::remove("DerEra_EDID01.bin");
        std::remove("DerEra_EDID01.txt");
        page.SendNotify(IDC_SAVE_EDID, ui::Notify::Clicked);
        EXPECT_EQ(Boxes(), std::vector<std::string>{
                               "Save EDID data to .\\DerEra_EDID01.txt and DerEra_EDID00.bin"});
    });
}

TEST_F(EdidPage, SaveIsRefusedWhenAllNamesAreTaken) {
    char name[32];
    for (int n = 0; n <= 99; ++n) {
        std::snprintf(name, sizeof name, "DerEra_EDID%02d.bin", n);
        WriteWholeFile(name, "keep");
    }
    RunConsole([&](CConsoleDlg& d) {
        std::memcpy(In(d).m_edidPage.m_abEdid, edid_test::Television4K().data(), 256);
        In(d).m_edidPage.ValidateAndDecode();
        In(d).m_edidPage.SendNotify(IDC_SAVE_EDID, ui::Notify::Clicked);
        const auto boxes = Boxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_NE(boxes[0].find("refused"), std::string::npos) << boxes[0];
        // Nothing written: no text file either, and the last binary name is not overwritten.
        EXPECT_FALSE(Exists("DerEra_EDID00.txt"));
        EXPECT_EQ(ReadWholeFile("DerEra_EDID99.bin"), "keep");
    });
}

// A file is checked as a read is: the status says what its header and checksums are.
TEST_F(EdidPage, OpenSavedTextReproducesTheImageAndChecksIt) {
    RunConsole([&](CConsoleDlg& d) {
        Connect(d);
        CEdidPage& page = In(d).m_edidPage;
        const edid::Image tv = edid_test::Television4K();
        WriteWholeFile("tv.txt", edid::EdidTextLayout(tv));

        ReadFrom(d, 0);
        Feed(d, EdidReply(edid_test::DviMonitor()));
        ASSERT_EQ(Shown(d, IDC_EDID_STATUS), "DVI EDID");

        Open(d, std::string("tv.txt"));
        EXPECT_EQ(ui::test::LastOpenFileFilter(),
                  "bin file(*.bin)|*.bin|text file(*.txt)|*.txt|all file(*.*)|*.*||");
        EXPECT_EQ(ui::test::LastOpenFileDir(), ".");
        EXPECT_TRUE(Boxes().empty());
        EXPECT_EQ(PageImage(page), tv);
        const edid::Decoded want = edid::ValidateAndDecode(tv);
        // The dump is rebuilt, not appended to the old one.
        EXPECT_EQ(Shown(d, IDC_EDID_HEX), want.hexDump);
        EXPECT_EQ(Shown(d, IDC_EDID_VIDEO), want.video);
        EXPECT_EQ(Shown(d, IDC_EDID_AUDIO), want.audio);
        EXPECT_EQ(Shown(d, IDC_EDID_GENERAL), want.general);
        EXPECT_EQ(Shown(d, IDC_EDID_STATUS), "HDMI EDID\rcheck sum Ok !");

        // A binary file of the same image gives the same page.
        WriteWholeFile("tv.bin", std::string(reinterpret_cast<const char*>(tv.data()), 256));
        page.m_abEdid[10] ^= 0xFF;
        Open(d, std::string("tv.bin"));
        EXPECT_EQ(PageImage(page), tv);
        EXPECT_EQ(Shown(d, IDC_EDID_HEX), want.hexDump);

        // A wrong checksum is said, not "check sum Ok !" left from before.
        edid::Image bad = tv;
        bad[20] ^= 0x01;
        WriteWholeFile("bad.bin", std::string(reinterpret_cast<const char*>(bad.data()), 256));
        Open(d, std::string("bad.bin"));
        EXPECT_EQ(Shown(d, IDC_EDID_STATUS), "HDMI EDID\rBank0 check sum error !\rBank1 check "
                                             "sum Ok !");
        // Too short for a base block: refused with the reason, the page as it was.
        WriteWholeFile("twelve.bin", std::string(12, '\x00'));
        Open(d, std::string("twelve.bin"));
        EXPECT_EQ(Boxes(), std::vector<std::string>{"twelve.bin is too short to hold an EDID: it "
                                                    "holds 12 bytes, and an EDID's base block "
                                                    "alone needs 128."});
        EXPECT_EQ(PageImage(page), bad);
        // Longer than two blocks: the first 256 bytes, and a word that the rest was left.
        ui::test::ClearMessageBoxes();
        WriteWholeFile("long.bin",
                       std::string(reinterpret_cast<const char*>(tv.data()), 256) + "more");
        Open(d, std::string("long.bin"));
        EXPECT_EQ(PageImage(page), tv);
        ASSERT_EQ(Boxes().size(), 1u);
        EXPECT_EQ(Boxes()[0].rfind("Only the first 256 bytes of the file were loaded", 0), 0u);
    });
}

TEST_F(EdidPage, ShortTextFileLeavesTheRestAtFF) {
    RunConsole([&](CConsoleDlg& d) {
        const edid::Image tv = edid_test::Television4K();
        std::string numbers;
        char number[8];
        for (int i = 0; i < 128; ++i) {
            // Hand-made layout: lower-case, no leading zeros, odd line breaks.
            std::snprintf(number, sizeof number, "%x", tv[i]);
            numbers += (i % 7 == 6 ? "\n" : " ") + std::string(number);
        }
        WriteWholeFile("half.txt", numbers);
        Open(d, std::string("half.txt"));
        const edid::Image got = PageImage(In(d).m_edidPage);
        EXPECT_TRUE(std::equal(got.begin(), got.begin() + 128, tv.begin()));
        EXPECT_TRUE(std::all_of(got.begin() + 128, got.end(), [](auto b) { return b == 0xFF; }));
        EXPECT_EQ(Shown(d, IDC_EDID_HEX).substr(128 * 3, 6), "FF FF ");
    });
}

TEST_F(EdidPage, RefusedOrFailedOpenLeavesImageAndPageUntouched) {
    RunConsole([&](CConsoleDlg& d) {
        CEdidPage& page = In(d).m_edidPage;
        const edid::Image tv = edid_test::Television4K();
        WriteWholeFile("tv.txt", edid::EdidTextLayout(tv));
        Open(d, std::string("tv.txt"));
        const std::string hex = Shown(d, IDC_EDID_HEX);
        const std::string general = Shown(d, IDC_EDID_GENERAL);

        WriteWholeFile("upper.TXT", edid::EdidTextLayout(edid_test::DviMonitor()));
        ASSERT_EQ(mkdir("folder.bin", 0700), 0);
        const std::vector<std::pair<std::optional<std::string>, std::string>> cases = {
            {std::string("upper.TXT"), "It is not bin or txt file"},
            {std::string("missing.bin"), "File read failed"},
            {std::string("missing.txt"), "File read failed"},
            {std::string("folder.bin"), "File read failed"}, // a directory cannot be read
            {std::nullopt, ""},                              // cancelled: nothing at all
        };
        for (const auto& [path, message] : cases) {
            ui::test::ClearMessageBoxes();
            Open(d, path);
            const std::string name = path.value_or("(cancel)");
            if (message.empty())
                EXPECT_TRUE(Boxes().empty()) << name;
            else
                EXPECT_EQ(Boxes(), std::vector<std::string>{message}) << name;
            EXPECT_EQ(PageImage(page), tv) << name;
            EXPECT_EQ(Shown(d, IDC_EDID_HEX), hex) << name;
            EXPECT_EQ(Shown(d, IDC_EDID_GENERAL), general) << name;
        }

        // The save after a refused open writes the EDID on screen, not a blank one.
        ui::test::ClearMessageBoxes();
        page.SendNotify(IDC_SAVE_EDID, ui::Notify::Clicked);
        EXPECT_EQ(ReadWholeFile("DerEra_EDID00.txt"), edid::EdidTextLayout(tv));
    });
}

TEST_F(EdidPage, WriteIsDisabledAndOnlySaysSo) {
    RunConsole([&](CConsoleDlg& d) {
        CEdidPage& page = In(d).m_edidPage;
        EXPECT_FALSE(page.IsDlgItemEnabled(IDC_WRITE_EDID));
        EXPECT_TRUE(page.IsDlgItemEnabled(IDC_READ_EDID));
        page.OnWriteEdid();
        EXPECT_EQ(Boxes(), std::vector<std::string>{"Do not support this function."});
        EXPECT_TRUE(m_peer.Receive(std::chrono::milliseconds(20)).empty());
    });
}

TEST_F(EdidPage, DecodeEdidAppendsOneSection) {
    RunConsole([&](CConsoleDlg& d) {
        CEdidPage& page = In(d).m_edidPage;
        const edid::Image tv = edid_test::Television4K();
        std::memcpy(page.m_abEdid, tv.data(), tv.size());
        page.m_strAudioInfo = "before\r\n";
        page.DecodeEdid(1);
        EXPECT_EQ(page.m_strAudioInfo, "before\r\n" + edid::DecodeSection(tv, 1));
        page.DecodeEdid(3);
        page.DecodeEdid(-1);
        EXPECT_EQ(page.m_strVideoInfo, "");
        EXPECT_EQ(page.m_strGeneralInfo, "");
        EXPECT_EQ(page.m_strAudioInfo, "before\r\n" + edid::DecodeSection(tv, 1));
    });
}

// The row labels step by exactly one text line of the hex dump's font, start level with its
// first row, and every control lies inside the page without overlapping another.
TEST_F(EdidPage, LayoutRowLabelsLineUpAndNothingOverlaps) {
    RunConsole([&](CConsoleDlg& d) {
        CEdidPage& page = In(d).m_edidPage;
        const ui::Rect hex = page.GetDlgItemRect(IDC_EDID_HEX);
        const int step = page.DluToPixelsY(8);
        static const char* const kLabels[] = {"00", "10", "20", "30", "40", "50", "60", "70",
                                              "80", "90", "a0", "b0", "c0", "d0", "e0", "f0"};
        const ui::Rect first = page.GetDlgItemRect(IDC_EDID_ROW_LABEL_FIRST);
        EXPECT_GE(first.top - hex.top, 3);
        EXPECT_LE(first.top - hex.top, 7);
        for (int row = 0; row < kEdidRowLabelCount; ++row) {
            const ui::Rect r = page.GetDlgItemRect(IDC_EDID_ROW_LABEL_FIRST + row);
            EXPECT_EQ(page.GetDlgItemText(IDC_EDID_ROW_LABEL_FIRST + row), kLabels[row]);
            EXPECT_EQ(r.top - first.top, row * step) << row;
            EXPECT_LE(r.right, hex.left) << row;
        }
        EXPECT_LE(first.top + kEdidRowLabelCount * step, hex.bottom);

        const int ids[] = {IDC_EDID_SOURCE, IDC_READ_EDID,   IDC_WRITE_EDID,  IDC_SAVE_EDID,
                           IDC_OPEN_EDID,   IDC_EDID_HEX,    IDC_EDID_STATUS, IDC_EDID_VIDEO,
                           IDC_EDID_AUDIO,  IDC_EDID_GENERAL};
        const ui::Rect client = page.GetClientRect();
        for (int a : ids) {
            const ui::Rect ra = page.GetDlgItemRect(a);
            EXPECT_GE(ra.left, client.left) << a;
            EXPECT_GE(ra.top, client.top) << a;
            EXPECT_LE(ra.right, client.right) << a;
            EXPECT_LE(ra.bottom, client.bottom) << a;
            for (int b : ids) {
                if (a == b)
                    continue;
                const ui::Rect rb = page.GetDlgItemRect(b);
                const bool apart = ra.right <= rb.left || rb.right <= ra.left ||
                                   ra.bottom <= rb.top || rb.bottom <= ra.top;
                EXPECT_TRUE(apart) << a << " overlaps " << b;
            }
        }
    });
}
