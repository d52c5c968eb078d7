#include "trace/trace_window.h"

#include "trace/trace_text.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QShortcut>
#include <QTreeView>
#include <QVBoxLayout>

#include <climits>

namespace {

// A label naming `buddy`, which takes the label's text as its accessible
// name without the mnemonic's ampersand.
QLabel* caption(const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    buddy->setAccessibleName(QString(text).remove(QLatin1Char('&')).remove(QLatin1Char(':')));
    return label;
}

} // namespace

TraceWindow::TraceWindow(LineTrace& trace, QWidget* parent)
    : QWidget(parent, Qt::Window), trace_(trace), model_(trace), filter_(model_),
      view_(new QTreeView(this)), pause_(new QPushButton(tr("&Pause"), this)),
      show_(new QComboBox(this)), hex_(new QCheckBox(tr("He&x bytes"), this)),
      findText_(new QLineEdit(this)), found_(new QLabel(this)) {
    setWindowTitle(tr("K964 Line trace"));
    view_->setModel(&filter_);
    view_->setUniformRowHeights(true);
    view_->setAllColumnsShowFocus(true);
    view_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    view_->setAccessibleName(tr("Exchanges"));
    // A step's time is indented twice; the outcome takes what is left.
    const QFontMetrics metrics(view_->font());
    const int chars = metrics.averageCharWidth();
    QHeaderView* header = view_->header();
    header->resizeSection(TraceModel::Time,
                          2 * view_->indentation() + 2 * chars +
                              metrics.horizontalAdvance(QStringLiteral("00:00:00.000")));
    header->resizeSection(TraceModel::Command, 12 * chars);
    header->resizeSection(TraceModel::Reply, 28 * chars);
    header->resizeSection(TraceModel::Duration,
                          2 * chars + metrics.horizontalAdvance(QStringLiteral("+0000.000 ms")));
    header->setStretchLastSection(false);
    header->setSectionResizeMode(TraceModel::Outcome, QHeaderView::Stretch);

    pause_->setCheckable(true);
    auto* clearButton = new QPushButton(tr("C&lear"), this);
    auto* copyButton = new QPushButton(tr("&Copy"), this);
    auto* saveButton = new QPushButton(tr("&Save as text..."), this);
    show_->addItems({tr("All exchanges"), tr("Hide live polls"), tr("Failures only")});
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(pause_);
    buttons->addWidget(clearButton);
    buttons->addWidget(copyButton);
    buttons->addWidget(saveButton);
    buttons->addSpacing(metrics.averageCharWidth() * 2);
    buttons->addWidget(caption(tr("S&how:"), show_, this));
    buttons->addWidget(show_);
    buttons->addWidget(hex_);
    buttons->addStretch();

    auto* previous = new QPushButton(tr("P&revious"), this);
    auto* next = new QPushButton(tr("&Next"), this);
    auto* finding = new QHBoxLayout;
    finding->addWidget(caption(tr("&Find:"), findText_, this));
    finding->addWidget(findText_, 1);
    finding->addWidget(previous);
    finding->addWidget(next);
    finding->addWidget(found_, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addLayout(finding);
    layout->addWidget(view_);
    resize(960, 540);
    view_->setFocus();

    connect(pause_, &QPushButton::toggled, this, [this](bool on) { setPaused(on); });
    connect(clearButton, &QPushButton::clicked, this, [this] { clear(); });
    connect(copyButton, &QPushButton::clicked, this, [this] { copy(); });
    connect(saveButton, &QPushButton::clicked, this, [this] { save(); });
    connect(show_, &QComboBox::currentIndexChanged, this,
            [this](int i) { setShow(static_cast<TraceFilter::Show>(i)); });
    connect(hex_, &QCheckBox::toggled, this, [this](bool on) { setHex(on); });
    auto findNext = [this] { find(findText_->text(), true); };
    auto findPrevious = [this] { find(findText_->text(), false); };
    connect(findText_, &QLineEdit::returnPressed, this, findNext);
    connect(next, &QPushButton::clicked, this, findNext);
    connect(previous, &QPushButton::clicked, this, findPrevious);
    connect(new QShortcut(QKeySequence::Find, this), &QShortcut::activated, this, [this] {
        findText_->setFocus(Qt::ShortcutFocusReason);
        findText_->selectAll();
    });
    connect(new QShortcut(QKeySequence::FindNext, this), &QShortcut::activated, this, findNext);
    connect(new QShortcut(QKeySequence::FindPrevious, this), &QShortcut::activated, this,
            findPrevious);

    // New exchanges keep the list at its end if it was there, once the
    // event loop is back: a scroll lays out every row, once for all the
    // exchanges of a poll.
    connect(&filter_, &QAbstractItemModel::rowsAboutToBeInserted, this,
            [this](const QModelIndex& parent) {
                const QScrollBar* bar = view_->verticalScrollBar();
                if (!parent.isValid())
                    follow_ = bar->value() == bar->maximum();
            });
    connect(&filter_, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex& parent) {
        if (parent.isValid() || !follow_ || scrolling_)
            return;
        scrolling_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                scrolling_ = false;
                view_->scrollToBottom();
            },
            Qt::QueuedConnection);
    });
    view_->scrollToBottom();
}

void TraceWindow::setPaused(bool paused) {
    pause_->setChecked(paused);
    model_.setPaused(paused || closed_);
}

void TraceWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    closed_ = false;
    setPaused(pause_->isChecked());
}

void TraceWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    closed_ = true;
    setPaused(pause_->isChecked());
}

void TraceWindow::clear() {
    model_.clear();
    found_->clear();
}

void TraceWindow::setShow(TraceFilter::Show show) {
    show_->setCurrentIndex(show);
    filter_.setShow(show);
    view_->scrollToBottom();
}

void TraceWindow::setHex(bool hex) {
    hex_->setChecked(hex);
    model_.setHex(hex);
}

bool TraceWindow::find(const QString& text, bool forward) {
    const int rows = filter_.rowCount();
    // Where the search starts: the current exchange, and in it the current
    // place (-1 its own line, 0 and up a step).
    const QModelIndex current = view_->currentIndex();
    int row = forward ? 0 : rows - 1;
    int place = forward ? INT_MIN : INT_MAX;
    if (current.isValid()) {
        row = current.parent().isValid() ? current.parent().row() : current.row();
        place = current.parent().isValid() ? current.row() : -1;
    }
    for (int i = 0; i <= rows && rows > 0 && !text.isEmpty(); ++i) {
        const int r = ((forward ? row + i : row - i) % rows + rows) % rows;
        const QList<int> places =
            model_.matches(filter_.mapToSource(filter_.index(r, 0)).row(), text);
        // In the current exchange only past the current place; back at it
        // after going around, up to it.
        auto fits = [&](int p) {
            if (i == 0)
                return forward ? p > place : p < place;
            if (i == rows)
                return forward ? p <= place : p >= place;
            return true;
        };
        int hit = INT_MIN;
        for (int p : places) {
            if (!fits(p))
                continue;
            hit = p;
            if (forward)
                break;
        }
        if (hit == INT_MIN)
            continue;
        QModelIndex found = filter_.index(r, 0);
        if (hit >= 0) {
            view_->expand(found);
            found = filter_.index(hit, 0, found);
        }
        view_->setCurrentIndex(found);
        view_->scrollTo(found);
        found_->clear();
        return true;
    }
    found_->setText(text.isEmpty() ? QString() : tr("Not found"));
    return false;
}

QString TraceWindow::allText() const {
    std::string text;
    for (const TraceExchange& e : trace_.exchanges())
        text += trace_text(e);
    return QString::fromStdString(text);
}

void TraceWindow::copy() const {
    QGuiApplication::clipboard()->setText(allText());
}

bool TraceWindow::save() {
    const QString path = QFileDialog::getSaveFileName(this, tr("Save the line trace"),
                                                      QStringLiteral("k964-trace.txt"),
                                                      tr("Text files (*.txt);;All files (*)"));
    if (path.isEmpty())
        return false;
    QSaveFile file(path);
    const QByteArray text = allText().toUtf8();
    if (file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit())
        return true;
    QMessageBox::warning(
        this, tr("Line trace"),
        tr("The trace could not be written to %1: %2").arg(path, file.errorString()));
    return false;
}
