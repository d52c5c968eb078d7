#include "addons/command_line.h"

#include <cstddef>

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

namespace {

// The options QGuiApplication, QApplication and Qt's X11 platform take out
// of the arguments, with one dash or two. A value follows as the next
// argument, or for some after '='.
struct QtOption {
    const char* name;
    enum Value { None, Next, NextOrJoined } value;
};

const QtOption kQtOptions[] = {
    {"platform", QtOption::Next},
    {"platformpluginpath", QtOption::Next},
    {"platformtheme", QtOption::Next},
    {"plugin", QtOption::Next},
    {"qwindowgeometry", QtOption::Next},
    {"qwindowicon", QtOption::Next},
    {"qwindowtitle", QtOption::Next},
    {"session", QtOption::Next},
    {"display", QtOption::Next},
    {"geometry", QtOption::Next},
    {"title", QtOption::Next},
    {"icon", QtOption::Next},
    {"name", QtOption::Next},
    {"visual", QtOption::Next},
    {"style", QtOption::NextOrJoined},
    {"stylesheet", QtOption::NextOrJoined},
    {"qmljsdebugger", QtOption::NextOrJoined},
    {"reverse", QtOption::None},
    {"widgetcount", QtOption::None},
    {"testability", QtOption::None},
    {"nograb", QtOption::None},
    {"dograb", QtOption::None},
};

enum class QtArg { NotQt, Whole, NeedsNext };

QtArg qt_argument(const std::string& arg) {
    std::size_t dashes = arg.rfind("--", 0) == 0 ? 2 : arg.rfind('-', 0) == 0 ? 1 : 0;
    if (dashes == 0)
        return QtArg::NotQt;
    const std::string body = arg.substr(dashes);
    for (const QtOption& o : kQtOptions) {
        if (body == o.name)
            return o.value == QtOption::None ? QtArg::Whole : QtArg::NeedsNext;
        if (o.value == QtOption::NextOrJoined && body.rfind(std::string(o.name) + "=", 0) == 0)
            return QtArg::Whole;
    }
    return QtArg::NotQt;
}

} // namespace

CommandLine parse_command_line(const std::vector<std::string>& args) {
    CommandLine cl;
    auto wrong = [&cl](const std::string& error) {
        cl.action = CommandLine::Wrong;
        cl.error = error;
        return cl;
    };
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
        if (a == "--trace" || a.rfind("--trace=", 0) == 0) {
            if (a == "--trace" && i + 1 == args.size())
                return wrong("--trace needs a file name");
            cl.traceFile = a == "--trace" ? args[++i] : a.substr(8);
            if (cl.traceFile.empty())
                return wrong("--trace needs a file name");
            continue;
        }
        switch (qt_argument(a)) {
        case QtArg::Whole:
            break;
        case QtArg::NeedsNext:
            if (i + 1 == args.size())
                return wrong(a + " needs a value");
            ++i;
            break;
        case QtArg::NotQt:
            return wrong("unknown argument " + a);
        }
    }
    return cl;
}
