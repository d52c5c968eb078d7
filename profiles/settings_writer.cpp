#include "profiles/settings_writer.h"

#include "app/globals.h"
#include "calibration/calibration.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "ui/ids.h"

#include <algorithm>
#include <cstring>

namespace {

bool is_constant(Field f) {
    return f >= Field::Const8 && f <= Field::Const0;
}

// The value as the write command carries it: "5.000e-01".
std::string on_the_wire(double v) {
    char text[40];
    Fmt(text, "%f[e2p3]", v);
    return text;
}

// Word 0 as Save composes it from the panel: bits 2, 6 and 7 are the
// transmitter's, bit 1 and the bits above 7 go as 0.
std::int32_t composed_word0(std::int32_t now, std::int32_t file) {
    std::int32_t w = now & 0xC4;
    if (config_bit0(file))
        w |= 0x01;
    if (config_bit3(file))
        w |= 0x08;
    const int mode = mode_of(file);
    if (mode != 0)
        w |= 0x20;
    if (mode != 2)
        w |= 0x10;
    return w;
}

bool changes(const WritePlan& plan, Field f) {
    return std::find(plan.changes.begin(), plan.changes.end(), f) != plan.changes.end();
}

std::string change_line(const TransmitterSettings& now, const TransmitterSettings& file, Field f) {
    return "  " + field_name(f) + ": " + field_text(now, f) + " -> " + field_text(file, f);
}

// "" when `f` reads back as the write command carried the file's value;
// else what differs.
std::string difference(const Captured& after, const TransmitterSettings& file, Field f) {
    if (std::find(after.unread.begin(), after.unread.end(), read_with(f)) != after.unread.end())
        return field_name(f) + ": not read back";
    const bool same = field_equal(after.values, file, f) ||
                      (f >= Field::ZeroPoint && f <= Field::Const0 &&
                       on_the_wire(real_of(after.values, f)) == on_the_wire(real_of(file, f)));
    return same ? std::string()
                : field_name(f) + ": written " + field_text(file, f) + ", reads " +
                      field_text(after.values, f);
}

} // namespace

WritePlan plan_write(const TransmitterSettings& now, const TransmitterSettings& file) {
    WritePlan plan;
    for (int i = 0; i < kFieldCount; ++i) {
        const Field f = static_cast<Field>(i);
        if (field_writable(f) && !field_equal(now, file, f)) {
            plan.changes.push_back(f);
            (is_constant(f) ? plan.store : plan.save) = true;
        }
    }
    if (plan.changes.empty()) {
        plan.text = "The transmitter holds the file's writable values already: nothing to "
                    "write.\n";
        return plan;
    }
    std::string& t = plan.text;
    if (plan.save) {
        t += "Save sends:\n";
        for (int i = 0; i < 3; ++i) {
            const Field f = static_cast<Field>(static_cast<int>(Field::ZeroPoint) + i);
            if (changes(plan, f))
                t += change_line(now, file, f) + "   D" + std::to_string(i + 1) +
                     on_the_wire(file.setPoints[i]) + "\n";
        }
        for (Field f : {Field::Mode, Field::Bit0, Field::Bit3}) {
            if (changes(plan, f))
                t += change_line(now, file, f) + "\n";
        }
        t += "  settings word 0 as composed   S0" +
             std::to_string(composed_word0(now.words[0], file.words[0])) + "\n";
        t += (changes(plan, Field::Word8) ? change_line(now, file, Field::Word8)
                                          : "  settings word 8 unchanged") +
             "   S8" + std::to_string(file.words[8]) + "\n";
        t += "  the save command   S!S!\n  then the read-back\n";
    }
    if (plan.store) {
        t += "Store sends:\n";
        for (int i = 0; i < 3; ++i) {
            const Field f = static_cast<Field>(static_cast<int>(Field::Const8) + i);
            if (changes(plan, f))
                t += change_line(now, file, f) + "   D" + std::to_string(kConstantNumbers[i]) +
                     on_the_wire(file.constants[i]) + "\n";
        }
    }
    t += "Settings words 1 to 7 and 13 cannot be written; they are compared only.\n";
    return plan;
}

std::string apply_write(const WritePlan& plan, const TransmitterSettings& file,
                        TransmitterReader& reader) {
    std::string note;
    if (plan.save) {
        SetCtrlVal(p1, MAIN_CONFIG_BIT0, config_bit0(file.words[0]) ? 1 : 0);
        SetCtrlVal(p1, MAIN_CONFIG_BIT3, config_bit3(file.words[0]) ? 1 : 0);
        SetCtrlVal(p1, MAIN_MODE, mode_of(file.words[0]));
        for (int i = 0; i < 3; ++i)
            SetCtrlVal(p1, MAIN_ZERO_POINT + i, file.setPoints[i]);
        SetCtrlVal(p1, MAIN_SETTING_8, static_cast<int>(file.words[8]));
        // The commit of MAIN_SAVE, as a click delivers it.
        setsp(p1, MAIN_SAVE, EVENT_COMMIT, nullptr, 0, 0);
        // The constants go only into a transmitter whose Save completed and
        // read back as written; otherwise it is only read back.
        const Captured saved = reader.capture();
        for (Field f : plan.changes) {
            if (plan.store && !is_constant(f) && !difference(saved, file, f).empty()) {
                note = "Store not run: the settings did not read back as written after Save.";
                break;
            }
        }
    }
    if (plan.store && note.empty()) {
        for (int i = 0; i < 3; ++i)
            SetCtrlVal(p3, SERVICE_CAL_8 + i, file.constants[i]);
        stcal(p3, SERVICE_STORE, EVENT_COMMIT, nullptr, 0, 0);
    }
    reader.read();
    return note;
}

Verification verify_write(const Captured& after, const TransmitterSettings& file) {
    Verification v;
    for (int i = 0; i < kFieldCount; ++i) {
        const Field f = static_cast<Field>(i);
        if (!field_writable(f))
            continue;
        const std::string d = difference(after, file, f);
        if (!d.empty())
            v.differences.push_back(d);
    }
    v.verified = v.differences.empty();
    return v;
}
