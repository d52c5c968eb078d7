#include "addons/command_line.h"

#include <cstddef>

const char kUsage[] = R"(Usage: k964 [--trace FILE] [Qt options]
       k964 --port N --read FILE [--tag TAG] [--trace FILE]
       k964 --port N --compare FILE [--trace FILE]
       k964 --help | --version

The service tool for the K964 oxygen transmitter.

  --trace FILE   write the line trace (every byte written and received, per
                 exchange, with times) to FILE from start-up on; each
                 exchange is flushed as it ends
  --port N       the transmitter on COM port N, for --read and --compare,
                 which need no display
  --read FILE    read the transmitter's settings and save them to FILE
  --tag TAG      the tag or site saved with them
  --compare FILE read the transmitter's settings and compare them with
                 FILE's; status 0 identical, 1 not identical, 2 an error
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

// "--name VALUE" or "--name=VALUE": true when `a` is the option, with the
// value in `value` ("" when it is missing).
bool option_value(const std::vector<std::string>& args, std::size_t& i, const std::string& name,
                  std::string* value) {
    const std::string& a = args[i];
    if (a == name) {
        *value = i + 1 < args.size() ? args[++i] : std::string();
        return true;
    }
    if (a.rfind(name + "=", 0) == 0) {
        *value = a.substr(name.size() + 1);
        return true;
    }
    return false;
}

bool port_number(const std::string& text, int* port) {
    if (text.empty() || text.size() > 4 || text.find_first_not_of("0123456789") != text.npos)
        return false;
    *port = std::stoi(text);
    return *port >= 1;
}

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
        std::string value;
        if (option_value(args, i, "--port", &value)) {
            if (!port_number(value, &cl.port))
                return wrong("--port needs a number from 1 to 9999");
            continue;
        }
        const bool read = a == "--read" || a.rfind("--read=", 0) == 0;
        if (option_value(args, i, read ? "--read" : "--compare", &value)) {
            if (!cl.profileFile.empty())
                return wrong("--read and --compare go one at a time");
            if (value.empty())
                return wrong(std::string(read ? "--read" : "--compare") + " needs a file name");
            cl.profileFile = value;
            cl.action = read ? CommandLine::Read : CommandLine::Compare;
            continue;
        }
        if (option_value(args, i, "--tag", &value)) {
            cl.tag = value;
            continue;
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
    if ((cl.action == CommandLine::Read || cl.action == CommandLine::Compare) && cl.port == 0)
        return wrong("--read and --compare need --port");
    if (cl.action == CommandLine::Run && cl.port != 0)
        return wrong("--port goes with --read or --compare");
    if (cl.action != CommandLine::Read && !cl.tag.empty())
        return wrong("--tag goes with --read");
    return cl;
}
