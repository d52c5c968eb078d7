// The simulated transmitter: reply forms, values parsed from commands, saved
// and working state, calibrations, the sensor, faults and overrides.
#include "sim/device_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <string>
#include <vector>

namespace {

// The numbers after the reply's first character, as the program scans them.
std::vector<double> numbers(const std::string& reply) {
    std::vector<double> out;
    const char* p = reply.data() + 1;
    const char* end = reply.data() + reply.size();
    while (p < end) {
        while (p < end && *p == ' ')
            ++p;
        double v = 0.0;
        auto r = std::from_chars(p, end, v);
        if (r.ec != std::errc())
            break;
        out.push_back(v);
        p = r.ptr;
    }
    return out;
}

// The main value of a u9 reply.
double main_value(DeviceModel& m, double now) {
    std::vector<double> v = numbers(m.handle("u9", now).bytes);
    return v.size() == 2 ? v[1] : NAN;
}

struct FormCase {
    const char* command;
    const char* reply;
};

class ReplyForm : public ::testing::TestWithParam<FormCase> {};

TEST_P(ReplyForm, EveryCommandHasItsReply) {
    DeviceModel m;
    m.setNoise(0.0);
    Reply r = m.handle(GetParam().command);
    EXPECT_FALSE(r.none);
    EXPECT_EQ(r.bytes, std::string(GetParam().reply) + "\r");
    EXPECT_EQ(r.delayMs, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, ReplyForm,
    ::testing::Values(FormCase{"VV", "VV K964 V3"}, FormCase{"m2", "M2"}, FormCase{"u1", "u0"},
                      FormCase{"u5", "u25"}, FormCase{"u9", "u3.7 5"}, FormCase{"s0", "s0 84"},
                      FormCase{"s1", "s1 1"}, FormCase{"s3", "s3 20"}, FormCase{"s8", "s8 1000"},
                      FormCase{"s13", "s13 3"}, FormCase{"s15", "s15 0"}, FormCase{"t12", "t12 3"},
                      FormCase{"d0", "d0 1.2000e+00"}, FormCase{"d1", "d1 0.0000e+00"},
                      FormCase{"d2", "d2 1.0000e+02"}, FormCase{"d3", "d3 5.0000e+01"},
                      FormCase{"d8", "d8 1.0000e+00"}, FormCase{"d9", "d9 0.0000e+00"},
                      FormCase{"d11", "d11 0.0000e+00"}, FormCase{"D12.090e+01", "D1 2.0900e+01"},
                      FormCase{"D2-4.000e-04", "D2 -4.0000e-04"}, FormCase{"S052", "S0 52"},
                      FormCase{"S8-1", "S8 -1"}, FormCase{"S!S!", "S!S!"},
                      FormCase{"D?D?", "D? OK"}, FormCase{"D!D!", "D! OK"}, FormCase{"xyz", "?"},
                      FormCase{"s16", "?"}, FormCase{"d12", "?"}, FormCase{"s", "?"},
                      FormCase{"s-1", "?"}, FormCase{"t11", "?"}, FormCase{"u2", "?"},
                      FormCase{"m1", "?"}, FormCase{"D1", "?"}, FormCase{"D1x", "?"},
                      FormCase{"D1inf", "?"}, FormCase{"D1nan", "?"}, FormCase{"D11.0e", "?"},
                      FormCase{"D1.", "?"}, FormCase{"S0", "?"}, FormCase{"S0+5", "?"},
                      FormCase{"S012x", "?"}, FormCase{"S02147483648", "?"}, FormCase{"vv", "?"}));

TEST(DeviceModel, AnEmptyLineGetsNoReply) {
    DeviceModel m;
    EXPECT_TRUE(m.handle("").none);
}

TEST(DeviceModel, RepliesFitIn24CharactersWhateverTheValues) {
    DeviceModel m;
    m.setNoise(0.0);
    m.setWord(0, 0x00); // mode 2: both u9 numbers in mV
    m.setGas(-123456.0);
    m.setVcal(-1.23456789e-7);
    m.setCellTemperature(-273.15);
    for (int i = 0; i < 16; ++i)
        m.setWord(i, INT32_MIN);
    for (int k = 0; k < 12; ++k)
        m.setParam(k, -1.2345678e-99);
    std::vector<std::string> commands = {"VV",   "m2",           "u1",           "u5",
                                         "u9",   "t12",          "S!S!",         "D?D?",
                                         "D!D!", "D1-9.999e+99", "S0-2147483648"};
    for (int i = 0; i < 16 + 12; ++i) {
        std::string c(1, i < 16 ? 's' : 'd');
        c += std::to_string(i < 16 ? i : i - 16);
        commands.push_back(c);
    }
    for (const std::string& c : commands) {
        Reply r = m.handle(c, 100.0);
        ASSERT_FALSE(r.none) << c;
        ASSERT_EQ(r.bytes.back(), '\r') << c;
        EXPECT_LE(r.bytes.size() - 1, 24u) << c << " -> " << r.bytes;
        EXPECT_EQ(r.bytes.find('\r'), r.bytes.size() - 1) << c;
    }
}

// ---- Values in commands ---------------------------------------------------------

struct ParamCase {
    const char* command;
    int index;
    double value;
};

class ParamWrite : public ::testing::TestWithParam<ParamCase> {};

TEST_P(ParamWrite, TheNumberAfterTheTwoCharacterPrefixIsStored) {
    DeviceModel m;
    const ParamCase& c = GetParam();
    Reply r = m.handle(c.command);
    EXPECT_DOUBLE_EQ(m.param(c.index), c.value);
    std::vector<double> echoed = numbers(r.bytes.substr(1));
    ASSERT_EQ(echoed.size(), 1u) << r.bytes;
    EXPECT_DOUBLE_EQ(echoed[0], c.value) << "the reply carries the stored value";
}

INSTANTIATE_TEST_SUITE_P(
    Values, ParamWrite,
    ::testing::Values(ParamCase{"D12.090e+01", 1, 20.9}, ParamCase{"D2-4.000e-04", 2, -0.0004},
                      ParamCase{"D35.000e-02", 3, 0.05}, ParamCase{"D00.000e+00", 0, 0.0},
                      ParamCase{"D0-1.500e+00", 0, -1.5}, ParamCase{"D81.250e+00", 8, 1.25},
                      ParamCase{"D9-5.000e-01", 9, -0.5}, ParamCase{"D11.000e+01", 1, 10.0},
                      ParamCase{"D17", 1, 7.0}, ParamCase{"D1-.5E+1", 1, -5.0}));

struct WordCase {
    const char* command;
    int index;
    int32_t value;
};

class WordWrite : public ::testing::TestWithParam<WordCase> {};

TEST_P(WordWrite, TheIntegerAfterThePrefixIsStored) {
    DeviceModel m;
    const WordCase& c = GetParam();
    Reply r = m.handle(c.command);
    EXPECT_EQ(m.word(c.index), c.value);
    EXPECT_EQ(r.bytes, std::string(c.command, 2) + " " + std::to_string(c.value) + "\r");
}

INSTANTIATE_TEST_SUITE_P(Values, WordWrite,
                         ::testing::Values(WordCase{"S052", 0, 52}, WordCase{"S00", 0, 0},
                                           WordCase{"S0-1", 0, -1}, WordCase{"S0212", 0, 212},
                                           WordCase{"S81234", 8, 1234},
                                           WordCase{"S82147483647", 8, INT32_MAX},
                                           WordCase{"S8-2147483648", 8, INT32_MIN}));

TEST(DeviceModel, ARefusedValueChangesNothing) {
    DeviceModel m;
    m.handle("S0abc");
    m.handle("S82147483648");
    m.handle("D1x");
    EXPECT_EQ(m.word(0), 0x54);
    EXPECT_EQ(m.word(8), 1000);
    EXPECT_DOUBLE_EQ(m.param(1), 0.0);
}

TEST(DeviceModel, Word13AnswersT12) {
    DeviceModel m;
    m.setWord(13, -77);
    EXPECT_EQ(m.handle("t12").bytes, "t12 -77\r");
    m.setWord(12, 5);
    EXPECT_EQ(m.handle("t12").bytes, "t12 -77\r");
}

TEST(DeviceModel, NumbersOutOfRangeAreNeitherReadNorStored) {
    DeviceModel m;
    m.setWord(16, 9);
    m.setWord(-1, 9);
    m.setParam(12, 9.0);
    EXPECT_EQ(m.word(16), 0);
    EXPECT_EQ(m.word(-1), 0);
    EXPECT_DOUBLE_EQ(m.param(12), 0.0);
    EXPECT_DOUBLE_EQ(m.savedParam(-1), 0.0);
}

// ---- Working and saved state ---------------------------------------------------------

TEST(DeviceModel, WritesChangeTheWorkingStateUntilSaved) {
    DeviceModel m;
    m.handle("S8123");
    m.handle("D14.500e+00");
    EXPECT_EQ(m.word(8), 123);
    EXPECT_EQ(m.savedWord(8), 1000);
    EXPECT_DOUBLE_EQ(m.savedParam(1), 0.0);
    m.powerCycle();
    EXPECT_EQ(m.word(8), 1000) << "an unsaved write is lost on a power cycle";
    EXPECT_DOUBLE_EQ(m.param(1), 0.0);
    m.handle("S8123");
    m.handle("D14.500e+00");
    EXPECT_EQ(m.handle("S!S!").bytes, "S!S!\r");
    EXPECT_EQ(m.saves(), 1);
    EXPECT_EQ(m.savedWord(8), 123);
    m.handle("S8999");
    m.powerCycle();
    EXPECT_EQ(m.word(8), 123);
    EXPECT_DOUBLE_EQ(m.param(1), 4.5);
}

TEST(DeviceModel, FactoryDefaultsAreModeZeroWithBothSwitchesOff) {
    DeviceModel m;
    EXPECT_EQ(m.word(0), 0x54);
    EXPECT_EQ(m.mode(), 0);
    EXPECT_DOUBLE_EQ(m.param(1), 0.0);
    EXPECT_DOUBLE_EQ(m.param(2), 100.0);
    EXPECT_DOUBLE_EQ(m.param(3), 50.0);
    EXPECT_DOUBLE_EQ(m.param(8), 1.0);
    EXPECT_DOUBLE_EQ(m.param(9), 0.0);
    EXPECT_EQ(m.savedWord(0), 0x54);
}

TEST(DeviceModel, TheSavedStateRoundTripsThroughText) {
    DeviceModel a;
    a.handle("S0-5");
    a.handle("S87");
    a.setWord(15, 15);
    a.setParam(11, 0.1);
    a.handle("D2-4.000e-04");
    a.handle("S!S!");
    DeviceModel b;
    ASSERT_TRUE(b.loadText(a.saveText()));
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(b.savedWord(i), a.savedWord(i)) << i;
        EXPECT_EQ(b.word(i), a.savedWord(i)) << i;
    }
    for (int k = 0; k < 12; ++k) {
        EXPECT_EQ(b.savedParam(k), a.savedParam(k)) << k;
        EXPECT_EQ(b.param(k), a.savedParam(k)) << k;
    }
}

class BadStateText : public ::testing::TestWithParam<const char*> {};

TEST_P(BadStateText, IsRefusedAndChangesNothing) {
    DeviceModel m;
    m.setWord(8, 42);
    EXPECT_FALSE(m.loadText(GetParam()));
    EXPECT_EQ(m.word(8), 42);
    EXPECT_EQ(m.savedWord(8), 1000);
}

INSTANTIATE_TEST_SUITE_P(Texts, BadStateText,
                         ::testing::Values("", "word 8 1\n", "k964 saved state\nword 8 x\n",
                                           "k964 saved state\nword 16 1\n",
                                           "k964 saved state\nparam 1 nan\n",
                                           "k964 saved state\nparam 1 1 2\n",
                                           "k964 saved state\nword 0 5\nbogus 1 1\n"));

// ---- The sensor -----------------------------------------------------------------------

struct ModeCase {
    int32_t word0;
    int mode;
    bool millivolts;
};

class ModeUnits : public ::testing::TestWithParam<ModeCase> {};

TEST_P(ModeUnits, TheMainValueFollowsTheMeasuringMode) {
    DeviceModel m;
    m.setNoise(0.0);
    m.setGas(20.9);
    m.handle("S0" + std::to_string(GetParam().word0));
    EXPECT_EQ(m.mode(), GetParam().mode);
    std::vector<double> v = numbers(m.handle("u9", 1000.0).bytes);
    ASSERT_EQ(v.size(), 2u);
    const double mv = DeviceModel::kMillivoltsPerPpm * 20.9 + DeviceModel::kZeroMillivolts;
    EXPECT_NEAR(v[0], mv, 1e-3) << "the first number is the sensor voltage";
    EXPECT_NEAR(v[1], GetParam().millivolts ? mv : 20.9, 1e-3);
}

INSTANTIATE_TEST_SUITE_P(Words, ModeUnits,
                         ::testing::Values(ModeCase{0x10, 0, false}, ModeCase{0x54, 0, false},
                                           ModeCase{0x30, 1, false}, ModeCase{0x39, 1, false},
                                           ModeCase{0x00, 2, true}, ModeCase{0x20, 2, true},
                                           ModeCase{0xC4, 2, true}));

TEST(DeviceModel, TheReadingSettlesExponentiallyTowardsTheGas) {
    DeviceModel m;
    m.setNoise(0.0);
    ASSERT_NEAR(main_value(m, 0.0), 5.0, 1e-3);
    m.setGas(105.0);
    const double tau = DeviceModel::kSettleSeconds;
    EXPECT_NEAR(m.concentration(tau), 105.0 - 100.0 * std::exp(-1.0), 1e-6);
    double before = m.concentration(tau);
    for (double t = tau + 1.0; t < 12 * tau; t += 1.0) {
        double now = m.concentration(t);
        EXPECT_GT(now, before) << t;
        before = now;
    }
    EXPECT_NEAR(main_value(m, 20 * tau), 105.0, 1e-3);
}

TEST(DeviceModel, NoiseIsSmallAndTheSameOnEveryRun) {
    DeviceModel a;
    DeviceModel b;
    a.setNoise(0.5);
    b.setNoise(0.5);
    std::vector<double> seen;
    for (int i = 0; i < 50; ++i) {
        double va = main_value(a, i * 0.1);
        EXPECT_EQ(va, main_value(b, i * 0.1)) << i;
        EXPECT_NEAR(va, 5.0, 0.5 + 1e-3) << i;
        seen.push_back(va);
    }
    std::sort(seen.begin(), seen.end());
    EXPECT_GT(seen.back() - seen.front(), 0.1) << "the reading moves";
}

TEST(DeviceModel, U1IsTheCalibrationVoltageAndU5TheCellTemperature) {
    DeviceModel m;
    m.setVcal(12.5);
    m.setCellTemperature(-3.25);
    EXPECT_EQ(m.handle("u1").bytes, "u12.5\r");
    EXPECT_EQ(m.handle("u5").bytes, "u-3.25\r");
}

TEST(DeviceModel, ParameterNineCorrectsForTheCellTemperature) {
    DeviceModel m;
    m.setNoise(0.0);
    m.setCellTemperature(35.0);
    EXPECT_NEAR(m.concentration(0.0), 5.0, 1e-9) << "no correction without a coefficient";
    m.handle("D91.000e-02");
    EXPECT_NEAR(m.concentration(0.0), 5.0 * 1.1, 1e-9);
}

// ---- Calibration ------------------------------------------------------------------------

TEST(DeviceModel, ZeroCalibrationMakesTheCurrentReadingZero) {
    DeviceModel m;
    m.setNoise(0.0);
    m.setGas(0.3);
    ASSERT_NEAR(m.concentration(100.0), 0.3, 1e-6);
    EXPECT_EQ(m.handle("D?D?", 100.0).bytes, "D? OK\r");
    EXPECT_NEAR(m.concentration(100.0), 0.0, 1e-9);
    EXPECT_NEAR(main_value(m, 100.0), 0.0, 1e-9);
    EXPECT_NEAR(m.param(0), DeviceModel::kZeroMillivolts + 0.3 * DeviceModel::kMillivoltsPerPpm,
                1e-6);
    EXPECT_DOUBLE_EQ(m.savedParam(0), m.param(0)) << "the transmitter stores its calibration";
    EXPECT_EQ(m.zeroCalibrations(), 1);
}

TEST(DeviceModel, SpanCalibrationMakesTheReadingMatchTheGas) {
    DeviceModel m;
    m.setNoise(0.0);
    m.setParam(8, 0.8);
    m.setGas(20.9);
    ASSERT_NEAR(m.concentration(100.0), 0.8 * 20.9, 1e-6);
    EXPECT_EQ(m.handle("D!D!", 100.0).bytes, "D! OK\r");
    EXPECT_NEAR(m.concentration(100.0), 20.9, 1e-9);
    EXPECT_NEAR(m.param(8), 1.0, 1e-9);
    EXPECT_DOUBLE_EQ(m.savedParam(8), m.param(8));
    EXPECT_EQ(m.spanCalibrations(), 1);
}

TEST(DeviceModel, SpanWithoutSignalIsRefused) {
    DeviceModel m;
    m.setNoise(0.0);
    m.handle("D?D?", 0.0);
    EXPECT_EQ(m.handle("D!D!", 0.0).bytes, "D! ERR\r");
    EXPECT_DOUBLE_EQ(m.param(8), 1.0);
    EXPECT_EQ(m.spanCalibrations(), 1) << "received all the same";
}

} // namespace
