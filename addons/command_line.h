// The program's own command-line options, read after Qt has taken its own
// (-platform, -style...) out of the arguments:
//   --trace FILE   write the line trace to FILE from start-up on
//   --help         the usage, status 0
//   --version      the version, status 0
// Any other argument: the usage on standard error, status 2.
#pragma once

#include <string>
#include <vector>

struct CommandLine {
    enum Action { Run, Help, Version, Wrong } action = Run;
    std::string traceFile;
    std::string error; // Wrong: what is wrong
};

// `args`: the arguments without the program's name. Not `strict`: unknown
// arguments are passed over (they may be Qt's, before Qt has seen them), so
// that --help and --version are answered without a display.
CommandLine parse_command_line(const std::vector<std::string>& args, bool strict = true);

extern const char kUsage[];
// "k964 3.0".
const char* version_text();
