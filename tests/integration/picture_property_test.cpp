// What the console shows is what the generator has, as a property. A long random run of operator
// actions against the emulator, with real timers and the real serial link: clicks on every page
// and on the front panel, clicks the console refuses (while disconnected, and by its DVI and 4K
// rules), disconnections and reconnections, resets, and changes made in the generator itself
// followed by "Update Status". After each action the test waits for a quiet moment (no exchange
// running, no answer awaited, nothing on the line) and then compares the panel and every page
// with the emulator's state: each shows the generator's value, or nothing where the console was
// not told (the channel layout after an output switch whose reply was lost). A refused click
// must change nothing on screen at all.
//
// KESTRELON_PICTURE_SEED and KESTRELON_PICTURE_STEPS run another seed or a longer run.
#include "link/code_names.h"
#include "support/console_internals.h"
#include "link/command_words.h"
#include "res/resource.h"
#include "support/console_fixture.h"
#include "support/screen_state.h"
#include "support/served_emulator.h"

#include <cstdio>
#include <cstdlib>
#include <random>
#include <sstream>

using testsupport::ConsoleFixture;
using testsupport::ServedEmulator;
using testsupport::WaitFor;

namespace {

constexpr int kCom = 4;

std::string Trim(std::string s) {
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

// The differences between what the console shows and what the generator holds, one per line.
std::string Differences(CConsoleDlg& d, const sgsim::CGeneratorState& g) {
    std::ostringstream out;
    const sgsim::CSettings& s = g.settings;
    const bool hdmi = s.nOutputInterface == 0;
    auto text = [&](const char* what, int id, std::vector<std::string> allowed) {
        const std::string shown = Trim(d.GetDlgItemText(id));
        for (const std::string& a : allowed)
            if (shown == Trim(a))
                return;
        out << what << ": shows \"" << shown << "\", the generator has \"" << allowed[0] << "\"\n";
    };
    auto radio = [&](const char* what, const ui::Dialog& page, int firstId,
                     std::vector<int> allowed) {
        const int shown = ui::RadioGroupIndex(page, firstId);
        for (int a : allowed)
            if (shown == a)
                return;
        out << what << ": radio " << shown << ", the generator has " << allowed[0] << "\n";
    };

    // Front panel.
    if (d.GetDlgItemImageId(IDC_HDMI_ICON) != (hdmi ? IDI_SELECTED : IDI_PORT_IDLE) ||
        d.GetDlgItemImageId(IDC_SDI_ICON) != (hdmi ? IDI_PORT_IDLE : IDI_SELECTED))
        out << "output selectors: not the generator's " << (hdmi ? "HDMI" : "SDI") << "\n";
    radio("signal", d, IDC_SIGNAL_ON, {s.nSignal});
    text("hot plug", IDC_HOT_PLUG_STATUS, {g.bHotPlug ? "ON" : "OFF"});
    const std::string timing =
        timing::IsUser(s.nTiming)
            ? names::UserTimingPanelText(
                  g.userTimings[static_cast<std::size_t>(timing::UserSlot(s.nTiming))].data())
            : std::string(names::TimingName(s.nTiming));
    text("timing", IDC_TIMING_STATUS, {timing});
    text("HDCP", IDC_HDCP_STATUS, {names::PanelHdcp(hdmi, s.nHdcp)});
    text("interface", IDC_INTERFACE_STATUS, {names::PanelInterface(hdmi, s.nHdmiDviMode)});
    text("colour space", IDC_COLOR_SPACE_STATUS, {names::PanelColorSpace(hdmi, s.nColorSpace)});
    std::vector<std::string> depth = {names::PanelColorDepth(hdmi, s.nColorDepth)};
    if (hdmi && s.nHdmiDviMode == 0 && s.nColorDepth == 0)
        depth.push_back("24bit"); // what the DVI choice calls 8 bits per colour
    text("colour depth", IDC_COLOR_DEPTH_STATUS, depth);
    text("sample rate", IDC_SAMPLE_RATE_STATUS, {names::PanelSampleRate(hdmi, s.nSampleRate)});
    text("audio bits", IDC_AUDIO_BITS_STATUS, {names::AudioBitsText(s.nAudioBits)});
    const int channels = hdmi ? s.nChannelsHdmi : s.nChannelsSdi;
    text("channels", IDC_CHANNELS_STATUS, {names::PanelChannels(hdmi, channels), ""});

    // Pages.
    radio("timing page", In(d).m_timingPage, IDC_T_640X480_60,
          {CTimingPage::CodeToRadioIndex(s.nTiming)});
    radio("pattern page", In(d).m_patternPage, IDC_P_COLORBAR_100, {s.nPattern});
    const CSettingPage& p = In(d).m_settingPage;
    // The SDI output's fixed format on its greyed radios: YUV4:2:2, 10 bit, 48K, no HDCP.
    radio("HDMI/DVI", p, IDC_S_DVI, {hdmi ? s.nHdmiDviMode : -1});
    radio("HDCP radios", p, IDC_S_HDCP_OFF, {hdmi ? s.nHdcp : 0});
    radio("colour space radios", p, IDC_S_RGB444, {hdmi ? s.nColorSpace : 2});
    radio("colour depth radios", p, IDC_S_DEPTH_8, {hdmi ? s.nColorDepth : 1});
    radio("sample rate radios", p, IDC_S_RATE_32K, {hdmi ? s.nSampleRate : 2});
    radio("audio bits radios", p, IDC_S_BITS_16, {s.nAudioBits});
    radio("audio source radios", p, IDC_S_SOURCE_1K, {s.nAudioSource});
    const int listed = p.ComboGetCurSel(IDC_S_AUDIO_CHANNEL);
    if (listed != channels && listed != -1)
        out << "channel list: entry " << listed << ", the generator has " << channels << "\n";
    if (!p.GetDlgItemText(IDC_S_WAIT_NOTE).empty())
        out << "the reset note is still there\n";
    return out.str();
}

class PictureProperty : public ConsoleFixture {
protected:
    PictureProperty() {
        ui::test::ManualTimers(false);
        ui::test::RecordSleeps(false);
    }

    // Waits until the console expects nothing of the generator and the line has been quiet for a
    // while: what the panel shows then is all the console knows.
    static bool Quiet(CConsoleDlg& d, ServedEmulator& sim) {
        std::size_t frames = sim.Words().size();
        auto last = std::chrono::steady_clock::now();
        return WaitFor(
            [&] {
                const std::size_t now = sim.Words().size();
                if (now != frames) {
                    frames = now;
                    last = std::chrono::steady_clock::now();
                }
                return !d.ExpectsAnswers() && d.m_bRepeatGuard == 0 &&
                       std::chrono::steady_clock::now() - last > std::chrono::milliseconds(150);
            },
            20000);
    }
};

} // namespace

TEST_F(PictureProperty, ThePanelAndThePagesShowWhatTheGeneratorHas) {
    const char* seedText = std::getenv("KESTRELON_PICTURE_SEED");
    const char* stepsText = std::getenv("KESTRELON_PICTURE_STEPS");
    const unsigned seed = seedText ? static_cast<unsigned>(std::atoi(seedText)) : 20261209u;
    const int steps = stepsText ? std::atoi(stepsText) : 120;
    std::mt19937 rng(seed);
    auto pick = [&rng](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };

    ServedEmulator sim(m_ports.Dir(), kCom);
    int clicks = 0, refusals = 0, disconnects = 0, changes = 0, resets = 0, checks = 0;
    std::vector<std::string> findings;
    RunConsole([&](CConsoleDlg& d) {
        In(d).m_nPort = kCom;
        auto connect = [&] {
            ASSERT_TRUE(ui::test::Click(d, IDC_PORT_BUTTON));
            ASSERT_EQ(d.m_bPortOpen, 1);
            ASSERT_TRUE(Quiet(d, sim));
        };
        connect();

        // One click on a random control that sends something; false when the control could not
        // be clicked (disabled in this output mode, or on a page not shown).
        auto clickSomething = [&](std::string& what) -> bool {
            const int kind = pick(8);
            int tab = -1, id = 0;
            switch (kind) {
            case 0:
                tab = 0;
                id = CTimingPage::RadioId(pick(CTimingPage::kRadioCount));
                break;
            case 1: {
                tab = 2;
                const auto& c = CPatternPage::kControls[pick(CPatternPage::kPatternCount)];
                id = c.thumbnail != 0 && pick(2) ? c.thumbnail : c.radio;
                break;
            }
            case 2:
            case 3: {
                tab = 3;
                static const int kSetting[] = {
                    IDC_S_DVI,        IDC_S_HDMI,       IDC_S_INTERFACE_AUTO,
                    IDC_S_HDCP_OFF,   IDC_S_HDCP_ON,    IDC_S_RGB444,
                    IDC_S_YUV444,     IDC_S_YUV422,     IDC_S_COLOR_SPACE_AUTO,
                    IDC_S_DEPTH_8,    IDC_S_DEPTH_10,   IDC_S_DEPTH_12,
                    IDC_S_DEPTH_16,   IDC_S_DEPTH_AUTO, IDC_S_SOURCE_1K,
                    IDC_S_SOURCE_EXT, IDC_S_RATE_32K,   IDC_S_RATE_96K,
                    IDC_S_RATE_192K,  IDC_S_RATE_AUTO,  IDC_S_BITS_16,
                    IDC_S_BITS_24,    IDC_S_BITS_AUTO};
                id = kSetting[pick(static_cast<int>(std::size(kSetting)))];
                break;
            }
            case 4: {
                tab = 3;
                ui::test::ClickTab(d, IDC_TAB, tab);
                const int index =
                    pick(std::max(1, In(d).m_settingPage.ComboGetCount(IDC_S_AUDIO_CHANNEL)));
                what = "channel entry " + std::to_string(index);
                return ui::test::ChooseComboItem(In(d).m_settingPage, IDC_S_AUDIO_CHANNEL, index);
            }
            case 5:
                id = pick(2) ? IDC_SIGNAL_ON : IDC_SIGNAL_OFF;
                break;
            default:
                id = pick(2) ? IDC_HDMI_ICON : IDC_SDI_ICON;
                break;
            }
            static const char* const kWhere[] = {"timing page", "details page", "pattern page",
                                                 "setting page", "EDID page"};
            what = std::string("click ") + (tab >= 0 ? kWhere[tab] : "front panel") + " " +
                   std::to_string(id);
            ui::Dialog* pages[] = {&In(d).m_timingPage, &In(d).m_timingDetailsPage,
                                   &In(d).m_patternPage, &In(d).m_settingPage, &In(d).m_edidPage};
            if (tab >= 0) {
                ui::test::ClickTab(d, IDC_TAB, tab);
                return ui::test::Click(*pages[tab], id);
            }
            return ui::test::Click(d, id);
        };

        for (int step = 0; step < steps; ++step) {
            std::string what;
            const int action = pick(20);
            const std::size_t boxesBefore = Boxes().size();
            if (action < 14) {
                if (!clickSomething(what))
                    continue;
                ++clicks;
            } else if (action < 16) {
                // The generator changes by itself, by its own rules (its front panel); the operator
                // asks for its state.
                auto set = [&](std::uint16_t word, int value) {
                    sgsim::CRequest r;
                    r.wWord = word;
                    r.abPayload = {static_cast<std::uint8_t>(value)};
                    sim.Generator().Handle(r);
                };
                switch (pick(6)) {
                case 0:
                    set(cmd::SetTiming, pick(72));
                    break;
                case 1:
                    set(cmd::SetPattern, pick(43));
                    break;
                case 2:
                    set(cmd::SetHdcp, pick(2));
                    set(cmd::SetSampleRate, pick(8));
                    break;
                case 3:
                    sim.State().bHotPlug = !sim.State().bHotPlug;
                    break;
                case 4:
                    set(cmd::SetOutputInterface, pick(2));
                    break;
                default:
                    set(cmd::SetSignalOutput, pick(2));
                    set(cmd::SetAudioBits, pick(4));
                    break;
                }
                ++changes;
                what = "generator change, then Update Status";
                ui::test::ClickTab(d, IDC_TAB, 1);
                ASSERT_TRUE(ui::test::Click(In(d).m_timingDetailsPage, IDC_D_UPDATE_STATUS));
            } else if (action < 17) {
                ++resets;
                what = "Reset to Default Setting";
                ui::test::ClickTab(d, IDC_TAB, 3);
                ASSERT_TRUE(ui::test::Click(In(d).m_settingPage, IDC_S_RESET));
            } else {
                // Disconnected, every click is refused and changes nothing on screen.
                ++disconnects;
                ASSERT_TRUE(ui::test::Click(d, IDC_PORT_BUTTON));
                ASSERT_EQ(d.m_bPortOpen, 0);
                for (int n = 1 + pick(3); n > 0; --n) {
                    WaitFor([&] { return d.m_bRepeatGuard == 0; }, 1000);
                    std::string refused;
                    ui::test::ClickTab(d, IDC_TAB, 0); // the tab switch is no refused click
                    const std::string before = testsupport::ScreenState(d);
                    const std::size_t boxes = Boxes().size();
                    if (!clickSomething(refused))
                        continue;
                    ++clicks;
                    ui::ProcessEvents(20);
                    std::string after = testsupport::ScreenState(d);
                    // The click's own tab switch is not part of what the click changed.
                    ui::test::ClickTab(d, IDC_TAB, 0);
                    after = testsupport::ScreenState(d);
                    const std::string changed = testsupport::StateChanges(before, after);
                    if (!changed.empty())
                        findings.push_back("step " + std::to_string(step) + ", refused " + refused +
                                           " changed the screen:\n" + changed);
                    refusals += Boxes().size() > boxes;
                }
                what = "reconnection";
                connect();
            }
            if (!Quiet(d, sim)) {
                findings.push_back("step " + std::to_string(step) + " (" + what +
                                   "): the console never went quiet");
                break;
            }
            // Boxes shown by this action: refusals by the console's rules, or what it said.
            refusals += Boxes().size() > boxesBefore && d.m_bPortOpen == 1 &&
                        Boxes().back().rfind("When in", 0) == 0;
            ++checks;
            if (std::getenv("KESTRELON_PICTURE_TRACE")) {
                const auto& g = sim.Settings();
                std::printf("%d %s: timing %d space %d depth %d dvi %d output %d | console "
                            "timing %d space %d hdmi %d\n",
                            step, what.c_str(), g.nTiming, g.nColorSpace, g.nColorDepth,
                            g.nHdmiDviMode, g.nOutputInterface, In(d).m_timingPage.m_nTimingCode,
                            In(d).m_settingPage.m_nColorSpace, d.m_bHdmiMode);
            }
            const std::string diff = Differences(d, sim.State());
            if (!diff.empty())
                findings.push_back("step " + std::to_string(step) + " (" + what + "):\n" + diff);
            if (d.m_bPortOpen == 0) // said why (a lost or silent port); connect again
                connect();
        }
    });
    std::printf("seed %u: %d clicks, %d refused, %d disconnections, %d generator changes, %d "
                "resets, %d checks, %zu findings\n",
                seed, clicks, refusals, disconnects, changes, resets, checks, findings.size());
    RecordProperty("clicks", clicks);
    RecordProperty("refusals", refusals);
    RecordProperty("findings", static_cast<int>(findings.size()));
    for (const std::string& f : findings)
        ADD_FAILURE() << f;
    // Only the console's own refusals and rules speak: nothing failed on this line.
    for (const std::string& box : Boxes())
        EXPECT_TRUE(box == "Com port is not on yet." || box.rfind("When in", 0) == 0) << box;
}
