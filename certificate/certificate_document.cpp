#include "certificate/certificate_document.h"

#include "platform/visible.h"

#include <QFont>
#include <QTextDocument>

#include <cmath>

namespace {

const QString kNotRead = QStringLiteral("not read");
const QString kNotGiven = QStringLiteral("not given");

QString escaped(const std::string& s) {
    return QString::fromUtf8(s.c_str()).toHtmlEscaped();
}

// What the technician entered, or that nothing was.
QString entered(const std::string& s) {
    return s.empty() ? QStringLiteral("<i>%1</i>").arg(kNotGiven) : escaped(s);
}

QString missing(const QString& why) {
    return QStringLiteral("<i>%1</i>").arg(why);
}

// "2026-12-09T10:32:05" as a person writes it.
QString when(const std::string& iso) {
    if (iso.empty())
        return missing(kNotRead);
    QString s = escaped(iso);
    s.replace(QLatin1Char('T'), QLatin1Char(' '));
    return s;
}

// The shortest text that reads back as the same number; a point as decimal
// separator whatever the locale.
QString number(double v) {
    return QString::number(v, 'g', 10);
}

QString withUnit(const std::optional<double>& v, const std::string& unit) {
    if (!v)
        return missing(kNotRead);
    if (unit.empty())
        return number(*v) + QStringLiteral(" <i>(unit not read)</i>");
    return number(*v) + QStringLiteral("&nbsp;") + escaped(unit);
}

// As the transmitter takes a constant: three decimals, two-digit exponent.
QString constant(const std::optional<double>& v) {
    return v ? QString::number(*v, 'e', 3) : missing(kNotRead);
}

QString stability(const CalibrationReading& r) {
    if (!r.taken())
        return missing(kNotRead);
    if (!r.stable)
        return QStringLiteral("not stable");
    if (!r.spread)
        return QStringLiteral("stable");
    return QStringLiteral("stable &plusmn;&nbsp;%1").arg(withUnit(r.spread, r.unit));
}

// A row: its name, then a cell for each value.
QString row(const QString& name, const QStringList& values) {
    QString cells;
    for (const QString& v : values)
        cells += QStringLiteral("<td>%1</td>").arg(v);
    return QStringLiteral("<tr><th align=\"left\" width=\"32%\">%1</th>%2</tr>").arg(name, cells);
}

QString row(const QString& name, const QString& value) {
    return row(name, QStringList{value});
}

QString table(const QString& rows) {
    return QStringLiteral("<table width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"4\" "
                          "style=\"border-collapse: collapse; border-color: #8a8a8a;\">%1</table>")
        .arg(rows);
}

QString heading(const QString& text) {
    return QStringLiteral("<h3 style=\"margin-top: 10px; margin-bottom: 3px;\">%1</h3>").arg(text);
}

QString change(const std::optional<double>& before, const std::optional<double>& after) {
    if (!before || !after)
        return missing(QStringLiteral("not known"));
    if (*before == 0.0)
        return *after == 0.0 ? QStringLiteral("none") : missing(QStringLiteral("from 0"));
    const double percent = (*after - *before) / std::fabs(*before) * 100.0;
    return QString::number(percent, 'f', 2).prepend(percent >= 0.0 ? QStringLiteral("+") : "") +
           QStringLiteral("&nbsp;%");
}

QString readings(const CalibrationEntry& e) {
    const CalibrationReading& f = e.asFound;
    const CalibrationReading& l = e.asLeft;
    auto line = [](const QString& name, const QString& found, const QString& left) {
        return row(name, {found, left});
    };
    return table(
        QStringLiteral("<tr><th></th><th align=\"left\">As found</th>"
                       "<th align=\"left\">As left</th></tr>") +
        line(QStringLiteral("Taken at"), when(f.at), when(l.at)) +
        line(QStringLiteral("Main value"), withUnit(f.value, f.unit), withUnit(l.value, l.unit)) +
        line(QStringLiteral("Calibration voltage u1"), withUnit(f.u1, "mV"), withUnit(l.u1, "mV")) +
        line(QStringLiteral("Stability"), stability(f), stability(l)));
}

QString constants(const CalibrationEntry& e) {
    static const char* const kNames[] = {"Constant 8", "Constant 9", "Constant 0"};
    QString rows =
        QStringLiteral("<tr><th></th><th align=\"left\">Before</th>"
                       "<th align=\"left\">After</th><th align=\"left\">Change</th></tr>");
    for (std::size_t i = 0; i < e.before.size(); ++i) {
        rows += row(QLatin1String(kNames[i]),
                    {constant(e.before[i]), constant(e.after[i]), change(e.before[i], e.after[i])});
    }
    return table(rows);
}

QString result(const CalibrationEntry& e) {
    const bool good = e.outcome == CalibrationOutcome::Accepted;
    QString rows =
        row(QStringLiteral("Tolerance"),
            QStringLiteral("&plusmn;&nbsp;%1&nbsp;% of the as-found constants")
                .arg(number(e.tolerancePercent))) +
        row(QStringLiteral("Result"),
            QStringLiteral("<b style=\"color: %1;\">%2</b>")
                .arg(good ? QStringLiteral("#17692f") : QStringLiteral("#a31515"),
                     certificate_outcome(e.outcome).toHtmlEscaped())) +
        row(QStringLiteral("Constants moved"),
            e.beyondTolerance
                ? QStringLiteral("<b>beyond tolerance</b>") +
                      (good ? QStringLiteral(", kept after a second confirmation") : QString())
                : QStringLiteral("within tolerance")) +
        row(QStringLiteral("As found taken"),
            e.wentOnUnstable ? QStringLiteral("<b>went on before stable</b>, after a warning")
                             : QStringLiteral("once stable"));
    if (!e.note.empty())
        rows += row(QStringLiteral("Note"), escaped(e.note));
    return table(rows);
}

} // namespace

QString certificate_kind(CalibrationKind kind) {
    return kind == CalibrationKind::Zero ? QStringLiteral("zero calibration")
                                         : QStringLiteral("span calibration");
}

QString certificate_outcome(CalibrationOutcome outcome) {
    switch (outcome) {
    case CalibrationOutcome::Accepted:
        return QStringLiteral("Accepted");
    case CalibrationOutcome::Rejected:
        return QStringLiteral("Rejected by the technician");
    case CalibrationOutcome::Cancelled:
        return QStringLiteral("Cancelled after the command was sent");
    case CalibrationOutcome::Failed:
        break;
    }
    return QStringLiteral("Failed");
}

QString certificate_html(const CalibrationEntry& e, const QString& issued) {
    QString kind = certificate_kind(e.kind);
    kind[0] = kind[0].toUpper();
    const QString device = e.device.empty() ? missing(kNotRead) : escaped(visible_bytes(e.device));
    QString html = QStringLiteral("<html><body>");
    html += QStringLiteral("<h1 style=\"margin-bottom: 0px;\">Calibration certificate</h1>"
                           "<p style=\"font-size: large; margin-top: 2px;\">K964 oxygen "
                           "transmitter &ndash; %1</p>")
                .arg(kind);
    html +=
        heading(QStringLiteral("Transmitter")) +
        table(row(QStringLiteral("Site or tag"), entered(e.tag)) +
              row(QStringLiteral("Transmitter (VV reply)"), device) +
              row(QStringLiteral("Port"), e.port.empty() ? missing(kNotRead) : escaped(e.port)));
    html +=
        heading(QStringLiteral("Calibration")) +
        table(row(QStringLiteral("Kind"), kind) + row(QStringLiteral("Started"), when(e.started)) +
              row(QStringLiteral("Finished"), when(e.finished)) +
              row(QStringLiteral("Technician"), entered(e.technician)) +
              row(QStringLiteral("History entry"), QString::number(e.id)));
    const QString concentration =
        e.gas.concentration.empty()
            ? missing(kNotGiven)
            : escaped(e.gas.concentration) +
                  (e.gas.unit.empty() ? QString() : QStringLiteral("&nbsp;") + escaped(e.gas.unit));
    html += heading(QStringLiteral("Test gas")) +
            table(row(QStringLiteral("Concentration"), concentration) +
                  row(QStringLiteral("Cylinder or lot"), entered(e.gas.lot)) +
                  row(QStringLiteral("Expiry"), entered(e.gas.expiry)));
    html += heading(QStringLiteral("Readings")) + readings(e);
    html += heading(QStringLiteral("Calibration constants")) + constants(e);
    html += heading(QStringLiteral("Tolerance and result")) + result(e);
    html += QStringLiteral("<p style=\"margin-top: 10px;\">Calibrated with %1; certificate printed "
                           "%2.</p>")
                .arg(e.program.empty() ? QStringLiteral("k964, version not recorded")
                                       : escaped(e.program),
                     issued.toHtmlEscaped());
    // One row, so that a page never comes between the lines and their names.
    const QString line = QStringLiteral("<td width=\"%1%\">%2<br/>%3<br/>%4</td>");
    html +=
        QStringLiteral("<table width=\"100%\" cellspacing=\"0\" cellpadding=\"4\" "
                       "style=\"margin-top: 24px;\"><tr>%1%2%3</tr></table>")
            .arg(line.arg(QStringLiteral("36"), escaped(e.technician),
                          QStringLiteral("______________________________"), QStringLiteral("Name")),
                 line.arg(QStringLiteral("24"), QString(), QStringLiteral("________________"),
                          QStringLiteral("Date")),
                 line.arg(QStringLiteral("40"), QString(),
                          QStringLiteral("______________________________"),
                          QStringLiteral("Signature")));
    html += QStringLiteral("</body></html>");
    return html;
}

std::unique_ptr<QTextDocument> certificate_document(const CalibrationEntry& entry,
                                                    const QString& issued) {
    auto doc = std::make_unique<QTextDocument>();
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(9.5);
    doc->setDefaultFont(font);
    doc->setDocumentMargin(0);
    doc->setHtml(certificate_html(entry, issued));
    return doc;
}
