// A transmitter's settings as a file: settings words 0 to 8 and 13, the
// three set points, the measuring mode and the two configuration switches
// (parts of word 0), the three calibration constants, the transmitter's
// VV reply, and who saved it where and when. A small versioned JSON
// document; a file that fails any check is refused whole, with a message
// that names what is wrong.
#pragma once

#include <QByteArray>

#include <array>
#include <cstdint>
#include <string>

constexpr int kProfileVersion = 1;
extern const char kProfileFormat[]; // "k964-settings"

struct TransmitterSettings {
    std::array<std::int32_t, 10> words{}; // settings words 0 to 8; [9] is word 13
    std::array<double, 3> setPoints{};    // zero point, end mark, limit
    std::array<double, 3> constants{};    // constants 8, 9, 0
    std::string device;                   // the VV reply
};

// The settings words in TransmitterSettings::words, and the device numbers
// of its constants, in order.
inline constexpr int kWordNumbers[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 13};
inline constexpr int kConstantNumbers[3] = {8, 9, 0};

// The word index in TransmitterSettings::words of settings word n (0..8, 13).
constexpr int word_slot(int n) {
    return n == 13 ? 9 : n;
}
// What word 0 means on the main panel, as the read-back decodes it.
int mode_of(std::int32_t word0);
bool config_bit0(std::int32_t word0);
bool config_bit3(std::int32_t word0);

struct Profile {
    TransmitterSettings values;
    std::string tag;     // site or tag of the transmitter
    std::string saved;   // "2026-12-09T10:32:05"
    std::string program; // "k964 3.0"
};

QByteArray profile_json(const Profile& profile);

struct ProfileLoad {
    // Unreadable: the file could not be opened or read at all. Newer: a
    // settings file of a version this program does not know.
    enum Status { Ok, Damaged, NotOurs, Newer, Unreadable } status = Damaged;
    std::string message; // why it was refused
    Profile profile;
};
ProfileLoad profile_from_json(const QByteArray& bytes);

// The largest magnitude a real value may have: the write command carries
// two exponent digits.
constexpr double kRealLimit = 1e99;
// "" when the value can travel in the write command, else why not.
std::string real_problem(double value);

// The files: read whole, written whole or not at all. The reason it could
// not be written, "" when it was.
ProfileLoad read_profile_file(const std::string& path);
std::string write_profile_file(const std::string& path, const Profile& profile);
