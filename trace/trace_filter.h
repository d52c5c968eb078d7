// Which of the trace model's exchanges the window shows: all, all but the
// live poll's, or only those that failed. A shown exchange shows all its
// steps.
#pragma once

#include "trace/trace_model.h"

#include <QSortFilterProxyModel>

class TraceFilter : public QSortFilterProxyModel {
  public:
    enum Show { All, NoPolls, Failures };

    explicit TraceFilter(TraceModel& model, QObject* parent = nullptr);

    void setShow(Show show);
    Show show() const { return show_; }
    // From the model itself: the proxy would map every exchange's steps to
    // answer it, a mapping per row kept for as long as the row is.
    bool hasChildren(const QModelIndex& parent = {}) const override;

  protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override;

  private:
    TraceModel& model_;
    Show show_ = All;
};
