#include "profiles/transmitter_reader.h"

#include "app/globals.h"
#include "app/herkunft.h"
#include "app/lesung.h"
#include "calibration/calibration.h"
#include "link/link.h"
#include "platform/platform.h"
#include "settings/settings.h"

#include <cstring>

namespace {

// A value of the read-back as it came: on which line, with a number or not.
struct Seen {
    long line = 0; // 0: never
    bool ok = false;
    std::int32_t value = 0;
};

Seen words[16];
Seen device;
std::string deviceText;

void word_seen(int i, int zahl, int fehler) {
    words[i] = {ComLineGeneration(), zahl >= 1 && fehler == 0, set[i]};
}

void device_seen(const char* antwort, int fehler) {
    device = {ComLineGeneration(), fehler == 0 && antwort[0] != '\0', 0};
    deviceText = antwort;
}

bool word_current(int i) {
    const Seen& s = words[i];
    return s.line != 0 && s.line == ComLineGeneration() && s.ok && s.value == set[i];
}

// The values Save and Store write are kept where they decide what to send:
// read on this line and untouched is what they would not send.
bool herkunft_read(int w) {
    return !herkunft_senden(w);
}

} // namespace

TransmitterReader::TransmitterReader() {
    for (Seen& s : words)
        s = {};
    device = {};
    deviceText.clear();
    lesung_wort = word_seen;
    lesung_kennung = device_seen;
}

TransmitterReader::~TransmitterReader() {
    lesung_wort = nullptr;
    lesung_kennung = nullptr;
}

Captured TransmitterReader::capture() const {
    Captured c;
    TransmitterSettings& v = c.values;
    for (int n = 0; n <= 13; ++n) {
        if (n > 8 && n < 13)
            continue;
        const Field f = n == 13 ? Field::Word13 : static_cast<Field>(n);
        v.words[word_slot(n)] = set[n];
        const bool read = n == 0   ? herkunft_read(HK_WORT0) && word_current(0)
                          : n == 8 ? herkunft_read(HK_WORT8) && word_current(8)
                                   : word_current(n);
        if (!read)
            c.unread.push_back(f);
    }
    for (int i = 0; i < 3; ++i) {
        v.setPoints[i] = ewert[1 + i];
        if (!herkunft_read(HK_PUNKT1 + i))
            c.unread.push_back(static_cast<Field>(static_cast<int>(Field::ZeroPoint) + i));
    }
    for (int i = 0; i < 3; ++i) {
        v.constants[i] = ewert[8 + i];
        if (!herkunft_read(HK_K8 + i))
            c.unread.push_back(static_cast<Field>(static_cast<int>(Field::Const8) + i));
    }
    v.device = deviceText;
    if (device_current().empty())
        c.unread.push_back(Field::Device);
    return c;
}

std::string TransmitterReader::device_current() const {
    return device.line != 0 && device.line == ComLineGeneration() && device.ok ? deviceText
                                                                               : std::string();
}

void TransmitterReader::read() {
    vollen();
    holset();
    st_cal(0);
}

Captured TransmitterReader::readIfStale() {
    if (!fresh())
        read();
    return capture();
}

std::string field_list(const std::vector<Field>& fields) {
    std::string out;
    for (Field f : fields)
        out += (out.empty() ? "" : ", ") + field_name(f);
    return out;
}
