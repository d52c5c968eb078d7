// The calibration certificate: every field in its table row, with units,
// "not read" where nothing was read (never a 0), the result in words; the
// PDF written whole on A4 in one or two pages, or not at all and why.
#include "certificate/certificate_document.h"
#include "certificate/certificate_pdf.h"
#include "tests/support/full_disk.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <functional>
#include <gtest/gtest.h>

namespace {

CalibrationEntry span_entry() {
    CalibrationEntry e;
    e.id = 7;
    e.kind = CalibrationKind::Span;
    e.started = "2026-12-09T10:32:05";
    e.finished = "2026-12-09T10:36:40";
    e.technician = "A. Meier";
    e.tag = "Line 3, \"north\" <&>";
    e.device = "K964 V3.1\x01";
    e.port = "COM1 -> /dev/ttyUSB0";
    e.gas = {"20.9", "ppm", "LOT-4711", "2027-06-30"};
    e.asFound = {"2026-12-09T10:34:00", 20.93, "ppm", 12.5, true, 0.004};
    e.asLeft = {"2026-12-09T10:36:30", 20.9, "ppm", 12.49, true, 0.003};
    e.before = {1.0, 25.0, 3.0};
    e.after = {1.012, 25.0, 3.0};
    e.tolerancePercent = 5.0;
    e.outcome = CalibrationOutcome::Accepted;
    e.program = "k964 3.0"; // as the program records itself
    return e;
}

// Every row of every table in the document, its cells joined by " | ".
QStringList table_rows(QTextDocument& doc) {
    QStringList rows;
    for (QTextFrame* frame : doc.rootFrame()->childFrames()) {
        auto* table = qobject_cast<QTextTable*>(frame);
        for (int r = 0; table && r < table->rows(); ++r) {
            QStringList cells;
            for (int c = 0; c < table->columns(); ++c) {
                QTextTableCell cell = table->cellAt(r, c);
                QTextCursor cursor = cell.firstCursorPosition();
                cursor.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
                cells << cursor.selectedText().replace(QChar(0xa0), QLatin1Char(' '));
            }
            rows << cells.join(QStringLiteral(" | "));
        }
    }
    return rows;
}

struct Case {
    const char* name;
    std::function<void(CalibrationEntry&)> change;
    std::vector<const char*> rows;
};

const Case kCases[] = {
    {"accepted_span",
     [](CalibrationEntry&) {},
     {"Site or tag | Line 3, \"north\" <&>",
      "Transmitter (VV reply) | K964 V3.1\\x01",
      "Port | COM1 -> /dev/ttyUSB0",
      "Kind | Span calibration",
      "Started | 2026-12-09 10:32:05",
      "Finished | 2026-12-09 10:36:40",
      "Technician | A. Meier",
      "Concentration | 20.9 ppm",
      "Cylinder or lot | LOT-4711",
      "Expiry | 2027-06-30",
      " | As found | As left",
      "Taken at | 2026-12-09 10:34:00 | 2026-12-09 10:36:30",
      "Main value | 20.93 ppm | 20.9 ppm",
      "Calibration voltage u1 | 12.5 mV | 12.49 mV",
      "Stability | stable \u00b1 0.004 ppm | stable \u00b1 0.003 ppm",
      "Constant 8 | 1.000e+00 | 1.012e+00 | +1.20 %",
      "Constant 9 | 2.500e+01 | 2.500e+01 | +0.00 %",
      "Tolerance | \u00b1 5 % of the as-found constants",
      "Result | Accepted",
      "Constants moved | within tolerance",
      "As found taken | once stable",
      "History entry | 7",
      "A. Meier\u2028______________________________\u2028Name | \u2028________________\u2028Date | "
      "\u2028______________________________\u2028Signature"}},
    {"nothing_read",
     [](CalibrationEntry& e) {
         e.asLeft = {};
         e.before[2].reset();
         e.after[0].reset();
         e.device.clear();
         e.technician.clear();
         e.gas = {};
     },
     {"Transmitter (VV reply) | not read", "Technician | not given", "Concentration | not given",
      "Expiry | not given", "Taken at | 2026-12-09 10:34:00 | not read",
      "Main value | 20.93 ppm | not read", "Calibration voltage u1 | 12.5 mV | not read",
      "Stability | stable \u00b1 0.004 ppm | not read",
      "Constant 8 | 1.000e+00 | not read | not known",
      "Constant 0 | not read | 3.000e+00 | not known"}},
    {"zero_unit_not_read",
     [](CalibrationEntry& e) {
         e.kind = CalibrationKind::Zero;
         e.asFound.unit.clear();
         e.asFound.value = 0.0;
         e.before[0] = 0.0;
         e.after[0] = 0.5;
     },
     {"Kind | Zero calibration", "Main value | 0 (unit not read) | 20.9 ppm",
      "Constant 8 | 0.000e+00 | 5.000e-01 | from 0"}},
    {"rejected_beyond_tolerance",
     [](CalibrationEntry& e) {
         e.outcome = CalibrationOutcome::Rejected;
         e.beyondTolerance = true;
         e.after[1] = 20.0;
     },
     {"Result | Rejected by the technician", "Constants moved | beyond tolerance",
      "Constant 9 | 2.500e+01 | 2.000e+01 | -20.00 %"}},
    {"kept_beyond_tolerance_unstable",
     [](CalibrationEntry& e) {
         e.beyondTolerance = true;
         e.wentOnUnstable = true;
         e.asFound.stable = false;
         e.note = "went on before stable after a warning";
     },
     {"Constants moved | beyond tolerance, kept after a second confirmation",
      "As found taken | went on before stable, after a warning",
      "Stability | not stable | stable \u00b1 0.003 ppm",
      "Note | went on before stable after a warning"}},
    {"cancelled",
     [](CalibrationEntry& e) { e.outcome = CalibrationOutcome::Cancelled; },
     {"Result | Cancelled after the command was sent"}},
    {"failed",
     [](CalibrationEntry& e) {
         e.outcome = CalibrationOutcome::Failed;
         e.note = "NO CONNECT";
     },
     {"Result | Failed", "Note | NO CONNECT"}},
};

class CertificateText : public ::testing::TestWithParam<Case> {};

TEST_P(CertificateText, EveryFieldInItsRow) {
    CalibrationEntry e = span_entry();
    GetParam().change(e);
    auto doc = certificate_document(e, QStringLiteral("2026-12-10 08:00"));
    const QStringList rows = table_rows(*doc);
    for (const char* row : GetParam().rows)
        EXPECT_TRUE(rows.contains(QString::fromUtf8(row))) << row << "\nin:\n"
                                                           << rows.join('\n').toStdString();
    const QString text = doc->toPlainText();
    EXPECT_TRUE(text.contains("Calibration certificate"));
    EXPECT_TRUE(text.contains("Calibrated with k964 3.0; certificate printed 2026-12-10 08:00."));
    EXPECT_FALSE(certificate_html(e, {}).contains("<&>")) << "entered text is escaped";
}

INSTANTIATE_TEST_SUITE_P(Entries, CertificateText, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The PDF on A4, one or two pages; a folder that does not exist or a full
// disk gives the reason and leaves no file.
TEST(CertificatePdf, WrittenWholeOrNotAtAll) {
    QTemporaryDir temp;
    FullDisk full;
    const CalibrationEntry e = span_entry();
    const QString good = temp.filePath("certificate.pdf");
    ASSERT_EQ(save_certificate(e, "2026-12-10 08:00", good), QString());
    QFile file(good);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray pdf = file.readAll();
    EXPECT_TRUE(pdf.startsWith("%PDF-1."));
    EXPECT_TRUE(pdf.trimmed().endsWith("%%EOF"));
    const qsizetype pages = pdf.count("/Type /Page\n") + pdf.count("/Type /Page\r");
    EXPECT_GE(pages, 1);
    EXPECT_LE(pages, 2);
    EXPECT_TRUE(pdf.contains("/MediaBox [0 0 595")) << "A4";

    const QString missing = temp.filePath("no/such/folder/certificate.pdf");
    EXPECT_FALSE(save_certificate(e, {}, missing).isEmpty());
    EXPECT_FALSE(QFile::exists(missing));
    if (!full.mounted())
        GTEST_SKIP() << "a full disk needs root to mount";
    const QString onFull = QString::fromStdString(full.path()) + "/certificate.pdf";
    EXPECT_FALSE(save_certificate(e, {}, onFull).isEmpty());
    EXPECT_EQ(full.others(), 0) << "no file left behind";
}

} // namespace
