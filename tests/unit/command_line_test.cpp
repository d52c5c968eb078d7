// The program's own options, after Qt has taken its own.
#include "addons/command_line.h"

#include <gtest/gtest.h>

namespace {

struct LineCase {
    std::vector<std::string> args;
    bool strict;
    CommandLine::Action action;
    const char* traceFile;
};

const LineCase kLines[] = {
    {{}, true, CommandLine::Run, ""},
    {{"--trace", "t.txt"}, true, CommandLine::Run, "t.txt"},
    {{"--trace=t.txt"}, true, CommandLine::Run, "t.txt"},
    {{"--trace", "--help"}, true, CommandLine::Run, "--help"},
    {{"--help"}, true, CommandLine::Help, ""},
    {{"--version", "--help"}, true, CommandLine::Version, ""},
    {{"--trace"}, true, CommandLine::Wrong, ""},
    {{"--trace="}, true, CommandLine::Wrong, ""},
    {{"-h"}, true, CommandLine::Wrong, ""},
    {{"--trace", "t", "extra"}, true, CommandLine::Wrong, "t"},
    {{"COM1"}, true, CommandLine::Wrong, ""},
    // Before Qt has seen them, its options pass.
    {{"-platform", "offscreen", "--help"}, false, CommandLine::Help, ""},
    {{"-style", "fusion"}, false, CommandLine::Run, ""},
};

TEST(CommandLine, EachArgumentAsTheUsageSays) {
    for (const LineCase& c : kLines) {
        std::string all;
        for (const std::string& a : c.args)
            all += a + " ";
        const CommandLine cl = parse_command_line(c.args, c.strict);
        EXPECT_EQ(cl.action, c.action) << all;
        EXPECT_EQ(cl.traceFile, c.traceFile) << all;
        EXPECT_EQ(cl.error.empty(), c.action != CommandLine::Wrong) << all;
    }
    EXPECT_EQ(parse_command_line({"-x"}).error, "unknown argument -x");
    EXPECT_EQ(std::string(version_text()).rfind("k964 ", 0), 0u);
    EXPECT_NE(std::string(kUsage).find("--trace FILE"), std::string::npos);
}

} // namespace
