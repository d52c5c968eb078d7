#include "tests/serial/sim_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

Clock::time_point after(double seconds) {
    return Clock::now() +
           std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

int remaining_ms(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

} // namespace

SimProcess::SimProcess(std::vector<std::string> options, int port, std::string dir)
    : options_(std::move(options)), port_(port), dir_(std::move(dir)) {
    if (dir_.empty()) {
        char pattern[] = "/tmp/k964-sim-test-XXXXXX";
        if (mkdtemp(pattern) != nullptr) {
            dir_ = pattern;
            ownDir_ = true;
        }
    }
}

SimProcess::~SimProcess() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        if (!wait(10.0)) {
            ::kill(pid_, SIGKILL);
            wait(10.0);
        }
    }
    if (in_ >= 0)
        ::close(in_);
    if (out_ >= 0)
        ::close(out_);
    if (ownDir_) {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
}

bool SimProcess::start(double seconds) {
    // A simulator that died must fail a test, not kill it on the next write
    // to its input.
    ::signal(SIGPIPE, SIG_IGN);
    int toChild[2];
    int fromChild[2];
    if (pipe2(toChild, O_CLOEXEC) != 0 || pipe2(fromChild, O_CLOEXEC) != 0) {
        error_ = "no pipes";
        return false;
    }
    std::vector<std::string> args = {K964_SIM_PATH, "--dir", dir_, "--port", std::to_string(port_)};
    args.insert(args.end(), options_.begin(), options_.end());
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
        // A test process that ends without unwinding (a program under test
        // exits) takes its simulator along.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        dup2(toChild[0], STDIN_FILENO);
        dup2(fromChild[1], STDOUT_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    ::close(toChild[0]);
    ::close(fromChild[1]);
    in_ = toChild[1];
    out_ = fromChild[0];
    if (pid_ < 0) {
        error_ = "cannot fork";
        return false;
    }
    const std::string line = readLine(seconds);
    const std::string head = "k964-sim: listening on ";
    const std::size_t as = line.find(" as ");
    if (!line.starts_with(head) || as == std::string::npos) {
        error_ = "no listening line, got \"" + line + "\"";
        return false;
    }
    devicePath_ = line.substr(head.size(), as - head.size());
    linkPath_ = line.substr(as + 4);
    // A lock file naming the new pseudo-terminal was left for an earlier one
    // of the same number (another test run on this machine, one that was
    // killed): it would keep the program out of a device nobody holds.
    std::string name = devicePath_.substr(devicePath_.rfind("/dev/", 0) == 0 ? 5 : 0);
    std::replace(name.begin(), name.end(), '/', '_');
    std::error_code ec;
    std::filesystem::remove("/var/lock/LCK.." + name, ec);
    return true;
}

std::string SimProcess::readLine(double seconds) {
    const auto deadline = after(seconds);
    for (;;) {
        std::size_t nl = pending_.find('\n');
        if (nl != std::string::npos) {
            std::string line = pending_.substr(0, nl);
            pending_.erase(0, nl + 1);
            return line;
        }
        pollfd p{out_, POLLIN, 0};
        if (poll(&p, 1, remaining_ms(deadline)) <= 0)
            return {};
        char buf[512];
        ssize_t n = ::read(out_, buf, sizeof buf);
        if (n <= 0)
            return {};
        pending_.append(buf, static_cast<std::size_t>(n));
    }
}

std::string SimProcess::command(const std::string& line, double seconds) {
    const std::string text = line + "\n";
    if (::write(in_, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        return {};
    const auto deadline = after(seconds);
    for (;;) {
        std::string answer =
            readLine(std::chrono::duration<double>(deadline - Clock::now()).count());
        if (answer.empty() || answer.starts_with("k964-sim: "))
            return answer;
    }
}

void SimProcess::closeInput() {
    if (in_ >= 0)
        ::close(in_);
    in_ = -1;
}

void SimProcess::signal(int signo) {
    if (pid_ > 0)
        ::kill(pid_, signo);
}

bool SimProcess::wait(double seconds, int* status) {
    if (pid_ <= 0)
        return true;
    const auto deadline = after(seconds);
    for (;;) {
        int s = 0;
        pid_t r = waitpid(pid_, &s, WNOHANG);
        if (r == pid_ || r < 0) {
            pid_ = -1;
            if (status)
                *status = s;
            return true;
        }
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}
