// The program's own options, and Qt's passed over, before Qt starts.
#include "addons/command_line.h"

#include <gtest/gtest.h>

namespace {

struct LineCase {
    std::vector<std::string> args;
    CommandLine::Action action;
    const char* traceFile;
};

const LineCase kLines[] = {
    {{}, CommandLine::Run, ""},
    {{"--trace", "t.txt"}, CommandLine::Run, "t.txt"},
    {{"--trace=t.txt"}, CommandLine::Run, "t.txt"},
    {{"--trace", "--help"}, CommandLine::Run, "--help"},
    {{"--help"}, CommandLine::Help, ""},
    {{"--version", "--help"}, CommandLine::Version, ""},
    {{"--trace"}, CommandLine::Wrong, ""},
    {{"--trace="}, CommandLine::Wrong, ""},
    {{"-h"}, CommandLine::Wrong, ""},
    {{"--trace", "t", "extra"}, CommandLine::Wrong, "t"},
    {{"COM1"}, CommandLine::Wrong, ""},
    {{"--bogus", "--help"}, CommandLine::Wrong, ""},
    // Qt's own options pass with their values, for Qt to take.
    {{"-platform", "offscreen", "--help"}, CommandLine::Help, ""},
    {{"--platform", "offscreen", "--trace", "t"}, CommandLine::Run, "t"},
    {{"-style", "fusion"}, CommandLine::Run, ""},
    {{"--style=fusion", "-reverse", "-qwindowtitle", "K 964"}, CommandLine::Run, ""},
    {{"-style", "--help"}, CommandLine::Run, ""},
    {{"-platform", "offscreen", "COM1"}, CommandLine::Wrong, ""},
    {{"-platform=offscreen"}, CommandLine::Wrong, ""},
    {{"-reverse=1"}, CommandLine::Wrong, ""},
    {{"--trace", "t", "-display"}, CommandLine::Wrong, "t"},
    // The bench's read and compare: a port and one file each.
    {{"--port", "3", "--read", "a.json", "--tag", "B 3"}, CommandLine::Read, ""},
    {{"--compare=a.json", "--port=12", "--trace", "t"}, CommandLine::Compare, "t"},
    {{"--read", "a.json"}, CommandLine::Wrong, ""},
    {{"--port", "0", "--read", "a.json"}, CommandLine::Wrong, ""},
    {{"--port", "1x", "--compare", "a.json"}, CommandLine::Wrong, ""},
    {{"--port", "1"}, CommandLine::Wrong, ""},
    {{"--port", "1", "--read", "a.json", "--compare", "b.json"}, CommandLine::Wrong, ""},
    {{"--port", "1", "--compare", "a.json", "--tag", "x"}, CommandLine::Wrong, ""},
    {{"--port", "1", "--read"}, CommandLine::Wrong, ""},
};

TEST(CommandLine, EachArgumentAsTheUsageSays) {
    for (const LineCase& c : kLines) {
        std::string all;
        for (const std::string& a : c.args)
            all += a + " ";
        const CommandLine cl = parse_command_line(c.args);
        EXPECT_EQ(cl.action, c.action) << all;
        EXPECT_EQ(cl.traceFile, c.traceFile) << all;
        EXPECT_EQ(cl.error.empty(), c.action != CommandLine::Wrong) << all;
    }
    EXPECT_EQ(parse_command_line({"-x"}).error, "unknown argument -x");
    EXPECT_EQ(parse_command_line({"-style"}).error, "-style needs a value");
    const CommandLine read =
        parse_command_line({"--port", "3", "--read", "a.json", "--tag", "B 3"});
    EXPECT_EQ(read.port, 3);
    EXPECT_EQ(read.profileFile, "a.json");
    EXPECT_EQ(read.tag, "B 3");
    EXPECT_EQ(std::string(version_text()).rfind("k964 ", 0), 0u);
    EXPECT_NE(std::string(kUsage).find("--trace FILE"), std::string::npos);
}

} // namespace
