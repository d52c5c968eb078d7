// The calibration certificate of one history entry: what a customer is
// handed after a zero or span calibration. The document is HTML of the
// subset QTextDocument knows, so that it prints to PDF as it is shown.
#pragma once

#include "history/calibration_entry.h"

#include <QString>
#include <memory>

class QTextDocument;

// The certificate's HTML. `issued`: when it is printed, "2026-12-09 10:40".
QString certificate_html(const CalibrationEntry& entry, const QString& issued);

// The certificate laid out for an A4 page.
std::unique_ptr<QTextDocument> certificate_document(const CalibrationEntry& entry,
                                                    const QString& issued);

// "zero calibration", "span calibration".
QString certificate_kind(CalibrationKind kind);
// What the calibration came to, in words: "Accepted", "Rejected by the
// technician", ...
QString certificate_outcome(CalibrationOutcome outcome);
