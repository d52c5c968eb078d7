// Service -> Line trace: a window that lists the line trace as it happens,
// a line per exchange (time, command, reply, outcome, duration) coloured by
// its outcome, each opening onto its steps. It shows all exchanges, all but
// the live poll's, or the failed ones; finds text (Ctrl+F, then F3 and
// Shift+F3 or Next and Previous); shows bytes as text or hexadecimal; can
// be paused, cleared, copied and saved as text. It reads the trace's own
// store through TraceModel: the window costs no copy of an exchange. Once
// closed it takes no new rows (no work while nobody looks) and catches up
// when shown again.
#pragma once

#include "trace/trace_filter.h"
#include "trace/trace_model.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;

class TraceWindow : public QWidget {
  public:
    explicit TraceWindow(LineTrace& trace, QWidget* parent = nullptr);

    // Every kept exchange as the trace file shows it.
    QString allText() const;
    QTreeView* view() const { return view_; }
    TraceModel& model() { return model_; }
    TraceFilter& filter() { return filter_; }
    void setPaused(bool paused);
    void clear();
    void copy() const;
    // Asks where, then writes allText(); false when nothing was written.
    bool save();
    void setShow(TraceFilter::Show show);
    void setHex(bool hex);
    // Makes current the next (or the previous) exchange or step shown that
    // holds `text`, after the current one and around; false when none does.
    bool find(const QString& text, bool forward);

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    LineTrace& trace_;
    TraceModel model_;
    TraceFilter filter_;
    QTreeView* view_;
    QPushButton* pause_;
    QComboBox* show_;
    QCheckBox* hex_;
    QLineEdit* findText_;
    QLabel* found_;
    bool closed_ = false;    // shown, then closed
    bool follow_ = true;     // at the end of the list: stay there as rows come
    bool scrolling_ = false; // a scroll to the end is on its way
};
