// k964-sim: the simulated K964 transmitter on a pseudo-terminal, reachable
// by the program as COM<n> through a symbolic link where it keeps its files.
#include "platform/dirs.h"
#include "sim/device_model.h"
#include "sim/pty_link.h"
#include "sim/sim_options.h"

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

// Commands are at most a few bytes; a line that grows beyond this without
// a CR is noise and is thrown away.
constexpr std::size_t kMaxLine = 256;
constexpr double kByteSeconds = 10.0 / 9600.0;

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

std::string absolute_dir(const std::string& dir) {
    char buf[PATH_MAX];
    return realpath(dir.c_str(), buf) ? std::string(buf) : dir;
}

// ---- The simulator ----------------------------------------------------------------

class Simulator {
  public:
    explicit Simulator(const Options& options) : options_(options) {
        model_.faults = options.faults;
        // The cell starts in its gas; a change of gas later settles.
        model_.startIn(options.gas);
        model_.setSettleSeconds(options.settle);
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
    void babble(double until);
    void dropLine();
    void console();
    std::string status() const {
        return sim_status(model_, lineUp_, commands_, bytesIn_, bytesOut_, options_.pace);
    }
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
    int sentSoFar = 0;
    for (char c : reply.bytes) {
        if (reply.pauseMs > 0 && sentSoFar++ == reply.pauseAt)
            at += reply.pauseMs / 1000.0;
        at += byteSeconds_;
        outgoing_.push_back({at, c});
    }
    outFree_ = at;
}

// A babbling transmitter sends without end, at the line's pace even when
// the replies are not paced.
void Simulator::babble(double until) {
    if (!model_.faults.babble || !lineUp_)
        return;
    double at = std::max(outFree_, now());
    while (at + kByteSeconds <= until) {
        at += kByteSeconds;
        outgoing_.push_back({at, kBabbleByte});
    }
    outFree_ = at;
}

// What the USB adapter has handed over by t goes to the program.
void Simulator::send(double t) {
    babble(t + 0.05);
    std::string due;
    while (!outgoing_.empty() &&
           UsbHandover(outgoing_.front().at, model_.faults.usbLatencyMs) <= t) {
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
        next = std::min(next, UsbHandover(outgoing_.front().at, model_.faults.usbLatencyMs));
    return next;
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
        SimControl control{model_, [this] { dropLine(); }, [this] { return status(); }};
        std::string answer = console_command(line, control);
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
