#include "addons/command_line.h"

const char kUsage[] = R"(Usage: k964 [--trace FILE] [Qt options]
       k964 --help | --version

The service tool for the K964 oxygen transmitter.

  --trace FILE   write the line trace (every byte written and received, per
                 exchange, with times) to FILE from start-up on; each
                 exchange is flushed as it ends
  --help         this text
  --version      the version

Qt's own options (-platform, -style, ...) work as in every Qt program.
)";

const char* version_text() {
    return "k964 " K964_VERSION;
}

CommandLine parse_command_line(const std::vector<std::string>& args, bool strict) {
    CommandLine cl;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help") {
            cl.action = CommandLine::Help;
            return cl;
        }
        if (a == "--version") {
            cl.action = CommandLine::Version;
            return cl;
        }
        if (a == "--trace") {
            if (i + 1 == args.size()) {
                cl.action = CommandLine::Wrong;
                cl.error = "--trace needs a file name";
                return cl;
            }
            cl.traceFile = args[++i];
        } else if (a.rfind("--trace=", 0) == 0) {
            cl.traceFile = a.substr(8);
        } else if (strict) {
            cl.action = CommandLine::Wrong;
            cl.error = "unknown argument " + a;
            return cl;
        } else {
            continue;
        }
        if (cl.traceFile.empty()) {
            cl.action = CommandLine::Wrong;
            cl.error = "--trace needs a file name";
            return cl;
        }
    }
    return cl;
}
