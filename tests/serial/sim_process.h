// A k964-sim process for serial tests and benchmarks: started in a fresh
// directory, ready once it has announced its link, talked to through its
// standard input, stopped when the object goes.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

class SimProcess {
  public:
    // `dir` empty: a fresh temporary directory, removed afterwards.
    explicit SimProcess(std::vector<std::string> options = {}, int port = 1, std::string dir = {});
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Starts the simulator and waits for its "listening" line. False, with
    // error() telling why, if it did not come within `seconds`.
    bool start(double seconds = 10.0);

    const std::string& dir() const { return dir_; }
    const std::string& linkPath() const { return linkPath_; }
    const std::string& devicePath() const { return devicePath_; }
    const std::string& error() const { return error_; }

    // Sends a console command and returns the simulator's answer line
    // ("k964-sim: ok", a status line...), or "" if none came in `seconds`.
    std::string command(const std::string& line, double seconds = 10.0);
    // The next line the simulator prints, or "" if none came in `seconds`.
    std::string readLine(double seconds = 10.0);
    void closeInput();

    void signal(int signo);
    // Waits for the process to end; false if it still runs after `seconds`.
    bool wait(double seconds, int* status = nullptr);

  private:
    std::vector<std::string> options_;
    int port_;
    std::string dir_;
    bool ownDir_ = false;
    pid_t pid_ = -1;
    int in_ = -1;  // its standard input
    int out_ = -1; // its standard output
    std::string pending_;
    std::string linkPath_;
    std::string devicePath_;
    std::string error_;
};
