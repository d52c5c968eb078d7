// Where the program finds its panels and where it keeps its files.
//
// A copy whose panels file lies beside it (a build tree, a copy in the home
// directory) loads its panels from there and keeps K960.ini and the COM<n>
// links beside itself, whoever runs it. An installed program loads its panels
// from the install's data directory and keeps its files in the user's own
// directory, $XDG_CONFIG_HOME/k964 (~/.config/k964 when that variable is unset
// or not absolute). k964 and k964-sim follow the same rule.
#pragma once

#include <string>

struct ProgramDirs {
    std::string program;   // holds the executable
    std::string resources; // the panels file is loaded from here
    std::string files;     // K960.ini and the COM<n> links
    bool installed = false;
};

// The install's data directory as seen from a program in `programDir`: the
// install layout's data directory relative to its bin directory, so that an
// install under any prefix finds its own.
std::string InstalledDataDir(const std::string& programDir);

// The user's own directory for k964's files: `configHome`/k964 when
// configHome is an absolute path, else `home`/.config/k964.
std::string UserFilesDir(const char* configHome, const std::string& home);
// The user's own directory for k964's data (the calibration history):
// `dataHome`/k964 when dataHome is an absolute path, else
// `home`/.local/share/k964.
std::string UserDataDir(const char* dataHome, const std::string& home);

// The directories of a program in `programDir` whose panels file is called
// `resourceFile`: beside the program when the file lies there; installed when
// it does not and the install's data directory exists.
ProgramDirs ChooseProgramDirs(const std::string& programDir, const std::string& resourceFile,
                              const std::string& userFilesDir);
