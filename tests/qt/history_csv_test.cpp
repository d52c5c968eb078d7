// The history as CSV: RFC 4180 quoting, a point as decimal separator, an
// empty field for a value not read, no formula a spreadsheet would run.
#include "certificate/history_csv.h"

#include <algorithm>
#include <clocale>
#include <gtest/gtest.h>

namespace {

TEST(HistoryCsv, QuotingOfTexts) {
    struct Row {
        const char* text;
        const char* field;
    };
    const Row rows[] = {
        {"A. Meier", "A. Meier"},
        {"", ""},
        {"Meier, A.", "\"Meier, A.\""},
        {"Line 3 \"north\"", "\"Line 3 \"\"north\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {"cr\r\nlf", "\"cr\r\nlf\""},
        {"=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\""},
        {"+1", "'+1"},
        {"-5", "'-5"},
        {"@SUM(A1)", "'@SUM(A1)"},
        {"a-b", "a-b"},
        {"\u00c4rger \u2013 ppm", "\u00c4rger \u2013 ppm"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(csv_text(r.text), r.field) << r.text;
}

TEST(HistoryCsv, OneRowPerEntryWithEveryField) {
    std::setlocale(LC_ALL, "de_DE.UTF-8"); // a comma as decimal separator, where installed
    CalibrationEntry e;
    e.id = 12;
    e.kind = CalibrationKind::Span;
    e.started = "2026-12-09T10:32:05";
    e.finished = "2026-12-09T10:36:40";
    e.technician = "Meier, A.";
    e.tag = "T-1";
    e.gas = {"20.9", "ppm", "L1", "2027-06-30"};
    e.asFound = {"2026-12-09T10:34:00", 20.93, "ppm", 12.5, true, 0.004};
    e.before = {1.0, 25.0, std::nullopt};
    e.after = {1.012, 25.0, 3.25e-7};
    e.tolerancePercent = 2.5;
    e.wentOnUnstable = true;
    e.outcome = CalibrationOutcome::Accepted;
    e.program = "3.0";
    const std::string csv = history_csv({e});
    std::setlocale(LC_ALL, "C");
    ASSERT_EQ(csv.rfind("\xEF\xBB\xBFid,kind,started,", 0), 0u);
    const std::size_t end = csv.find("\r\n");
    ASSERT_NE(end, std::string::npos);
    const std::string row = csv.substr(end + 2);
    EXPECT_EQ(row, "12,span,2026-12-09T10:32:05,2026-12-09T10:36:40,\"Meier, A.\",T-1,,,20.9,ppm,"
                   "L1,2027-06-30,2026-12-09T10:34:00,20.93,ppm,12.5,yes,0.004,,,,,,,1,25,,1.012,"
                   "25,3.25e-07,2.5,no,yes,accepted,,3.0\r\n");
    const std::size_t header = std::count(csv.begin(), csv.begin() + end, ',');
    EXPECT_EQ(std::count(row.begin(), row.end(), ','), static_cast<long>(header) + 1)
        << "as many fields as the header, and the comma in the technician's quotes";
    EXPECT_EQ(history_csv({}).size(), end + 2) << "the header alone";
}

} // namespace
