#include "profiles/profile_cli.h"

#include "app/globals.h"
#include "link/link.h"
#include "platform/backends.h"
#include "platform/platform.h"

#include <cstdio>

namespace {

// The port with the line parameters and time-out the COM port panel's OK
// gives it. False, said on standard error, when it does not open.
bool open_port(int port) {
    com_nummer = port;
    OpenComConfig(com_nummer, "", 9600, 0, 8, 1, 128, 24);
    if (ReturnRS232Err() != 0) {
        const char* why = SerialOpenFailure();
        std::fprintf(stderr, "k964: COM%d cannot be opened%s%s\n", port, why[0] ? ": " : "", why);
        return false;
    }
    SetComTime(com_nummer, ZEIT_NORMAL);
    return true;
}

bool read_all(TransmitterReader& reader, Captured* out) {
    reader.read();
    *out = reader.capture();
    if (out->unread.empty())
        return true;
    std::fprintf(stderr, "k964: not read from the transmitter on COM%d: %s\n", com_nummer,
                 field_list(out->unread).c_str());
    return false;
}

} // namespace

int run_profile_read(int port, const std::string& file, const std::string& tag,
                     const std::string& program, const std::string& now, ProfileHistory* history) {
    TransmitterReader reader;
    Captured captured;
    if (!open_port(port) || !read_all(reader, &captured)) {
        std::fprintf(stderr, "k964: %s not saved\n", file.c_str());
        return kExitError;
    }
    Profile profile;
    profile.values = captured.values;
    profile.tag = tag;
    profile.saved = now;
    profile.program = program;
    const std::string error = write_profile_file(file, profile);
    if (!error.empty()) {
        std::fprintf(stderr, "k964: %s not saved: %s\n", file.c_str(), error.c_str());
        return kExitError;
    }
    if (history) {
        const std::string kept = history->keep({0, tag, now, profile_json(profile).toStdString()});
        if (!kept.empty())
            std::fprintf(stderr, "k964: saved as %s, not kept in the history: %s\n", file.c_str(),
                         kept.c_str());
    }
    return kExitIdentical;
}

int run_profile_compare(int port, const std::string& file) {
    const ProfileLoad load = read_profile_file(file);
    if (load.status != ProfileLoad::Ok) {
        std::fprintf(stderr, "k964: %s: %s: %s\n", file.c_str(), verdict_text(load.status),
                     load.message.c_str());
        return kExitError;
    }
    TransmitterReader reader;
    Captured captured;
    if (!open_port(port) || !read_all(reader, &captured))
        return kExitError;
    const Comparison c = compare_settings(captured.values, captured.unread, load.profile.values);
    std::fputs(comparison_text(c).c_str(), stdout);
    return c.identical ? kExitIdentical : kExitNotIdentical;
}

int BatchUi::messagePopup(const char* title, const char* message) {
    std::fprintf(stderr, "k964: %s%s%s\n", title, title[0] ? ": " : "", message);
    return 0;
}

int BatchUi::confirmPopup(const char* title, const char* message) {
    std::fprintf(stderr, "k964: %s%s%s (answered no)\n", title, title[0] ? ": " : "", message);
    return 0;
}
