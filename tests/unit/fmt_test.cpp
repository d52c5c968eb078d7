// Commands as they go on the wire, and numbers as they come out of replies.
#include "platform/fmt.h"

#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cmath>
#include <string>

namespace {

struct RealCase {
    int index;
    double value;
    const char* wire;
};

class RealCommand : public ::testing::TestWithParam<RealCase> {};

TEST_P(RealCommand, IsScientificWithThreeDecimalsAndTwoExponentDigits) {
    char out[50];
    Fmt(out, "D%d%f[e2p3]%c", GetParam().index, GetParam().value, 13);
    EXPECT_EQ(std::string(out), GetParam().wire);
}

INSTANTIATE_TEST_SUITE_P(
    Values, RealCommand,
    ::testing::Values(RealCase{1, 20.9, "D12.090e+01\r"}, RealCase{2, -0.0004, "D2-4.000e-04\r"},
                      RealCase{3, 0.05, "D35.000e-02\r"}, RealCase{1, -1.5, "D1-1.500e+00\r"},
                      RealCase{1, 0.0, "D10.000e+00\r"}, RealCase{1, -0.0, "D10.000e+00\r"},
                      RealCase{2, 9.9996, "D21.000e+01\r"}, RealCase{8, 1.0, "D81.000e+00\r"},
                      RealCase{0, 0.0537, "D05.370e-02\r"}, RealCase{9, 123456.0, "D91.235e+05\r"},
                      RealCase{1, 1e100, "D11.000e+100\r"}, RealCase{3, 2.5e-7, "D32.500e-07\r"}));

struct IntCase {
    int value;
    const char* wire;
};

class WordCommand : public ::testing::TestWithParam<IntCase> {};

TEST_P(WordCommand, IsPlainDecimal) {
    char out[50];
    Fmt(out, "S0%d%c", GetParam().value, 13);
    EXPECT_EQ(std::string(out), GetParam().wire);
}

INSTANTIATE_TEST_SUITE_P(Values, WordCommand,
                         ::testing::Values(IntCase{52, "S052\r"}, IntCase{0, "S00\r"},
                                           IntCase{-1, "S0-1\r"}, IntCase{212, "S0212\r"},
                                           IntCase{INT_MAX, "S02147483647\r"},
                                           IntCase{INT_MIN, "S0-2147483648\r"}));

TEST(Fmt, EveryFixedCommand) {
    char out[50];
    Fmt(out, "VV%c", 13);
    EXPECT_STREQ(out, "VV\r");
    Fmt(out, "u%d%c", 9, 13);
    EXPECT_STREQ(out, "u9\r");
    Fmt(out, "m2%c", 13);
    EXPECT_STREQ(out, "m2\r");
    Fmt(out, "s%d%c", 3, 13);
    EXPECT_STREQ(out, "s3\r");
    Fmt(out, "t12%c", 13);
    EXPECT_STREQ(out, "t12\r");
    Fmt(out, "d%d%c", 0, 13);
    EXPECT_STREQ(out, "d0\r");
    Fmt(out, "S8%d%c", 7, 13);
    EXPECT_STREQ(out, "S87\r");
    Fmt(out, "S!S!%c", 13);
    EXPECT_STREQ(out, "S!S!\r");
    Fmt(out, "D?D?%c", 13);
    EXPECT_STREQ(out, "D?D?\r");
    Fmt(out, "D!D!%c", 13);
    EXPECT_STREQ(out, "D!D!\r");
}

TEST(Fmt, ReplacesTheWholeBufferAndCutsAtItsSize) {
    char out[50];
    Fmt(out, "D%d%f[e2p3]%c", 1, 20.9, 13);
    Fmt(out, "s%d%c", 1, 13);
    EXPECT_STREQ(out, "s1\r");
    char small[6];
    int n = Fmt(small, "D%d%f[e2p3]%c", 1, 20.9, 13);
    EXPECT_EQ(n, 5);
    EXPECT_STREQ(small, "D12.0");
}

TEST(Fmt, IgnoresTheDesktopLocale) {
    const char* german = std::setlocale(LC_ALL, "de_DE.UTF-8");
    if (!german)
        german = std::setlocale(LC_ALL, "de_DE");
    char out[50];
    Fmt(out, "D%d%f[e2p3]%c", 1, 20.9, 13);
    std::setlocale(LC_ALL, "C");
    EXPECT_STREQ(out, "D12.090e+01\r");
}

struct IntScan {
    const char* text;
    int filled;
    int value; // expected when filled, else the target stays at -77
};

class ScanInt : public ::testing::TestWithParam<IntScan> {};

TEST_P(ScanInt, ReadsOnlyALeadingInteger) {
    int v = -77;
    EXPECT_EQ(Scan(GetParam().text, "%d", &v), GetParam().filled) << GetParam().text;
    EXPECT_EQ(v, GetParam().filled ? GetParam().value : -77) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ScanInt,
    ::testing::Values(IntScan{"52", 1, 52}, IntScan{" -7", 1, -7}, IntScan{"+3", 1, 3},
                      IntScan{"\t 12abc", 1, 12}, IntScan{"1e5", 1, 1}, IntScan{"0x1A", 1, 0},
                      IntScan{"abc", 0, 0}, IntScan{"", 0, 0}, IntScan{"-", 0, 0},
                      IntScan{"- 5", 0, 0}, IntScan{"2147483647", 1, INT_MAX},
                      IntScan{"-2147483648", 1, INT_MIN}, IntScan{"2147483648", 0, 0},
                      IntScan{"99999999999999999999999", 0, 0},
                      IntScan{"\xff"
                              "5",
                              0, 0}));

struct RealScan {
    const char* text;
    int filled;
    double value;
};

class ScanReal : public ::testing::TestWithParam<RealScan> {};

TEST_P(ScanReal, FollowsTheReplyGrammar) {
    double v = -77.0;
    EXPECT_EQ(Scan(GetParam().text, "%f", &v), GetParam().filled) << GetParam().text;
    EXPECT_DOUBLE_EQ(v, GetParam().filled ? GetParam().value : -77.0) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ScanReal,
    ::testing::Values(RealScan{"2.090e+01", 1, 20.9}, RealScan{" -4.000e-04", 1, -0.0004},
                      RealScan{"+3.5E2", 1, 350.0}, RealScan{"5", 1, 5.0}, RealScan{".5", 1, 0.5},
                      RealScan{"5.", 1, 5.0}, RealScan{"1e", 1, 1.0}, RealScan{"1e+", 1, 1.0},
                      RealScan{"1.5 OK", 1, 1.5}, RealScan{"1,5", 1, 1.0},
                      RealScan{"0x1p3", 1, 0.0}, RealScan{"1e-999", 1, 0.0},
                      RealScan{"inf", 0, 0.0}, RealScan{"nan", 0, 0.0}, RealScan{"NaN", 0, 0.0},
                      RealScan{"-", 0, 0.0}, RealScan{".", 0, 0.0}, RealScan{"e5", 0, 0.0},
                      RealScan{"", 0, 0.0}, RealScan{"1e999", 0, 0.0}));

TEST(Scan, TwoRealsFillInOrderAndStopAtTheFirstMissing) {
    double a = -1, b = -1;
    EXPECT_EQ(Scan("1.5 2.5", "%f%f", &a, &b), 2);
    EXPECT_DOUBLE_EQ(a, 1.5);
    EXPECT_DOUBLE_EQ(b, 2.5);
    a = b = -1;
    EXPECT_EQ(Scan("7.5", "%f%f", &a, &b), 1);
    EXPECT_DOUBLE_EQ(a, 7.5);
    EXPECT_DOUBLE_EQ(b, -1);
    a = b = -1;
    EXPECT_EQ(Scan("x 2", "%f%f", &a, &b), 0);
    EXPECT_DOUBLE_EQ(a, -1);
    EXPECT_DOUBLE_EQ(b, -1);
    EXPECT_EQ(Scan("1.5x2", "%f%f", &a, &b), 1);
    EXPECT_DOUBLE_EQ(b, -1);
}

TEST(Scan, StopsAtTheFirstZero) {
    char reply[50] = {'u', '\0', '1', '2'};
    double v = -1;
    EXPECT_EQ(Scan(reply + 1, "%f", &v), 0);
    EXPECT_DOUBLE_EQ(v, -1);
}

TEST(ParseReal, TakesAWholeNumberOnly) {
    double v = 0;
    EXPECT_TRUE(ParseReal(" 0.0537 ", &v));
    EXPECT_DOUBLE_EQ(v, 0.0537);
    EXPECT_FALSE(ParseReal("1.5x", &v));
    EXPECT_FALSE(ParseReal("", &v));
    EXPECT_FALSE(ParseReal("inf", &v));
    EXPECT_DOUBLE_EQ(v, 0.0537);
}

} // namespace
