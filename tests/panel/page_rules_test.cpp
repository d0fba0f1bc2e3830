// The DPI and lighting pages' rules without widgets: what each control stores and announces.
#include <gtest/gtest.h>

#include <vector>

#include "panel/dpi_page.h"
#include "panel/lighting_page.h"
#include "shared/window_messages.h"
#include "tests/support/private_session.h"

namespace {

struct Sent {
    uint32_t message;
    int64_t wParam, lParam;
    bool operator==(const Sent&) const = default;
};

class Recorder : public panel::ServiceMessenger {
public:
    bool post(uint32_t m, int64_t w, int64_t l) override { return sent.push_back({m, w, l}), true; }
    bool send(uint32_t m, int64_t w, int64_t l) override { return sent.push_back({m, w, l}), true; }
    bool serviceRunning() override { return true; }
    std::vector<Sent> sent;
};

class PageRulesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(env_.ready());
        model_.load();
    }
    Sent last() { return service_.sent.empty() ? Sent{0, 0, 0} : service_.sent.back(); }
    testsupport::PrivateEnvironment env_{"korvante-pages"};
    Recorder service_;
    panel::PanelModel model_{panel::userPaths(KORVANTE_BIN_DIR), service_};
    panel::DpiPageRules dpi_{model_};
    panel::LightingPageRules lighting_{model_};
};

TEST_F(PageRulesTest, DpiSlidersLimitOnReleaseAndIgnoreRepeats) {
    dpi_.selectStage(2);
    EXPECT_EQ(last(), (Sent{msg::kDpiOrAcceleration, 0, 0}));
    const struct {
        int position, id;
        bool taken;
        int32_t DpiStage::*field;
        int32_t stored;
    } cases[] = {
        {1, panel::kSliderX, true, &DpiStage::x, 2},         {400, panel::kSliderX, true, &DpiStage::x, 320},
        {400, panel::kSliderX, false, &DpiStage::x, 320},    {120, panel::kSliderY, true, &DpiStage::y, 120},
        {64, panel::kSliderCommon, true, &DpiStage::common, 64}, {64, 10999, false, &DpiStage::common, 64},
    };
    for (const auto& c : cases) {
        service_.sent.clear();
        EXPECT_EQ(dpi_.sliderReleased(c.position, c.id), c.taken) << c.position << " " << c.id;
        EXPECT_EQ(model_.working().dpiStages[2].*c.field, c.stored);
        const std::vector<Sent> expected = c.taken ? std::vector<Sent>{{msg::kDpiValues, 2, 0}} : std::vector<Sent>{};
        EXPECT_EQ(service_.sent, expected);
    }
    service_.sent.clear();
    EXPECT_TRUE(dpi_.sliderDragged(500, panel::kSliderCommon));  // a drag stores silently, limited alike
    EXPECT_EQ(model_.working().dpiStages[2].common, 320);
    EXPECT_FALSE(dpi_.sliderDragged(500, panel::kSliderCommon));
    EXPECT_TRUE(service_.sent.empty());
    // Set from code, the slider's next release counts even when it repeats the last one.
    dpi_.forgetSliders();
    EXPECT_TRUE(dpi_.sliderReleased(64, panel::kSliderCommon));
    dpi_.setSeparate(true);  // the service picks X/Y or the common value by this flag
    EXPECT_EQ(last(), (Sent{msg::kDpiValues, 2, 0}));
    EXPECT_EQ(panel::stageCaption("Stage", 2, DpiStage{0, 30, 7, 9}), "Stage 3\n1500\n1500");
    EXPECT_EQ(panel::stageCaption("Stage", 6, DpiStage{1, 30, 7, 9}), "Stage 7\n350\n450");
}

TEST_F(PageRulesTest, SteppedValuesOptionsAndReportRate) {
    MouseSettings& s = model_.working();
    s.DoubleClickSpeed = 4;
    dpi_.stepDoubleClick(false);
    EXPECT_EQ(s.DoubleClickSpeed, 4);
    EXPECT_EQ(last(), (Sent{msg::kDoubleClickSpeed, 0, 0}));  // still saved and announced
    s.WheelScrollLines = 10;
    dpi_.stepWheel(true);
    EXPECT_EQ(s.WheelScrollLines, 10);
    EXPECT_EQ(last(), (Sent{msg::kWheelLines, 0, 0}));
    dpi_.setAngle(true);
    dpi_.setLift(true);
    EXPECT_EQ(s.AngleV, 128);
    EXPECT_EQ(s.LiftV, 1);
    EXPECT_EQ(last(), (Sent{msg::kLiftAngle, 0, 0}));
    dpi_.toggleAcceleration();
    EXPECT_EQ(last(), (Sent{msg::kDpiOrAcceleration, 255, 255}));

    const int32_t intervals[] = {8, 4, 2, 1};
    for (int i = 0; i < 4; ++i) {
        dpi_.setReportRate(i);
        EXPECT_EQ(s.PollingRate, intervals[i]);
        EXPECT_EQ(last(), (Sent{msg::kPollingRate, 0, i}));
    }
    EXPECT_TRUE(dpi_.mouseUnplugged());   // the expected reconnection clears the mark
    EXPECT_FALSE(dpi_.mouseUnplugged());
}

TEST_F(PageRulesTest, LightingMenusSlidersAndSwitches) {
    EXPECT_TRUE(lighting_.chooseItem(panel::kFirstModeItem + 4));
    EXPECT_EQ(model_.lightingMode(), 5);
    EXPECT_TRUE(lighting_.chooseItem(panel::kFirstDirectionItem + 3));
    EXPECT_EQ(model_.working().ledModes[4].direction, 4);
    EXPECT_FALSE(lighting_.chooseItem(panel::kFirstDirectionItem));  // a mode-2 direction on mode 5
    EXPECT_FALSE(lighting_.chooseItem(40010));
    EXPECT_EQ(last(), (Sent{msg::kLighting, 0, 0}));
    EXPECT_EQ(panel::directionMenu(1).size(), 0u);
    EXPECT_EQ(panel::modeMenu().size(), 5u);  // mode 6 is never offered

    lighting_.currentMode().rate = 0;
    lighting_.toggleRate();
    EXPECT_EQ(lighting_.currentMode().rate, 3);
    lighting_.toggleRate();
    EXPECT_EQ(lighting_.currentMode().rate, 0);
    service_.sent.clear();
    lighting_.levelDragged(2);
    EXPECT_TRUE(service_.sent.empty());
    lighting_.levelReleased(3);
    EXPECT_EQ(lighting_.currentMode().level, 3);
    EXPECT_EQ(service_.sent.size(), 1u);
    for (auto [level, shown] : {std::pair{1, 0}, {2, 30}, {3, 60}, {4, 100}, {9, 0}}) EXPECT_EQ(panel::levelShown(level), shown);
}

}  // namespace

namespace {

TEST(ButtonLabels, TextByCodeWithKeyAndMacroNames) {
    const panel::TextLookup text = [](std::string_view key) {
        if (key == "DPISHIFTLABEL") return std::string("Shift %1");
        if (key == "MACROLABELONCE") return std::string("M: %1 x%2");
        if (key == "MACROLABELREPEAT") return std::string("M: %1 again");
        if (key == "MACROLABELHOLD") return std::string("M: %1 held");
        return "<" + std::string(key) + ">";
    };
    const std::vector<std::string> macros{"Reload", "Build"};
    const std::vector<int> loops{3, 0};  // each listed macro's loop time
    struct Case {
        uint8_t code, byte3, byte5;
        std::vector<std::string> names;
        std::string label;
        uint8_t codeAfter;
        uint8_t owner = 1, byte2 = 1;
    };
    const Case cases[] = {
        {1, 0, 0, macros, "<CLICK>", 1},      {0, 0, 0, macros, "", 0},
        {5, 0, 4, macros, "A", 5},            {6, 0x41, 0, macros, "M: Build x1", 6},  // loop time 0 plays once
        {6, 0x40, 0, macros, "M: Reload x3", 6},                                       // the file's loop time
        {6, 0x41, 0, {"A", "Build"}, "M: Build x4", 6, 1, 4},                         // none known: the record's
        {6, 0x41, 0, macros, "M: Build again", 6, 255},                               // endless
        {6, 0x81, 0, macros, "M: Build held", 6},
        {6, 0x45, 0, macros, "<OFFBUTTON>", 7}, {6, 0, 0, {}, "<MACROCOMMAND>", 6},
        {15, 0, 0, macros, "Shift 750", 15, 1, 3}, {15, 0, 0, macros, "<DPISHIFT>", 15, 1, 9},
    };
    for (const Case& c : cases) {
        ButtonRecord record{};
        record.code = c.code;
        record.owner = c.owner;
        record.param1 = c.byte2;
        record.param2 = c.byte3;
        record.byte(5) = c.byte5;
        EXPECT_EQ(panel::buttonLabel(record, c.names, text, c.names == macros ? loops : std::vector<int>{}), c.label)
            << int(c.code) << " " << c.label;
        EXPECT_EQ(record.code, c.codeAfter);
    }
    ButtonRecord record{};
    record.code = 6;
    record.param2 = 1;
    panel::buttonLabel(record, macros, text);
    EXPECT_EQ(std::u16string(record.name), u"Build");  // the record names the macro it plays
}

}  // namespace
