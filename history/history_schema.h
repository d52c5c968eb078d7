// The history database's schema, one step per version: step i brings a
// database of version i to version i + 1. A new version adds a step at the
// end; a step once released is never changed.
#pragma once

#include <array>

inline constexpr std::array<const char*, 2> kHistorySteps = {
    // 0 -> 1: the calibrations.
    "CREATE TABLE calibration ("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " kind TEXT NOT NULL, started TEXT NOT NULL, finished TEXT NOT NULL,"
    " technician TEXT NOT NULL, tag TEXT NOT NULL, device TEXT NOT NULL, port TEXT NOT NULL,"
    " gas_concentration TEXT NOT NULL, gas_unit TEXT NOT NULL, gas_lot TEXT NOT NULL,"
    " gas_expiry TEXT NOT NULL,"
    " found_at TEXT NOT NULL, found_value REAL, found_unit TEXT NOT NULL, found_u1 REAL,"
    " found_stable INTEGER NOT NULL, found_spread REAL,"
    " left_at TEXT NOT NULL, left_value REAL, left_unit TEXT NOT NULL, left_u1 REAL,"
    " left_stable INTEGER NOT NULL, left_spread REAL,"
    " before_k8 REAL, before_k9 REAL, before_k0 REAL,"
    " after_k8 REAL, after_k9 REAL, after_k0 REAL,"
    " tolerance_percent REAL NOT NULL, beyond_tolerance INTEGER NOT NULL,"
    " went_on_unstable INTEGER NOT NULL, outcome TEXT NOT NULL, note TEXT NOT NULL,"
    " program TEXT NOT NULL);"
    "CREATE INDEX calibration_by_tag ON calibration (tag, started);",
    // 1 -> 2: the settings profiles, per tag.
    "CREATE TABLE profile ("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " tag TEXT NOT NULL, saved TEXT NOT NULL, json TEXT NOT NULL);"
    "CREATE INDEX profile_by_tag ON profile (tag, id);",
};

inline constexpr int kHistoryVersion = static_cast<int>(kHistorySteps.size());
