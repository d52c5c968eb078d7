// The calibrations the history window lists, newest first, as a table:
// when, tag, kind, result, technician and test gas. The entries live here
// once; the view shows them through the model.
#pragma once

#include "history/calibration_entry.h"

#include <QAbstractTableModel>
#include <QDate>
#include <vector>

class HistoryModel : public QAbstractTableModel {
  public:
    enum Column { Started, Tag, Kind, Result, Technician, Gas, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    // Takes the entries from `from` to `to` (the dates they started on;
    // an invalid date bounds nothing), newest first.
    void setEntries(std::vector<CalibrationEntry> entries, QDate from, QDate to);
    const std::vector<CalibrationEntry>& entries() const { return entries_; }
    const CalibrationEntry* entry(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The date an entry started on; invalid when its time cannot be read.
    static QDate dateOf(const CalibrationEntry& entry);

  private:
    QString text(const CalibrationEntry& e, int column) const;

    std::vector<CalibrationEntry> entries_;
};
