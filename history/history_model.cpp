#include "history/history_model.h"

#include "certificate/certificate_document.h"

#include <QColor>
#include <QDateTime>
#include <algorithm>

namespace {

QString text_of(const std::string& s) {
    return QString::fromUtf8(s.c_str());
}

} // namespace

QDate HistoryModel::dateOf(const CalibrationEntry& entry) {
    return QDateTime::fromString(text_of(entry.started), Qt::ISODate).date();
}

void HistoryModel::setEntries(std::vector<CalibrationEntry> entries, QDate from, QDate to) {
    std::erase_if(entries, [&](const CalibrationEntry& e) {
        const QDate d = dateOf(e);
        // An entry whose time cannot be read is never hidden by a range.
        return d.isValid() && ((from.isValid() && d < from) || (to.isValid() && d > to));
    });
    // ISO times sort as text; the later id first among entries of one second.
    std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return a.started != b.started ? a.started > b.started : a.id > b.id;
    });
    beginResetModel();
    entries_ = std::move(entries);
    endResetModel();
}

const CalibrationEntry* HistoryModel::entry(int row) const {
    return row >= 0 && row < rowCount() ? &entries_[static_cast<std::size_t>(row)] : nullptr;
}

int HistoryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(entries_.size());
}

int HistoryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString HistoryModel::text(const CalibrationEntry& e, int column) const {
    switch (column) {
    case Started:
        return text_of(e.started).replace(QLatin1Char('T'), QLatin1Char(' '));
    case Tag:
        return text_of(e.tag);
    case Kind:
        return e.kind == CalibrationKind::Zero ? tr("Zero") : tr("Span");
    case Result: {
        QString result = certificate_outcome(e.outcome);
        if (e.beyondTolerance)
            result += tr(", beyond tolerance");
        if (e.wentOnUnstable)
            result += tr(", went on before stable");
        return result;
    }
    case Technician:
        return text_of(e.technician);
    case Gas: {
        QString gas = text_of(e.gas.concentration);
        if (!gas.isEmpty() && !e.gas.unit.empty())
            gas += QLatin1Char(' ') + text_of(e.gas.unit);
        if (!e.gas.lot.empty())
            gas += (gas.isEmpty() ? QString() : QStringLiteral(", ")) +
                   tr("lot %1").arg(text_of(e.gas.lot));
        return gas;
    }
    }
    return {};
}

QVariant HistoryModel::data(const QModelIndex& index, int role) const {
    const CalibrationEntry* e = entry(index.row());
    if (!e || index.column() < 0 || index.column() >= ColumnCount)
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole || role == Qt::ToolTipRole)
        return text(*e, index.column());
    if (role == Qt::ForegroundRole && index.column() == Result &&
        e->outcome != CalibrationOutcome::Accepted)
        return QColor(163, 21, 21);
    return {};
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case Started:
        return tr("Started");
    case Tag:
        return tr("Tag");
    case Kind:
        return tr("Kind");
    case Result:
        return tr("Result");
    case Technician:
        return tr("Technician");
    case Gas:
        return tr("Test gas");
    }
    return {};
}
