// k964-sim: the simulated K964 transmitter on a pseudo-terminal, reachable
// by the program as COM<n> through a symbolic link where it keeps its files.
#include "platform/dirs.h"
#include "sim/device_model.h"

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

namespace {

const char kUsage[] = R"(Usage: k964-sim [options]

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
  --drop-after N     answer N commands, then drop the line (as if the cable
                     were pulled: the device goes away)
  --gas PPM          oxygen concentration at the sensor (default 5)
  --vcal V           calibration voltage reported by u1 (default 0)
  --noise PPM        noise amplitude of the reading (default 0.01)
  --wire FILE        log every byte on the line to FILE as it passes: a line
                     "> " for bytes from the program, "< " for bytes to it,
                     each byte as two hex digits
  --help             this text

Commands on standard input, one per line, each answered by a line that
starts with "k964-sim: ":
  silent on|off, wrong-letter on|off, overlong on|off, pad24 on|off, no-cr on|off,
  garbage on|off       switch a fault
  latency MS, slow-save MS
                       set a delay
  latency PREFIX MS    set the extra delay for commands starting with PREFIX
                       (0 removes it)
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

// Commands are at most a few bytes; a line that grows beyond this without
// a CR is noise and is thrown away.
constexpr std::size_t kMaxLine = 256;
constexpr double kByteSeconds = 10.0 / 9600.0;

struct Options {
    std::string dir;
    int port = 1;
    bool pace = false;
    std::string stateFile;
    long dropAfter = -1;
    Faults faults;
    double gas = 5.0;
    double vcal = 0.0;
    double noise = 0.01;
    std::string wireFile;
};

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
        } else {
            usage_error("unknown option " + a);
        }
    }
    if (o.dir.empty())
        o.dir = default_dir(argv[0]);
    return o;
}

// ---- Signals -----------------------------------------------------------------

int signal_pipe[2] = {-1, -1};

void on_signal(int signo) {
    int saved = errno;
    unsigned char b = static_cast<unsigned char>(signo);
    ssize_t ignored = ::write(signal_pipe[1], &b, 1);
    (void)ignored;
    errno = saved;
}

bool install_signals() {
    if (pipe(signal_pipe) != 0)
        return false;
    for (int fd : signal_pipe) {
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    struct sigaction sa {};
    sa.sa_handler = on_signal;
    sigemptyset(&sa.sa_mask);
    for (int s : {SIGINT, SIGTERM, SIGHUP})
        sigaction(s, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);
    return true;
}

// ---- The pseudo-terminal and its link ------------------------------------------

class Pty {
  public:
    ~Pty() { close(); }

    bool open(std::string* error) {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
            *error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
            return false;
        }
        char name[PATH_MAX];
        if (ptsname_r(master_, name, sizeof name) != 0) {
            *error = std::string("no pseudo-terminal name: ") + std::strerror(errno);
            return false;
        }
        slavePath_ = name;
        // Held open for the whole run: without a slave, reads on the master
        // fail with EIO whenever no client has the device open.
        slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (slave_ < 0) {
            *error = std::string("cannot open ") + name + ": " + std::strerror(errno);
            return false;
        }
        // QSerialPort makes the device exclusive while it has it open. With
        // our slave held open, a client that ends without closing the port
        // (as k964 does on exit) would leave it exclusive for good: watch the
        // clients come and go, and lift it when the last one has gone.
        watch_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (watch_ < 0 || inotify_add_watch(watch_, name, IN_OPEN | IN_CLOSE) < 0) {
            *error = std::string("cannot watch ") + name + ": " + std::strerror(errno);
            return false;
        }
        termios t{};
        tcgetattr(slave_, &t);
        cfmakeraw(&t);
        t.c_cflag |= CLOCAL | CREAD;
        cfsetispeed(&t, B9600);
        cfsetospeed(&t, B9600);
        tcsetattr(slave_, TCSANOW, &t);
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
        fcntl(master_, F_SETFD, FD_CLOEXEC);
        return true;
    }

    void close() {
        for (int* fd : {&master_, &slave_, &watch_}) {
            if (*fd >= 0)
                ::close(*fd);
            *fd = -1;
        }
    }

    int master() const { return master_; }
    int watch() const { return watch_; }
    const std::string& slavePath() const { return slavePath_; }

    // Counts the clients' opens and closes of the device.
    void clientsChanged() {
        alignas(inotify_event) char buf[4096];
        ssize_t n;
        while ((n = ::read(watch_, buf, sizeof buf)) > 0) {
            for (ssize_t at = 0; at < n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(buf + at);
                if (e->mask & IN_OPEN)
                    ++clients_;
                if (e->mask & IN_CLOSE)
                    --clients_;
                at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
            }
        }
        if (clients_ <= 0) {
            clients_ = 0;
            ioctl(slave_, TIOCNXCL);
        }
    }

  private:
    int master_ = -1;
    int slave_ = -1;
    int watch_ = -1;
    int clients_ = 0;
    std::string slavePath_;
};

class Link {
  public:
    // Points `path` at `target`, replacing a link left by a simulator that
    // did not clean up: one into /dev/pts. Anything else, above all a
    // technician's link to a real adapter, is left alone.
    bool make(const std::string& path, const std::string& target, std::string* error) {
        struct stat st {};
        if (lstat(path.c_str(), &st) == 0) {
            if (!S_ISLNK(st.st_mode)) {
                *error = path + " exists and is not a symbolic link";
                return false;
            }
            char buf[PATH_MAX];
            ssize_t n = readlink(path.c_str(), buf, sizeof buf - 1);
            const std::string old = n >= 0 ? std::string(buf, static_cast<std::size_t>(n)) : "";
            if (!old.starts_with("/dev/pts/")) {
                *error = path + " links to " + old +
                         ", not to a simulator's pseudo-terminal: left alone (choose another "
                         "number with --port)";
                return false;
            }
        }
        std::string temp = path + ".k964-sim." + std::to_string(getpid());
        unlink(temp.c_str());
        if (symlink(target.c_str(), temp.c_str()) != 0 || rename(temp.c_str(), path.c_str()) != 0) {
            *error = "cannot create " + path + ": " + std::strerror(errno);
            unlink(temp.c_str());
            return false;
        }
        path_ = path;
        target_ = target;
        return true;
    }

    // Removes the link if it is still ours.
    void remove() {
        if (path_.empty())
            return;
        char buf[PATH_MAX];
        ssize_t n = readlink(path_.c_str(), buf, sizeof buf - 1);
        if (n >= 0 && std::string(buf, static_cast<std::size_t>(n)) == target_)
            unlink(path_.c_str());
        path_.clear();
    }

  private:
    std::string path_;
    std::string target_;
};

std::string absolute_dir(const std::string& dir) {
    char buf[PATH_MAX];
    return realpath(dir.c_str(), buf) ? std::string(buf) : dir;
}

// ---- The simulator ----------------------------------------------------------------

class Simulator {
  public:
    explicit Simulator(const Options& options) : options_(options) {
        model_.faults = options.faults;
        model_.setGas(options.gas);
        model_.setVcal(options.vcal);
        model_.setNoise(options.noise);
        byteSeconds_ = options.pace ? kByteSeconds : 0.0;
    }

    int run();

  private:
    double now() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }
    bool loadState(std::string* error);
    void saveState();
    void receive(double t);
    void deliver(double t);
    void command(const std::string& line, double t);
    void send(double t);
    void dropLine();
    void console();
    std::string consoleCommand(const std::string& line);
    std::string status() const;
    double nextDue() const;

    Options options_;
    DeviceModel model_;
    Pty pty_;
    Link link_;
    bool lineUp_ = false;
    bool stdinOpen_ = true;
    bool stopping_ = false;
    std::string stdinBuffer_;
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    double byteSeconds_ = 0.0;

    // Bytes on the line, each with the time it has fully arrived.
    struct Timed {
        double at;
        char byte;
    };
    std::deque<Timed> incoming_;
    std::deque<Timed> outgoing_;
    std::FILE* wire_ = nullptr;
    void logWire(char direction, const char* bytes, std::size_t n);
    double inFree_ = 0.0;  // when the line from the program is free again
    double outFree_ = 0.0; // when the line to the program is free again
    std::string line_;
    bool overflow_ = false;
    long commands_ = 0;
    long bytesIn_ = 0;
    long bytesOut_ = 0;
};

bool Simulator::loadState(std::string* error) {
    if (options_.stateFile.empty())
        return true;
    std::ifstream in(options_.stateFile, std::ios::binary);
    if (!in)
        return true; // no state saved yet
    std::stringstream text;
    text << in.rdbuf();
    if (!model_.loadText(text.str())) {
        *error = "cannot read the state file " + options_.stateFile;
        return false;
    }
    return true;
}

void Simulator::saveState() {
    if (options_.stateFile.empty())
        return;
    const std::string temp = options_.stateFile + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << model_.saveText();
        if (!out.flush()) {
            std::fprintf(stderr, "k964-sim: cannot write %s\n", temp.c_str());
            return;
        }
    }
    if (std::rename(temp.c_str(), options_.stateFile.c_str()) != 0)
        std::fprintf(stderr, "k964-sim: cannot replace %s\n", options_.stateFile.c_str());
}

// Bytes from the program: each has fully arrived one byte time after the
// one before, when paced.
void Simulator::receive(double t) {
    char buf[512];
    for (;;) {
        ssize_t n = ::read(pty_.master(), buf, sizeof buf);
        if (n <= 0)
            return;
        bytesIn_ += n;
        logWire('>', buf, static_cast<std::size_t>(n));
        for (ssize_t i = 0; i < n; ++i) {
            inFree_ = std::max(t, inFree_) + byteSeconds_;
            incoming_.push_back({inFree_, buf[i]});
        }
    }
}

void Simulator::deliver(double t) {
    while (lineUp_ && !incoming_.empty() && incoming_.front().at <= t) {
        Timed b = incoming_.front();
        incoming_.pop_front();
        if (b.byte == '\n')
            continue;
        if (b.byte != '\r') {
            if (line_.size() < kMaxLine)
                line_ += b.byte;
            else
                overflow_ = true;
            continue;
        }
        if (!overflow_)
            command(line_, b.at);
        line_.clear();
        overflow_ = false;
    }
}

void Simulator::command(const std::string& line, double t) {
    ++commands_;
    if (options_.dropAfter >= 0 && commands_ > options_.dropAfter) {
        dropLine();
        return;
    }
    const int saves = model_.saves() + model_.zeroCalibrations() + model_.spanCalibrations();
    Reply reply = model_.handle(line, t);
    if (model_.saves() + model_.zeroCalibrations() + model_.spanCalibrations() != saves)
        saveState();
    if (reply.none)
        return;
    double at = std::max(t + reply.delayMs / 1000.0, outFree_);
    for (char c : reply.bytes) {
        at += byteSeconds_;
        outgoing_.push_back({at, c});
    }
    outFree_ = at;
}

void Simulator::send(double t) {
    std::string due;
    while (!outgoing_.empty() && outgoing_.front().at <= t) {
        due += outgoing_.front().byte;
        outgoing_.pop_front();
    }
    if (due.empty() || !lineUp_)
        return;
    // Nobody reading and the device's buffer full: the bytes are lost, as
    // on a real line with nothing at the other end.
    ssize_t n = ::write(pty_.master(), due.data(), due.size());
    if (n > 0) {
        bytesOut_ += n;
        logWire('<', due.data(), static_cast<std::size_t>(n));
    }
}

void Simulator::logWire(char direction, const char* bytes, std::size_t n) {
    if (!wire_)
        return;
    std::fprintf(wire_, "%c ", direction);
    for (std::size_t i = 0; i < n; ++i)
        std::fprintf(wire_, "%02X", static_cast<unsigned char>(bytes[i]));
    std::fputc('\n', wire_);
    std::fflush(wire_);
}

void Simulator::dropLine() {
    if (!lineUp_)
        return;
    lineUp_ = false;
    model_.faults.dropped = true;
    link_.remove();
    pty_.close();
    incoming_.clear();
    outgoing_.clear();
    std::printf("k964-sim: line dropped\n");
    std::fflush(stdout);
}

double Simulator::nextDue() const {
    double next = INFINITY;
    if (!incoming_.empty())
        next = incoming_.front().at;
    if (!outgoing_.empty())
        next = std::min(next, outgoing_.front().at);
    return next;
}

std::string Simulator::status() const {
    const Faults& f = model_.faults;
    auto onoff = [](bool b) { return b ? "on" : "off"; };
    std::ostringstream s;
    s << "k964-sim: status line=" << (lineUp_ ? "up" : "dropped") << " commands=" << commands_
      << " bytes-in=" << bytesIn_ << " bytes-out=" << bytesOut_ << " saves=" << model_.saves()
      << " mode=" << model_.mode() << " gas=" << model_.gas() << " vcal=" << model_.vcal()
      << " silent=" << onoff(f.silent) << " latency=" << f.latencyMs;
    for (const auto& [prefix, ms] : f.latencyFor)
        s << " latency-for=" << prefix << ':' << ms;
    s
      << " slow-save=" << f.slowSaveMs << " wrong-letter=" << onoff(f.wrongLetter)
      << " overlong=" << onoff(f.overlong) << " pad24=" << onoff(f.pad24)
      << " no-cr=" << onoff(f.noCr)
      << " garbage=" << onoff(f.garbage) << " pace=" << onoff(options_.pace);
    return s.str();
}

std::string Simulator::consoleCommand(const std::string& line) {
    std::istringstream in(line);
    std::string word, arg;
    in >> word;
    if (word.empty())
        return {};
    std::getline(in >> std::ws, arg);
    Faults& f = model_.faults;
    bool* toggle = word == "silent"         ? &f.silent
                   : word == "wrong-letter" ? &f.wrongLetter
                   : word == "overlong"     ? &f.overlong
                   : word == "pad24"        ? &f.pad24
                   : word == "no-cr"        ? &f.noCr
                   : word == "garbage"      ? &f.garbage
                                            : nullptr;
    long ms = 0;
    double v = 0.0;
    if (toggle) {
        if (!to_switch(arg, toggle))
            return "k964-sim: error: " + word + " takes on or off";
    } else if (word == "latency" && arg.find(' ') != std::string::npos) {
        std::istringstream parts(arg);
        std::string prefix, number;
        parts >> prefix >> number;
        if (!to_long(number, 0, 600000, &ms))
            return "k964-sim: error: latency PREFIX takes milliseconds from 0 to 600000";
        if (ms == 0)
            f.latencyFor.erase(prefix);
        else
            f.latencyFor[prefix] = static_cast<int>(ms);
    } else if (word == "latency" || word == "slow-save") {
        if (!to_long(arg, 0, 600000, &ms))
            return "k964-sim: error: " + word + " takes milliseconds from 0 to 600000";
        (word == "latency" ? f.latencyMs : f.slowSaveMs) = static_cast<int>(ms);
    } else if (word == "gas" || word == "vcal" || word == "temperature" || word == "noise") {
        if (!to_double(arg, &v))
            return "k964-sim: error: " + word + " takes a number";
        if (word == "gas")
            model_.setGas(v);
        else if (word == "vcal")
            model_.setVcal(v);
        else if (word == "temperature")
            model_.setCellTemperature(v);
        else
            model_.setNoise(v);
    } else if (word == "reply" || word == "mute") {
        std::istringstream parts(arg);
        std::string prefix, text;
        parts >> prefix;
        std::getline(parts >> std::ws, text);
        if (prefix.empty())
            return "k964-sim: error: " + word + " takes a command prefix";
        if (word == "reply")
            model_.setReply(prefix, text + "\r");
        else
            model_.setSilent(prefix);
    } else if (word == "clear-replies") {
        model_.clearOverrides();
    } else if (word == "drop") {
        dropLine();
    } else if (word == "power-cycle") {
        model_.powerCycle();
    } else if (word == "status") {
        return status();
    } else if (word == "help") {
        std::fputs(kUsage, stdout);
    } else {
        return "k964-sim: error: unknown command " + word + " (try help)";
    }
    return "k964-sim: ok";
}

void Simulator::console() {
    char buf[512];
    ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
    if (n <= 0) {
        if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
            stdinOpen_ = false;
            std::printf("k964-sim: console closed, still serving the line\n");
            std::fflush(stdout);
        }
        return;
    }
    stdinBuffer_.append(buf, static_cast<std::size_t>(n));
    std::size_t nl;
    while ((nl = stdinBuffer_.find('\n')) != std::string::npos) {
        std::string line = stdinBuffer_.substr(0, nl);
        stdinBuffer_.erase(0, nl + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::string answer = consoleCommand(line);
        if (!answer.empty()) {
            std::printf("%s\n", answer.c_str());
            std::fflush(stdout);
        }
    }
    if (stdinBuffer_.size() > kMaxLine)
        stdinBuffer_.clear();
}

int Simulator::run() {
    std::string error;
    if (!loadState(&error) || !pty_.open(&error)) {
        std::fprintf(stderr, "k964-sim: %s\n", error.c_str());
        return 1;
    }
    if (!options_.wireFile.empty() && !(wire_ = std::fopen(options_.wireFile.c_str(), "wb"))) {
        std::fprintf(stderr, "k964-sim: cannot write %s\n", options_.wireFile.c_str());
        return 1;
    }
    const std::string linkPath =
        absolute_dir(options_.dir) + "/COM" + std::to_string(options_.port);
    if (!link_.make(linkPath, pty_.slavePath(), &error)) {
        std::fprintf(stderr, "k964-sim: %s\n", error.c_str());
        return 1;
    }
    lineUp_ = true;
    std::printf("k964-sim: listening on %s as %s\n", pty_.slavePath().c_str(), linkPath.c_str());
    std::fflush(stdout);

    while (!stopping_) {
        double t = now();
        deliver(t);
        send(t);
        pollfd fds[4];
        nfds_t count = 0;
        fds[count++] = {signal_pipe[0], POLLIN, 0};
        if (stdinOpen_)
            fds[count++] = {STDIN_FILENO, POLLIN, 0};
        const nfds_t lineSlot = count;
        if (lineUp_) {
            fds[count++] = {pty_.master(), POLLIN, 0};
            fds[count++] = {pty_.watch(), POLLIN, 0};
        }
        timespec wait{};
        timespec* timeout = nullptr;
        double due = nextDue();
        if (std::isfinite(due)) {
            double s = std::max(0.0, due - now());
            wait.tv_sec = static_cast<time_t>(s);
            wait.tv_nsec = static_cast<long>((s - static_cast<double>(wait.tv_sec)) * 1e9);
            timeout = &wait;
        }
        if (ppoll(fds, count, timeout, nullptr) < 0)
            continue; // a signal: its byte waits in the pipe
        if (fds[0].revents) {
            unsigned char signo = 0;
            if (::read(signal_pipe[0], &signo, 1) == 1)
                stopping_ = true;
        }
        if (stdinOpen_ && fds[1].revents)
            console();
        if (lineUp_ && lineSlot < count && (fds[lineSlot].revents & POLLIN))
            receive(now());
        if (lineUp_ && lineSlot < count && fds[lineSlot + 1].revents)
            pty_.clientsChanged();
    }
    link_.remove();
    pty_.close();
    std::printf("k964-sim: stopped\n");
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    Options options = parse_options(argc, argv);
    if (!install_signals()) {
        std::fprintf(stderr, "k964-sim: cannot set up signal handling\n");
        return 1;
    }
    Simulator simulator(options);
    return simulator.run();
}
