// The simulated transmitter's faults and its exact replies for tests.
#include "sim/device_model.h"
#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// ---- Faults ---------------------------------------------------------------------------------

struct FaultCase {
    const char* name;
    Faults faults;
    const char* command;
    bool none;
    std::string bytes;
    int delayMs;
};

class FaultTest : public ::testing::TestWithParam<FaultCase> {};

TEST_P(FaultTest, ChangesTheReplyAsDescribed) {
    DeviceModel m;
    m.faults = GetParam().faults;
    Reply r = m.handle(GetParam().command);
    EXPECT_EQ(r.none, GetParam().none);
    if (!r.none) {
        EXPECT_EQ(r.bytes, GetParam().bytes);
        EXPECT_EQ(r.delayMs, GetParam().delayMs);
    }
}

Faults with(void (*set)(Faults&)) {
    Faults f;
    set(f);
    return f;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, FaultTest,
    ::testing::Values(
        FaultCase{"silent", with([](Faults& f) { f.silent = true; }), "VV", true, "", 0},
        FaultCase{"dropped", with([](Faults& f) { f.dropped = true; }), "VV", true, "", 0},
        FaultCase{"latency", with([](Faults& f) { f.latencyMs = 700; }), "VV", false,
                  "VV K964 V3\r", 700},
        FaultCase{"slow_save", with([](Faults& f) { f.slowSaveMs = 1500; }), "S!S!", false,
                  "S!S!\r", 1500},
        FaultCase{"slow_save_and_latency", with([](Faults& f) {
                      f.slowSaveMs = 1500;
                      f.latencyMs = 100;
                  }),
                  "S!S!", false, "S!S!\r", 1600},
        FaultCase{"latency_for_a_command_on_top_of_the_latency", with([](Faults& f) {
                      f.latencyMs = 100;
                      f.latencyFor["VV"] = 500;
                  }),
                  "VV", false, "VV K964 V3\r", 600},
        FaultCase{"slow_save_only_for_the_save", with([](Faults& f) { f.slowSaveMs = 1500; }),
                  "S00", false, "S0 0\r", 0},
        FaultCase{"wrong_letter", with([](Faults& f) { f.wrongLetter = true; }), "m2", false,
                  "x2\r", 0},
        FaultCase{"overlong", with([](Faults& f) { f.overlong = true; }), "VV", false,
                  "VV K964 V3" + std::string(20, '*') + "\r", 0},
        FaultCase{"no_cr", with([](Faults& f) { f.noCr = true; }), "VV", false, "VV K964 V3", 0},
        FaultCase{"garbage", with([](Faults& f) { f.garbage = true; }), "VV", false,
                  std::string("VV K964 V3\0\xff\x80\xe4\r", 15), 0},
        FaultCase{"garbage_overlong_no_cr", with([](Faults& f) {
                      f.garbage = true;
                      f.overlong = true;
                      f.noCr = true;
                  }),
                  "m2", false, std::string("M2\0\xff\x80\xe4", 6) + std::string(24, '*'), 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DeviceModel, ASilentTransmitterDoesNotActEither) {
    DeviceModel m;
    m.faults.silent = true;
    m.handle("S8123");
    m.handle("S!S!");
    EXPECT_EQ(m.word(8), 1000);
    EXPECT_EQ(m.saves(), 0);
    EXPECT_EQ(m.commandsHandled(), 2);
}

// ---- Overrides ----------------------------------------------------------------------------------

TEST(DeviceModel, AnOverrideAnswersInsteadOfTheTransmitter) {
    DeviceModel m;
    m.setReply("S!S!", "ERR 17\r");
    Reply r = m.handle("S!S!");
    EXPECT_EQ(r.bytes, "ERR 17\r");
    EXPECT_EQ(m.saves(), 0) << "the command was not carried out";
    m.clearOverrides();
    EXPECT_EQ(m.handle("S!S!").bytes, "S!S!\r");
    EXPECT_EQ(m.saves(), 1);
}

TEST(DeviceModel, TheLongestMatchingPrefixWins) {
    DeviceModel m;
    m.setReply("u", "u1\r");
    m.setReply("u9", "u2 3\r");
    m.setSilent("u5");
    EXPECT_EQ(m.handle("u1").bytes, "u1\r");
    EXPECT_EQ(m.handle("u9").bytes, "u2 3\r");
    EXPECT_TRUE(m.handle("u5").none);
    EXPECT_EQ(m.handle("VV").bytes, "VV K964 V3\r");
}

TEST(DeviceModel, OverridesAreVerbatimButLate) {
    DeviceModel m;
    m.faults.wrongLetter = true;
    m.faults.overlong = true;
    m.faults.silent = true;
    m.faults.latencyMs = 250;
    m.setReply("s0", std::string("s0 1\0", 5));
    Reply r = m.handle("s0");
    EXPECT_EQ(r.bytes, std::string("s0 1\0", 5));
    EXPECT_EQ(r.delayMs, 250);
}

TEST(DeviceModel, ANullReplyMeansSilence) {
    DeviceModel m;
    m.setReply("m2", static_cast<const char*>(nullptr));
    EXPECT_TRUE(m.handle("m2").none);
    m.setReply("m2", "M9\r");
    EXPECT_EQ(m.handle("m2").bytes, "M9\r");
}

} // namespace
