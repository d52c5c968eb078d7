// The measuring mode on the panel: labels, formats, precisions and `linear`.
#include "settings/settings.h"
#include "tests/support/logic_fixture.h"

#include <cmath>
#include <cstring>

namespace {

// ---- Measuring mode ------------------------------------------------------

struct ModeCase {
    int mode;
    int format;
    int precision;
    const char* zp;
    const char* em;
    const char* limit;
    const char* po2;
    int linear;
};

class ModeApply : public LogicTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(ModeApply, SetsLabelsFormatsPrecisionsAndLinear) {
    start();
    ewert[1] = 1.5;
    ewert[2] = 2.5;
    ewert[3] = 3.5;
    ui.edit(p1, MAIN_MODE, GetParam().mode);
    ASSERT_TRUE(ui.commit(p1, MAIN_MODE));
    const ModeCase& c = GetParam();
    for (int id : {MAIN_ZERO_POINT, MAIN_END_MARK, MAIN_LIMIT}) {
        EXPECT_EQ(ui.ctrl(p1, id).format, c.format);
        EXPECT_EQ(ui.ctrl(p1, id).precision, c.precision);
    }
    EXPECT_EQ(ui.ctrl(p3, SERVICE_OXYGEN).format, c.format);
    EXPECT_EQ(ui.ctrl(p3, SERVICE_OXYGEN).precision, c.precision);
    EXPECT_EQ(ui.ctrl(p1, MAIN_ZERO_POINT).label, c.zp);
    EXPECT_EQ(ui.ctrl(p1, MAIN_END_MARK).label, c.em);
    EXPECT_EQ(ui.ctrl(p1, MAIN_LIMIT).label, c.limit);
    EXPECT_EQ(ui.ctrl(p3, SERVICE_OXYGEN).label, c.po2);
    EXPECT_EQ(linear, c.linear);
    EXPECT_DOUBLE_EQ(ui.ctrl(p1, MAIN_ZERO_POINT).dval, 1.5);
    EXPECT_DOUBLE_EQ(ui.ctrl(p1, MAIN_END_MARK).dval, 2.5);
    EXPECT_DOUBLE_EQ(ui.ctrl(p1, MAIN_LIMIT).dval, 3.5);
    EXPECT_TRUE(sent().empty()) << "applying a mode sends nothing";
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ModeApply,
    ::testing::Values(ModeCase{0, 0xFFF1, 3, "ZERO POINT (ppm) ", "END MARK (ppm) ", "LIMIT (ppm) ",
                               "Oxygen         ", 0},
                      ModeCase{1, 0xFFF0, 1, "ZERO POINT (ppm] ", "END MARK (ppm) ", "LIMIT (ppm) ",
                               "Oxygen         ", 1},
                      ModeCase{2, 0xFFF0, 1, "ZERO POINT (mV ) ", "END MARK (mV ) ", "LIMIT (mV ) ",
                               "Sensor Voltage ", 0}),
    [](const auto& info) { return "mode_" + std::to_string(info.param.mode); });

TEST_F(LogicTest, ModeLabelsFillTheirRowsExactly) {
    for (int m = 0; m < 3; ++m) {
        EXPECT_EQ(std::strlen(c_ZP[m]), 17u);
        EXPECT_EQ(std::strlen(c_EM[m]), 15u);
        EXPECT_EQ(std::strlen(c_LIMIT[m]), 12u);
        EXPECT_EQ(std::strlen(c_PO2[m]), 15u);
    }
}

TEST_F(LogicTest, ACommittedModeDiscardsEditsAndAnUncommittedOneChangesNothing) {
    start();
    ui.edit(p1, MAIN_ZERO_POINT, 42.0);
    ui.edit(p1, MAIN_MODE, 2);
    EXPECT_EQ(ui.ctrl(p1, MAIN_ZERO_POINT).label, "");
    EXPECT_TRUE(ui.commit(p1, MAIN_MODE, EVENT_RIGHT_CLICK));
    EXPECT_EQ(ui.ctrl(p1, MAIN_ZERO_POINT).label, "");
    ASSERT_TRUE(ui.commit(p1, MAIN_MODE));
    EXPECT_DOUBLE_EQ(ui.ctrl(p1, MAIN_ZERO_POINT).dval, 0.0);
}

TEST_F(LogicTest, AModeOutsideTheTablesLeavesEveryFieldAsItWas) {
    start();
    ui.edit(p1, MAIN_MODE, 1);
    ASSERT_TRUE(ui.commit(p1, MAIN_MODE));
    ASSERT_EQ(linear, 1);
    const std::pair<int, int> fields[] = {
        {p1, MAIN_ZERO_POINT}, {p1, MAIN_END_MARK}, {p1, MAIN_LIMIT}, {p3, SERVICE_OXYGEN}};
    auto look = [&] {
        std::string all;
        for (const auto& [panel, id] : fields) {
            const MemoryCtrl& c = ui.ctrl(panel, id);
            all += c.label + "/" + std::to_string(c.format) + "/" + std::to_string(c.precision) +
                   "/" + std::to_string(c.history.size()) + "|";
        }
        return all;
    };
    const std::string before = look();
    ui.edit(p1, MAIN_MODE, 3);
    ASSERT_TRUE(ui.commit(p1, MAIN_MODE));
    EXPECT_EQ(look(), before);
    EXPECT_EQ(linear, 1);
}

TEST_F(LogicTest, ApplyingAModeLeavesTheMainValueAlone) {
    start();
    SetCtrlVal(p3, SERVICE_OXYGEN, 12.5);
    ui.edit(p1, MAIN_MODE, 2);
    ASSERT_TRUE(ui.commit(p1, MAIN_MODE));
    EXPECT_DOUBLE_EQ(ui.ctrl(p3, SERVICE_OXYGEN).dval, 12.5);
    EXPECT_EQ(join(history(p3, SERVICE_OXYGEN)), "12.5");
}

} // namespace
