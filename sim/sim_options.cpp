#include "sim/sim_options.h"

#include "platform/dirs.h"

#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern const char kUsage[] = R"(Usage: k964-sim [options]

Simulates a K964 oxygen transmitter on a pseudo-terminal and links it as
COM<n> into a directory, where the k964 program finds it as port n.
Prints "k964-sim: listening on <device> as <link>" once it is ready, and
runs until SIGINT or SIGTERM, which remove the link. A COM<n> link left by
a simulator is replaced; one that points anywhere but /dev/pts (a real
adapter) is never touched. The end of standard input does not stop it.
Commands on the line end in CR; line feeds are ignored, so a terminal
program can talk to it too.

Options:
  --dir DIR          directory for the link (default: where k964 looks for
                     its ports: beside this executable when K964_Vx.uir lies
                     there, otherwise $XDG_CONFIG_HOME/k964 or ~/.config/k964,
                     made when missing)
  --port N           link name COM<N> (default 1)
  --pace             pace both directions at 9600 baud, 10 bits per byte
  --state FILE       load the saved settings from FILE at start and write
                     them to it on every save, so they survive a restart
  --silent           answer nothing
  --latency MS       wait MS milliseconds before every reply
  --latency-for PREFIX MS
                     wait MS milliseconds more before the reply to commands
                     that start with PREFIX (case matters; may be repeated)
  --slow-save MS     wait MS milliseconds more before the reply to S!S!
  --wrong-letter     replace the first letter of every reply by 'x'
  --overlong         pad every reply to 30 characters before the CR
  --pad24            pad every reply to exactly 24 characters before the CR
  --no-cr            send replies without their CR
  --garbage          put NUL and 8-bit bytes before every CR
  --pad-for PREFIX N pad the replies to commands that start with PREFIX
                     with '*' to N characters before the CR (may be
                     repeated)
  --crlf             end every reply in CR LF
  --other-case       the first letter of every reply in the other case
  --noise-byte HH    send the byte HH (two hex digits) before every reply
  --pause N MS       stop for MS milliseconds after the first N bytes of
                     every reply
  --usb-latency MS   hand the bytes to the program in bursts, as a USB
                     serial adapter does each time its latency timer of MS
                     milliseconds runs out (16 is the common default)
  --babble           send '~' without end and without a CR, at 9600 baud,
                     instead of answering
  --drop-after N     answer N commands, then drop the line (as if the cable
                     were pulled: the device goes away)
  --gas PPM          oxygen concentration at the sensor, settled in it at
                     start (default 5)
  --vcal V           calibration voltage reported by u1 (default 0)
  --noise PPM        noise amplitude of the reading (default 0.01)
  --settle S         the sensor's time constant in seconds (default 4): how
                     fast the reading follows a change of gas
  --wire FILE        log every byte on the line to FILE as it passes: a line
                     "> " for bytes from the program, "< " for bytes to it,
                     each byte as two hex digits
  --help             this text

Commands on standard input, one per line, each answered by a line that
starts with "k964-sim: ":
  silent on|off, wrong-letter on|off, overlong on|off, pad24 on|off, no-cr on|off,
  garbage on|off, crlf on|off, other-case on|off, babble on|off
                       switch a fault
  latency MS, slow-save MS, usb-latency MS
                       set a delay
  latency PREFIX MS    set the extra delay for commands starting with PREFIX
                       (0 removes it)
  pad PREFIX N         pad the replies to commands starting with PREFIX to N
                       characters (0 removes it)
  pause N MS           stop for MS milliseconds after N bytes of every reply
  noise-byte HH|off    the byte sent before every reply
  drop                 drop the line now
  gas PPM, vcal V, temperature C, noise PPM
                       change what the sensor sees
  reply PREFIX TEXT    answer commands starting with PREFIX with TEXT and CR
  mute PREFIX          answer commands starting with PREFIX with nothing
  clear-replies        forget every reply and mute
  power-cycle          restart the transmitter: the saved settings return
  status               counters and faults
  help                 this list
)";

namespace {

std::string executable_dir(const char* argv0) {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    std::string path = n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : argv0;
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
}

std::string home_dir() {
    const char* home = std::getenv("HOME");
    if (home && *home)
        return home;
    const passwd* user = getpwuid(getuid());
    return user && user->pw_dir ? user->pw_dir : "/";
}

// Where k964 looks for its ports, made if an installed program has none yet.
std::string default_dir(const char* argv0) {
    const ProgramDirs dirs =
        ChooseProgramDirs(executable_dir(argv0), "K964_Vx.uir",
                          UserFilesDir(std::getenv("XDG_CONFIG_HOME"), home_dir()));
    if (dirs.installed) {
        std::error_code ec;
        std::filesystem::create_directories(dirs.files, ec);
    }
    return dirs.files;
}

[[noreturn]] void usage_error(const std::string& what) {
    std::fprintf(stderr, "k964-sim: %s\nTry 'k964-sim --help'.\n", what.c_str());
    std::exit(2);
}

} // namespace

bool to_long(const std::string& s, long lo, long hi, long* out) {
    if (s.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(s.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < lo || v > hi)
        return false;
    *out = v;
    return true;
}

bool to_double(const std::string& s, double* out) {
    if (s.empty())
        return false;
    char* end = nullptr;
    double v = std::strtod(s.c_str(), &end);
    if (*end != '\0' || !std::isfinite(v))
        return false;
    *out = v;
    return true;
}

bool to_switch(const std::string& s, bool* out) {
    if (s == "on" || s == "off") {
        *out = s == "on";
        return true;
    }
    return false;
}

Options parse_options(int argc, char** argv) {
    Options o;
    auto value = [&](int& i) -> std::string {
        if (i + 1 >= argc)
            usage_error(std::string(argv[i]) + " needs a value");
        return argv[++i];
    };
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        long n = 0;
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        } else if (a == "--dir") {
            o.dir = value(i);
        } else if (a == "--port") {
            if (!to_long(value(i), 1, 9999, &n))
                usage_error("--port takes a number from 1 to 9999");
            o.port = static_cast<int>(n);
        } else if (a == "--pace") {
            o.pace = true;
        } else if (a == "--state") {
            o.stateFile = value(i);
        } else if (a == "--silent") {
            o.faults.silent = true;
        } else if (a == "--latency" || a == "--slow-save") {
            if (!to_long(value(i), 0, 600000, &n))
                usage_error(a + " takes milliseconds from 0 to 600000");
            (a == "--latency" ? o.faults.latencyMs : o.faults.slowSaveMs) = static_cast<int>(n);
        } else if (a == "--latency-for") {
            const std::string prefix = value(i);
            if (!to_long(value(i), 0, 600000, &n))
                usage_error("--latency-for takes a command prefix and milliseconds");
            o.faults.latencyFor[prefix] = static_cast<int>(n);
        } else if (a == "--wrong-letter") {
            o.faults.wrongLetter = true;
        } else if (a == "--overlong") {
            o.faults.overlong = true;
        } else if (a == "--pad24") {
            o.faults.pad24 = true;
        } else if (a == "--no-cr") {
            o.faults.noCr = true;
        } else if (a == "--garbage") {
            o.faults.garbage = true;
        } else if (a == "--pad-for") {
            const std::string prefix = value(i);
            if (!to_long(value(i), 0, 100000, &n))
                usage_error("--pad-for takes a command prefix and a length");
            o.faults.padFor[prefix] = static_cast<int>(n);
        } else if (a == "--crlf") {
            o.faults.crlf = true;
        } else if (a == "--other-case") {
            o.faults.otherCase = true;
        } else if (a == "--babble") {
            o.faults.babble = true;
        } else if (a == "--noise-byte") {
            if (!to_byte(value(i), &o.faults.noise))
                usage_error("--noise-byte takes two hex digits");
        } else if (a == "--usb-latency") {
            if (!to_long(value(i), 0, 600000, &n))
                usage_error("--usb-latency takes milliseconds from 0 to 600000");
            o.faults.usbLatencyMs = static_cast<int>(n);
        } else if (a == "--pause") {
            long at = 0;
            if (!to_long(value(i), 0, 100000, &at) || !to_long(value(i), 0, 600000, &n))
                usage_error("--pause takes a byte count and milliseconds");
            o.faults.pauseAt = static_cast<int>(at);
            o.faults.pauseMs = static_cast<int>(n);
        } else if (a == "--drop-after") {
            if (!to_long(value(i), 0, LONG_MAX, &o.dropAfter))
                usage_error("--drop-after takes a number of commands");
        } else if (a == "--wire") {
            o.wireFile = value(i);
        } else if (a == "--gas" || a == "--vcal" || a == "--noise") {
            double v = 0.0;
            if (!to_double(value(i), &v))
                usage_error(a + " takes a number");
            (a == "--gas" ? o.gas : a == "--vcal" ? o.vcal : o.noise) = v;
        } else if (a == "--settle") {
            if (!to_double(value(i), &o.settle) || !(o.settle > 0.0))
                usage_error("--settle takes a number of seconds above 0");
        } else {
            usage_error("unknown option " + a);
        }
    }
    if (o.dir.empty())
        o.dir = default_dir(argv[0]);
    return o;
}
