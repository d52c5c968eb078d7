// The calibration history and the saved settings profiles, in an SQLite
// database through Qt SQL. Every entry is written in one transaction, so a
// crash or a power loss leaves whole entries or none; WAL and a busy
// time-out let two running programs share the file. The schema carries its
// version (PRAGMA user_version) and is brought up to date on open.
#pragma once

#include "history/calibration_entry.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A settings profile as kept per tag (the document itself is JSON).
struct StoredProfile {
    std::int64_t id = 0;
    std::string tag;
    std::string saved; // "2026-12-09T10:32:05"
    std::string json;
};

class HistoryStore {
  public:
    HistoryStore();
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    // Opens (and creates, with its directory) the database at `path`.
    // False with the reason in error() when it cannot be opened, is not a
    // database, or comes from a newer program (schema version above ours).
    bool open(const std::string& path);
    bool isOpen() const;
    void close();
    // Why the last call failed; empty after one that did not.
    const std::string& error() const { return error_; }
    const std::string& path() const { return path_; }

    // Where the program keeps it: beside the program for a copy that keeps
    // K960.ini beside itself, else $XDG_DATA_HOME/k964/history.sqlite
    // (~/.local/share/k964 when unset or not absolute).
    static std::string defaultPath();

    // Adds an entry; its id, or 0 with error() set.
    std::int64_t add(const CalibrationEntry& entry);
    // Entries, newest first; only those of `tag` unless it is empty.
    std::vector<CalibrationEntry> calibrations(const std::string& tag = {}) const;
    std::vector<std::string> tags() const; // of calibrations and profiles

    std::int64_t addProfile(const StoredProfile& profile);
    // The newest profile of `tag`; id 0 when there is none.
    StoredProfile lastProfile(const std::string& tag) const;

  private:
    struct Db;
    std::unique_ptr<Db> db_;
    std::string path_;
    mutable std::string error_;
};
