// Service -> Calibration history: the calibrations done, newest first,
// filtered by tag and by the dates they started on; for the one selected
// its certificate as PDF; the list shown as CSV for a spreadsheet; and for
// the chosen tag the drift of its calibration constants. The entries come
// from a provider (the history database in the program), asked again each
// time the window is shown or refreshed.
#pragma once

#include "history/calibration_entry.h"
#include "history/history_model.h"

#include <QDate>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

class DriftView;
class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QTableView;

class HistoryWindow : public QWidget {
  public:
    // The entries of `tag`, or of every tag when it is empty.
    using Provider = std::function<std::vector<CalibrationEntry>(const std::string& tag)>;
    // Where to save (title, suggested path, file filter); "" to cancel.
    using FileChooser = std::function<QString(const QString&, const QString&, const QString&)>;

    explicit HistoryWindow(Provider provider, QWidget* parent = nullptr);

    // Reads the tags and the entries again; the date range then spans them
    // all.
    void refresh();
    // "" for every tag.
    void setTag(const QString& tag);
    QString tag() const;
    void setDates(QDate from, QDate to);
    // Makes the entry in `row` current (and selected).
    void select(int row);
    const CalibrationEntry* selected() const;

    // Ask where, then write; false when nothing was written, and the status
    // line says why.
    bool saveCertificate();
    bool exportCsv();
    // Write to `path` whole or not at all; why not, empty when written.
    QString saveCertificateTo(const QString& path);
    QString exportCsvTo(const QString& path);
    void setFileChooser(FileChooser chooser) { choose_ = std::move(chooser); }
    // The folder files are first suggested in ("" for the home folder);
    // `chosen` hears of each folder a file was written to, false when it
    // could not keep it.
    void setFolder(const QString& folder, std::function<bool(const QString&)> chosen) {
        folder_ = folder;
        folderChosen_ = std::move(chosen);
    }

    HistoryModel& model() { return model_; }
    QTableView* view() const { return view_; }
    DriftView* drift() const { return drift_; }
    QString status() const;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    // The tag's entries asked for again, or given (every tag's), and shown.
    void reload();
    void showEntries(std::vector<CalibrationEntry> entries);
    // The entries within the dates listed.
    void filter();
    void selectionChanged();
    void report(const QString& text, bool failed);
    QString suggested(const QString& name) const;
    // After a file was written: its folder suggested next; "" or what to
    // add to the status when the folder could not be kept.
    QString written(const QString& path);

    Provider provider_;
    FileChooser choose_;
    HistoryModel model_;
    QComboBox* tag_;
    QDateEdit* from_;
    QDateEdit* to_;
    QTableView* view_;
    QPushButton* pdf_;
    QPushButton* csv_;
    DriftView* drift_;
    QLabel* status_;
    bool loading_ = false;                  // the filters are being set, not chosen
    std::vector<CalibrationEntry> entries_; // the tag's, every date
    QString folder_;
    std::function<bool(const QString&)> folderChosen_;
};
