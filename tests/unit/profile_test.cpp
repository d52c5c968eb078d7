// The settings file: what goes in comes out, and a file that fails a check
// is refused with a message that names what is wrong.
#include "profiles/profile_compare.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

Profile sample() {
    Profile p;
    p.values.words = {0x7D, 1, 4, 20, 0, 100, 4, 20, 2000, 7};
    p.values.setPoints = {0.05, 123.4567, -1.5e-7};
    p.values.constants = {1.2345, 0.0, 9.87e50};
    p.values.device = "VV K964 V3";
    p.tag = "Boiler 3";
    p.saved = "2026-12-09T10:32:05";
    p.program = "k964 3.0";
    return p;
}

std::string edited(const std::string& from, const std::string& to) {
    std::string json = profile_json(sample()).toStdString();
    const std::size_t at = json.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? json : json.replace(at, from.size(), to);
}

struct BadFile {
    std::string json;
    ProfileLoad::Status status;
    const char* message;
};

TEST(Profile, WhatIsSavedReadsBackAndAFileThatFailsACheckIsRefused) {
    const ProfileLoad back = profile_from_json(profile_json(sample()));
    ASSERT_EQ(back.status, ProfileLoad::Ok) << back.message;
    const Profile p = sample();
    const Comparison same = compare_settings(p.values, {}, back.profile.values);
    EXPECT_TRUE(same.identical) << comparison_text(same);
    EXPECT_EQ(back.profile.tag, p.tag);
    EXPECT_EQ(back.profile.saved, p.saved);
    EXPECT_EQ(back.profile.program, p.program);

    const std::string whole = profile_json(sample()).toStdString();
    const BadFile kBad[] = {
        {"", ProfileLoad::Damaged, "the file is empty"},
        {whole.substr(0, whole.size() / 2), ProfileLoad::Damaged, "it is not whole"},
        {"[1, 2]", ProfileLoad::NotOurs, "does not say it holds K964 settings"},
        {"word 0 84\nparam 1 0\n", ProfileLoad::NotOurs, "does not say it holds K964 settings"},
        {edited("k964-settings", "k960-settings"), ProfileLoad::NotOurs, "K964 settings"},
        {edited("\"version\": 1", "\"version\": 2"), ProfileLoad::Newer, "version 2"},
        {edited("\"version\": 1", "\"version\": \"1\""), ProfileLoad::Damaged, "its version"},
        {edited("\"mode\": 1", "\"mode\": 3"), ProfileLoad::Damaged, "mode is 3, not 0, 1 or 2"},
        {edited("\"mode\": 1", "\"mode\": 0"), ProfileLoad::Damaged, "does not agree"},
        {edited("\"configBit3\": true", "\"configBit3\": false"), ProfileLoad::Damaged,
         "configuration bits do not agree"},
        {edited("\"limit\": ", "\"limit\": 1e120, \"x\": "), ProfileLoad::Damaged,
         "limit is out of range"},
        {edited("\"9\": 0", "\"9\": 1e-120"), ProfileLoad::Damaged, "constant 9 is out of range"},
        {edited("\"zeroPoint\": 0.05", "\"zeroPoint\": \"0.05\""), ProfileLoad::Damaged,
         "zero point is not a number"},
        {edited("\"zeroPoint\": 0.05", "\"zeroPoint\": null"), ProfileLoad::Damaged,
         "zero point is not a number"},
        {edited("\"8\": 2000", "\"8\": 20.5"), ProfileLoad::Damaged,
         "settings word 8 is not a whole number"},
        {edited("\"8\": 2000", "\"8\": 3000000000"), ProfileLoad::Damaged,
         "settings word 8 is out of range"},
        {edited("\"13\": 7", "\"12\": 7"), ProfileLoad::Damaged, "settings word 13 is missing"},
        {edited("\"configBit0\": true", "\"configBit0\": 1"), ProfileLoad::Damaged,
         "configuration bit 0 is not true or false"},
        {edited("\"device\"", "\"devices\""), ProfileLoad::Damaged, "the VV reply is missing"},
    };
    for (const BadFile& b : kBad) {
        const ProfileLoad load = profile_from_json(QByteArray::fromStdString(b.json));
        EXPECT_EQ(load.status, b.status) << b.message << "\n" << b.json;
        EXPECT_NE(load.message.find(b.message), std::string::npos) << load.message;
    }
    EXPECT_STREQ(verdict_text(ProfileLoad::Newer), "incompatible");
    EXPECT_EQ(real_problem(NAN), "is not a finite number");
    EXPECT_EQ(real_problem(-INFINITY), "is not a finite number");
}

} // namespace
