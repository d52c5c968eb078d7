// Service -> Line trace: a window that lists the line trace as it happens,
// the kept exchanges first, one block per exchange with control and 8-bit
// bytes made visible; it can be paused, cleared, copied and saved as text.
#pragma once

#include "trace/line_trace.h"

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

class TraceWindow : public QWidget, public TraceListener {
  public:
    explicit TraceWindow(LineTrace& trace, QWidget* parent = nullptr);
    ~TraceWindow() override;

    void exchangeEnded(const TraceExchange& exchange) override;
    // Every kept exchange as the trace file shows it.
    QString allText() const;
    QPlainTextEdit* view() const { return view_; }
    void setPaused(bool paused);
    void clear();
    void copy() const;
    // Asks where, then writes allText(); false when nothing was written,
    // and the technician is told why.
    bool save();
    // Writes allText() to `path` whole or not at all; why it could not,
    // empty when it was written.
    QString saveTo(const QString& path) const;

  private:
    void reload();
    void append(const TraceExchange& exchange);

    LineTrace& trace_;
    QPlainTextEdit* view_;
    QPushButton* pause_;
    bool paused_ = false;
};
