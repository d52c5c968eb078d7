// The program's command line, checked before Qt opens the display, so that
// a wrong argument gets the usage without one:
//   --trace FILE   write the line trace to FILE from start-up on
//   --help         the usage, status 0
//   --version      the version, status 0
//   --port N --read FILE [--tag TAG]   read the transmitter, save its settings
//   --port N --compare FILE            compare them with the file's: status 0
//                                      identical, 1 not identical, 2 error
// Qt's own options (-platform, -style, ...) pass, with their values, for Qt
// to take out of the arguments. Any other argument: the usage on standard
// error, status 2.
#pragma once

#include <string>
#include <vector>

struct CommandLine {
    enum Action { Run, Help, Version, Wrong, Read, Compare } action = Run;
    std::string traceFile;
    int port = 0;            // Read, Compare
    std::string profileFile; // Read, Compare
    std::string tag;         // Read
    std::string error;       // Wrong: what is wrong
};

// `args`: the arguments without the program's name.
CommandLine parse_command_line(const std::vector<std::string>& args);

extern const char kUsage[];
// "k964 3.0".
const char* version_text();
