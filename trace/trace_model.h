// The line trace's kept exchanges as an item model, read in place from the
// LineTrace's store: a row per exchange (time, command, reply, outcome,
// duration) with its steps as child rows (time, what it did, its bytes, why
// they were thrown away, when after the exchange's start). Nothing is
// copied per row: the model holds only which of the kept exchanges it shows,
// the first one's number and how many, and finds an exchange by its number.
//
// Paused, it shows no new exchanges; those the store lets go (it keeps the
// last 10 000) leave the model whether paused or not. Resuming adds what
// came in the meantime in one insertion.
#pragma once

#include "trace/line_trace.h"

#include <QAbstractItemModel>

class TraceModel : public QAbstractItemModel, public TraceListener {
  public:
    enum Column { Time, Command, Reply, Outcome, Duration, Columns };

    explicit TraceModel(LineTrace& trace, QObject* parent = nullptr);
    ~TraceModel() override;
    TraceModel(const TraceModel&) = delete;
    TraceModel& operator=(const TraceModel&) = delete;

    void setPaused(bool paused);
    bool paused() const { return paused_; }
    // Empties the trace, and so the model.
    void clear();
    // Bytes as hexadecimal digits instead of text with escapes.
    void setHex(bool hex);
    bool hex() const { return hex_; }

    // The exchange of a top-level row; nullptr when there is none.
    const TraceExchange* exchangeAt(int row) const;
    // Where in the row's exchange `text` is shown (case-insensitive), in
    // order: -1 the exchange's own line, 0 and up its steps.
    QList<int> matches(int row, const QString& text) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    void exchangeEnded(const TraceExchange& exchange) override;

  private:
    // Brings the rows in line with the store: drops those it let go, adds
    // the new ones unless paused.
    void sync();
    // The exchange a step row belongs to (its number is the row's id).
    const TraceExchange* exchangeOf(const QModelIndex& index) const;
    QString bytes(const std::string& bytes) const;
    QString text(const TraceExchange& exchange, int column) const;
    QString text(const TraceExchange& exchange, std::size_t step, int column) const;

    LineTrace& trace_;
    long first_ = 1; // the number of the exchange in row 0
    int count_ = 0;
    bool paused_ = false;
    bool hex_ = false;
};
