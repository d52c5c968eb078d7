#include "trace/trace_window.h"

#include "platform/qt/whole_file.h"
#include "trace/trace_text.h"

#include <QClipboard>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TraceWindow::TraceWindow(LineTrace& trace, QWidget* parent)
    : QWidget(parent, Qt::Window), trace_(trace), view_(new QPlainTextEdit(this)),
      pause_(new QPushButton(tr("&Pause"), this)) {
    setWindowTitle(tr("K964 Line trace"));
    setAccessibleName(tr("Line trace"));
    view_->setReadOnly(true);
    view_->setLineWrapMode(QPlainTextEdit::NoWrap);
    view_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    view_->setMaximumBlockCount(static_cast<int>(LineTrace::kKept));
    view_->setAccessibleName(tr("Exchanges"));
    pause_->setCheckable(true);
    auto* clearButton = new QPushButton(tr("C&lear"), this);
    auto* copyButton = new QPushButton(tr("&Copy"), this);
    auto* saveButton = new QPushButton(tr("&Save as text..."), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(pause_);
    buttons->addWidget(clearButton);
    buttons->addWidget(copyButton);
    buttons->addWidget(saveButton);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(view_);
    resize(720, 480);
    connect(pause_, &QPushButton::toggled, this, [this](bool on) { setPaused(on); });
    connect(clearButton, &QPushButton::clicked, this, [this] { clear(); });
    connect(copyButton, &QPushButton::clicked, this, [this] { copy(); });
    connect(saveButton, &QPushButton::clicked, this, [this] { save(); });
    reload();
    trace_.addListener(this);
}

TraceWindow::~TraceWindow() {
    trace_.removeListener(this);
}

// One block per exchange: its lines are kept together by line separators,
// so the view holds exactly as many exchanges as the trace keeps.
void TraceWindow::append(const TraceExchange& exchange) {
    QString text = QString::fromStdString(trace_text(exchange));
    text.chop(1);
    text.replace(QLatin1Char('\n'), QChar(QChar::LineSeparator));
    view_->appendPlainText(text);
}

void TraceWindow::reload() {
    view_->clear();
    for (const TraceExchange& e : trace_.exchanges())
        append(e);
}

void TraceWindow::exchangeEnded(const TraceExchange& exchange) {
    if (!paused_)
        append(exchange);
}

void TraceWindow::setPaused(bool paused) {
    if (paused == paused_)
        return;
    paused_ = paused;
    pause_->setChecked(paused);
    if (!paused)
        reload();
}

void TraceWindow::clear() {
    trace_.clear();
    view_->clear();
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
    const QString error = saveTo(path);
    if (error.isEmpty())
        return true;
    QMessageBox::warning(this, tr("Line trace"),
                         tr("The trace could not be written to %1: %2").arg(path, error));
    return false;
}

QString TraceWindow::saveTo(const QString& path) const {
    return writeWholeFile(path, allText().toUtf8());
}
