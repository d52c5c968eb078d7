// The certificate as a PDF file on A4, written whole or not at all.
#pragma once

#include "history/calibration_entry.h"

#include <QByteArray>
#include <QString>

// The PDF's bytes.
QByteArray certificate_pdf(const CalibrationEntry& entry, const QString& issued);

// Writes the certificate to `path`; the reason it could not be written,
// empty when it was.
QString save_certificate(const CalibrationEntry& entry, const QString& issued, const QString& path);
