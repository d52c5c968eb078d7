#include "certificate/certificate_pdf.h"

#include "certificate/certificate_document.h"
#include "platform/qt/whole_file.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>

QByteArray certificate_pdf(const CalibrationEntry& entry, const QString& issued) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
        pdf.setResolution(300);
        pdf.setTitle(QStringLiteral("Calibration certificate"));
        pdf.setCreator(QStringLiteral("k964"));
        // Without margins of its own the document prints with 2 cm on every
        // side and the page number below.
        certificate_document(entry, issued)->print(&pdf);
    }
    return bytes;
}

QString save_certificate(const CalibrationEntry& entry, const QString& issued,
                         const QString& path) {
    const QByteArray bytes = certificate_pdf(entry, issued);
    if (!bytes.startsWith("%PDF-"))
        return QStringLiteral("the PDF could not be made");
    return writeWholeFile(path, bytes);
}
