#include "history/history_window.h"

#include "platform/qt/caption.h"

#include "certificate/certificate_pdf.h"
#include "certificate/history_csv.h"
#include "history/drift_view.h"
#include "platform/qt/whole_file.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <set>

namespace {

QDateEdit* dateField(const QString& name, QWidget* parent) {
    auto* field = new QDateEdit(parent);
    field->setAccessibleName(name);
    field->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    field->setCalendarPopup(true);
    return field;
}

// A part of a file name: letters, digits, '-' and '_' only.
QString namePart(const QString& s) {
    QString out;
    for (QChar c : s)
        out += c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_')
                   ? c
                   : QLatin1Char('_');
    return out.left(40);
}

} // namespace

HistoryWindow::HistoryWindow(Provider provider, QWidget* parent)
    : QWidget(parent, Qt::Window), provider_(std::move(provider)), model_(this),
      tag_(new QComboBox(this)), from_(dateField(tr("From date"), this)),
      to_(dateField(tr("To date"), this)), view_(new QTableView(this)),
      pdf_(new QPushButton(tr("Save as &PDF..."), this)),
      csv_(new QPushButton(tr("Export &CSV..."), this)), drift_(new DriftView(this)),
      status_(new QLabel(this)) {
    setWindowTitle(tr("K964 Calibration history"));
    choose_ = [this](const QString& title, const QString& path, const QString& filter) {
        return QFileDialog::getSaveFileName(this, title, path, filter);
    };
    tag_->setAccessibleName(tr("Tag"));
    tag_->setMinimumContentsLength(16);
    tag_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    auto* refreshButton = new QPushButton(tr("&Refresh"), this);
    auto* filters = new QHBoxLayout;
    filters->addWidget(caption(tr("&Tag:"), tag_, this));
    filters->addWidget(tag_);
    filters->addSpacing(12);
    filters->addWidget(caption(tr("&From:"), from_, this));
    filters->addWidget(from_);
    filters->addWidget(caption(tr("T&o:"), to_, this));
    filters->addWidget(to_);
    filters->addStretch(1);
    filters->addWidget(refreshButton);

    view_->setModel(&model_);
    view_->setAccessibleName(tr("Calibrations"));
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setTabKeyNavigation(false);
    view_->setWordWrap(false);
    view_->verticalHeader()->hide();
    view_->horizontalHeader()->setStretchLastSection(true);
    const QFontMetrics metrics = view_->fontMetrics();
    const int pad = 3 * metrics.averageCharWidth();
    view_->setColumnWidth(HistoryModel::Started,
                          metrics.horizontalAdvance(QStringLiteral("2026-12-09 10:32:05")) + pad);
    view_->setColumnWidth(HistoryModel::Tag, 14 * metrics.averageCharWidth());
    view_->setColumnWidth(HistoryModel::Kind,
                          metrics.horizontalAdvance(QStringLiteral("Kind Span")) + pad);
    view_->setColumnWidth(HistoryModel::Result, 24 * metrics.averageCharWidth());
    view_->setColumnWidth(HistoryModel::Technician, 14 * metrics.averageCharWidth());
    pdf_->setToolTip(tr("The certificate of the calibration selected, as PDF"));
    csv_->setToolTip(tr("The calibrations listed, as CSV for a spreadsheet"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(pdf_);
    buttons->addWidget(csv_);
    buttons->addStretch(1);
    auto* listSide = new QWidget(this);
    auto* listLayout = new QVBoxLayout(listSide);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->addWidget(view_, 1);
    listLayout->addLayout(buttons);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(listSide);
    splitter->addWidget(drift_);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    splitter->setChildrenCollapsible(false);
    splitter->setSizes({700, 480});

    status_->setAccessibleName(tr("Status"));
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    status_->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(splitter, 1);
    layout->addWidget(status_);
    resize(1180, 680);
    setTabOrder(tag_, from_);
    setTabOrder(from_, to_);
    setTabOrder(to_, refreshButton);
    setTabOrder(refreshButton, view_);
    setTabOrder(view_, pdf_);
    setTabOrder(pdf_, csv_);

    connect(tag_, &QComboBox::currentIndexChanged, this, [this] { reload(); });
    connect(from_, &QDateEdit::dateChanged, this, [this] { filter(); });
    connect(to_, &QDateEdit::dateChanged, this, [this] { filter(); });
    connect(refreshButton, &QPushButton::clicked, this, [this] { refresh(); });
    connect(pdf_, &QPushButton::clicked, this, [this] { saveCertificate(); });
    connect(csv_, &QPushButton::clicked, this, [this] { exportCsv(); });
    connect(view_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { selectionChanged(); });
    connect(view_, &QTableView::activated, this, [this] { saveCertificate(); });
    connect(new QShortcut(QKeySequence::Refresh, this), &QShortcut::activated, this,
            [this] { refresh(); });
    connect(new QShortcut(QKeySequence::Close, this), &QShortcut::activated, this,
            [this] { close(); });
}

void HistoryWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refresh();
    view_->setFocus();
}

void HistoryWindow::refresh() {
    std::vector<CalibrationEntry> all = provider_({});
    std::set<QString> tags;
    QDate first, last;
    for (const CalibrationEntry& e : all) {
        if (!e.tag.empty())
            tags.insert(QString::fromUtf8(e.tag.c_str()));
        const QDate d = HistoryModel::dateOf(e);
        if (d.isValid()) {
            first = first.isValid() ? std::min(first, d) : d;
            last = last.isValid() ? std::max(last, d) : d;
        }
    }
    const QString chosen = tag();
    loading_ = true;
    tag_->clear();
    tag_->addItem(tr("All tags"), QString());
    for (const QString& t : tags)
        tag_->addItem(t, t);
    const int at = tag_->findData(chosen);
    tag_->setCurrentIndex(at < 0 ? 0 : at);
    const QDate today = QDate::currentDate();
    from_->setDate(first.isValid() ? first : today);
    to_->setDate(last.isValid() ? std::max(last, today) : today);
    loading_ = false;
    if (tag().isEmpty())
        showEntries(std::move(all));
    else
        reload();
}

void HistoryWindow::setTag(const QString& tag) {
    const int at = tag_->findData(tag);
    if (at >= 0)
        tag_->setCurrentIndex(at);
}

QString HistoryWindow::tag() const {
    return tag_->currentData().toString();
}

void HistoryWindow::setDates(QDate from, QDate to) {
    loading_ = true;
    from_->setDate(from);
    to_->setDate(to);
    loading_ = false;
    filter();
}

void HistoryWindow::reload() {
    if (!loading_)
        showEntries(provider_(tag().toUtf8().toStdString()));
}

void HistoryWindow::showEntries(std::vector<CalibrationEntry> entries) {
    entries_ = std::move(entries);
    drift_->setEntries(entries_, tag());
    filter();
}

void HistoryWindow::filter() {
    if (loading_)
        return;
    const std::int64_t kept = selected() ? selected()->id : 0;
    model_.setEntries(entries_, from_->date(), to_->date());
    int row = 0;
    for (int r = 0; r < model_.rowCount(); ++r) {
        if (model_.entry(r)->id == kept)
            row = r;
    }
    select(row);
    csv_->setEnabled(model_.rowCount() > 0);
    selectionChanged();
}

void HistoryWindow::select(int row) {
    if (!model_.entry(row))
        return;
    view_->selectionModel()->setCurrentIndex(
        model_.index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

const CalibrationEntry* HistoryWindow::selected() const {
    const QModelIndex current = view_->selectionModel()->currentIndex();
    return current.isValid() ? model_.entry(current.row()) : nullptr;
}

void HistoryWindow::selectionChanged() {
    pdf_->setEnabled(selected() != nullptr);
}

void HistoryWindow::report(const QString& text, bool failed) {
    status_->setText(text);
    status_->setStyleSheet(failed ? QStringLiteral("color: #a31515;") : QString());
    status_->setAccessibleDescription(text);
}

QString HistoryWindow::status() const {
    return status_->text();
}

QString HistoryWindow::suggested(const QString& name) const {
    return QDir(folder_.isEmpty() ? QDir::homePath() : folder_).filePath(name);
}

QString HistoryWindow::written(const QString& path) {
    folder_ = QFileInfo(path).absolutePath();
    return !folderChosen_ || folderChosen_(folder_) ? QString()
                                                    : tr("; the folder could not be remembered");
}

bool HistoryWindow::saveCertificate() {
    const CalibrationEntry* e = selected();
    if (!e) {
        report(tr("Select a calibration for its certificate."), true);
        return false;
    }
    const QString when = QString::fromUtf8(e->started.c_str()).remove(QLatin1Char(':'));
    const QString name = QStringLiteral("k964-certificate-%1-%2.pdf")
                             .arg(namePart(QString::fromUtf8(e->tag.c_str())), namePart(when));
    const QString path =
        choose_(tr("Save the certificate"), suggested(name), tr("PDF documents (*.pdf)"));
    if (path.isEmpty())
        return false;
    const QString error = saveCertificateTo(path);
    if (!error.isEmpty()) {
        report(tr("The certificate could not be written to %1: %2").arg(path, error), true);
        return false;
    }
    report(tr("Certificate saved as %1").arg(path) + written(path), false);
    return true;
}

QString HistoryWindow::saveCertificateTo(const QString& path) {
    const CalibrationEntry* e = selected();
    if (!e)
        return tr("no calibration is selected");
    return save_certificate(
        *e, QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")), path);
}

bool HistoryWindow::exportCsv() {
    if (model_.rowCount() == 0) {
        report(tr("No calibrations are listed to export."), true);
        return false;
    }
    const QString which = tag().isEmpty() ? QStringLiteral("all") : namePart(tag());
    const QString name =
        QStringLiteral("k964-history-%1-%2.csv")
            .arg(which, QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
    const QString path =
        choose_(tr("Export the calibrations listed"), suggested(name), tr("CSV files (*.csv)"));
    if (path.isEmpty())
        return false;
    const QString error = exportCsvTo(path);
    if (!error.isEmpty()) {
        report(tr("The CSV file could not be written to %1: %2").arg(path, error), true);
        return false;
    }
    const int n = model_.rowCount();
    report((n == 1 ? tr("%1 calibration exported to %2") : tr("%1 calibrations exported to %2"))
                   .arg(n)
                   .arg(path) +
               written(path),
           false);
    return true;
}

QString HistoryWindow::exportCsvTo(const QString& path) {
    const std::string text = history_csv(model_.entries());
    return writeWholeFile(path, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
}
