// Service -> Calibration history as a technician uses it: the list newest
// first, by tag and by date, with the keyboard; the drift of the chosen
// tag's constants; its certificate and the CSV written, or the reason not.
#include "history/drift_view.h"
#include "history/history_window.h"
#include "trend/trend_plot.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

CalibrationEntry entry(std::int64_t id, const char* tag, const char* started, double c8) {
    CalibrationEntry e;
    e.id = id;
    e.tag = tag;
    e.started = started;
    e.finished = started;
    e.technician = "A. Meier";
    e.before = {c8 - 0.01, 25.0, 3.0};
    e.after = {c8, 25.0, std::nullopt};
    e.outcome = CalibrationOutcome::Accepted;
    return e;
}

TEST(HistoryWindow, ListsFiltersPlotsAndWrites) {
    const std::vector<CalibrationEntry> all = {
        entry(4, "T-1", "2026-12-09T10:32:05", 1.03),
        entry(3, "Boiler, \"B\"", "2026-11-20T08:00:00", 2.0),
        entry(2, "T-1", "2026-10-01T09:15:00", 1.02),
        entry(1, "T-1", "2026-06-02T14:00:00", 1.01),
    };
    std::vector<std::string> asked;
    HistoryWindow window([&](const std::string& tag) {
        asked.push_back(tag);
        std::vector<CalibrationEntry> out;
        for (const CalibrationEntry& e : all) {
            if (tag.empty() || e.tag == tag)
                out.push_back(e);
        }
        return out;
    });
    QTemporaryDir temp;
    QString where, offered;
    window.setFileChooser([&](const QString&, const QString& suggested, const QString&) {
        EXPECT_TRUE(suggested.endsWith(".pdf") || suggested.endsWith(".csv"))
            << suggested.toStdString();
        offered = suggested;
        return where;
    });
    // The folder of the last file written is offered next, and kept.
    std::vector<QString> kept;
    bool keeps = true;
    window.setFolder("/last/run", [&](const QString& folder) {
        kept.push_back(folder);
        return keeps;
    });
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_LE(window.frameGeometry().width(), 1280);
    EXPECT_LE(window.frameGeometry().height(), 800);
    EXPECT_LE(window.minimumSizeHint().width(), 1280);
    EXPECT_LE(window.minimumSizeHint().height(), 760);
    for (QWidget* w : window.findChildren<QWidget*>()) {
        auto* button = qobject_cast<QAbstractButton*>(w);
        // A date field's own line edit is heard as the field.
        if (w->focusPolicy() & Qt::TabFocus && w->isVisible() &&
            !qobject_cast<QDateEdit*>(w->parentWidget())) {
            EXPECT_FALSE(w->accessibleName().isEmpty() && (!button || button->text().isEmpty()))
                << w->metaObject()->className();
        }
    }

    // Every tag, newest first; the drift waits for a tag.
    ASSERT_EQ(window.model().rowCount(), 4);
    EXPECT_EQ(window.model().entry(0)->id, 4);
    EXPECT_EQ(window.model().entry(3)->id, 1);
    EXPECT_EQ(window.model().index(0, HistoryModel::Started).data().toString(),
              "2026-12-09 10:32:05");
    EXPECT_EQ(window.drift()->trend(0).size(), 0u);
    auto* tags = window.findChild<QComboBox*>();
    ASSERT_NE(tags, nullptr);
    EXPECT_EQ(tags->count(), 3); // all, and the two tags

    // By keyboard: the tag chosen in its list, then down the calibrations.
    tags->setFocus();
    QTest::keyClick(tags, Qt::Key_End);
    EXPECT_EQ(window.tag(), "T-1");
    EXPECT_EQ(asked.back(), "T-1");
    ASSERT_EQ(window.model().rowCount(), 3);
    window.view()->setFocus();
    QTest::keyClick(window.view(), Qt::Key_Down);
    ASSERT_NE(window.selected(), nullptr);
    EXPECT_EQ(window.selected()->id, 2);

    // Constant 8 before and after each calibration; constant 0 only before.
    EXPECT_EQ(window.drift()->trend(0).size(), 6u);
    EXPECT_EQ(window.drift()->trend(2).size(), 3u);
    EXPECT_TRUE(window.drift()->caption().contains("T-1"));
    TrendPlot* plot = window.drift()->plot(0);
    plot->grab();
    EXPECT_TRUE(plot->drawnTexts().contains("Constant 8"));
    EXPECT_FALSE(plot->drawnTexts().contains("u1 mV"));
    EXPECT_TRUE(plot->drawnTexts().filter("2026-").size() >= 2) << "dates below";
    EXPECT_LE(plot->shownLo(), 1.0);
    EXPECT_GE(plot->shownHi(), 1.03);

    // A date range leaves out the oldest; the selection stays.
    window.setDates(QDate(2026, 9, 1), QDate(2026, 12, 31));
    ASSERT_EQ(window.model().rowCount(), 2);
    EXPECT_EQ(window.selected()->id, 2);

    // Enter on the calibration asks where its certificate goes.
    where = temp.filePath("certificate.pdf");
    QTest::keyClick(window.view(), Qt::Key_Return);
    EXPECT_EQ(window.status(), "Certificate saved as " + where);
    EXPECT_TRUE(offered.startsWith("/last/run/k964-certificate-T-1-")) << offered.toStdString();
    EXPECT_EQ(kept, std::vector<QString>{temp.path()});
    QFile pdf(where);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.readAll().startsWith("%PDF-"));

    where = temp.filePath("history.csv");
    keeps = false;
    ASSERT_TRUE(window.exportCsv());
    EXPECT_TRUE(offered.startsWith(temp.path() + "/k964-history-T-1-")) << offered.toStdString();
    EXPECT_EQ(window.status(),
              "2 calibrations exported to " + where + "; the folder could not be remembered");
    QFile csv(where);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = csv.readAll().split('\n');
    ASSERT_EQ(lines.size(), 4); // the header, two rows, nothing after the last CR LF
    EXPECT_TRUE(lines[1].startsWith("4,zero,2026-12-09T10:32:05,"));

    // Nowhere to write: said so, and nothing is "saved".
    where = temp.filePath("no/folder/certificate.pdf");
    EXPECT_FALSE(window.saveCertificate());
    EXPECT_TRUE(window.status().startsWith("The certificate could not be written to " + where))
        << window.status().toStdString();
    EXPECT_FALSE(QFile::exists(where));
    where.clear(); // cancelled: nothing written, nothing said
    const QString before = window.status();
    EXPECT_FALSE(window.exportCsv());
    EXPECT_EQ(window.status(), before);
}

} // namespace
