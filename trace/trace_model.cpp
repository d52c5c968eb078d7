#include "trace/trace_model.h"

#include "platform/visible.h"
#include "trace/trace_outcome.h"
#include "trace/trace_text.h"

#include <QBrush>
#include <QColor>

#include <algorithm>

namespace {

// A light background under dark text reads the same in a light or a dark
// desktop theme.
QVariant brush(TraceResult result, int role) {
    if (result == TraceResult::Ok)
        return {};
    const bool failed = result == TraceResult::Failed;
    if (role == Qt::BackgroundRole)
        return QBrush(failed ? QColor(0xfb, 0xdc, 0xdc) : QColor(0xff, 0xf1, 0xc2));
    return QBrush(failed ? QColor(0x7a, 0x00, 0x00) : QColor(0x5c, 0x43, 0x00));
}

} // namespace

TraceModel::TraceModel(LineTrace& trace, QObject* parent)
    : QAbstractItemModel(parent), trace_(trace) {
    sync();
    trace_.addListener(this);
}

TraceModel::~TraceModel() {
    trace_.removeListener(this);
}

void TraceModel::exchangeEnded(const TraceExchange& exchange) {
    (void)exchange;
    sync();
}

void TraceModel::sync() {
    const std::deque<TraceExchange>& kept = trace_.exchanges();
    const long keptFirst = kept.empty() ? first_ + count_ : kept.front().number;
    const long gone = std::clamp(keptFirst - first_, 0L, static_cast<long>(count_));
    if (gone > 0) {
        beginRemoveRows({}, 0, static_cast<int>(gone) - 1);
        first_ += gone;
        count_ -= static_cast<int>(gone);
        endRemoveRows();
    }
    if (count_ == 0 && !kept.empty())
        first_ = kept.front().number;
    if (paused_ || kept.empty())
        return;
    const long added = kept.back().number + 1 - (first_ + count_);
    if (added > 0) {
        beginInsertRows({}, count_, count_ + static_cast<int>(added) - 1);
        count_ += static_cast<int>(added);
        endInsertRows();
    }
}

void TraceModel::setPaused(bool paused) {
    paused_ = paused;
    sync();
}

void TraceModel::clear() {
    beginResetModel();
    trace_.clear();
    count_ = 0;
    endResetModel();
}

// Every cell that shows bytes changes, the rows stay as they are. A change
// of layout says so to the views at once: a change of data for every
// exchange's steps would make the filter map the steps of every row.
void TraceModel::setHex(bool hex) {
    if (hex == hex_)
        return;
    emit layoutAboutToBeChanged();
    hex_ = hex;
    emit layoutChanged();
}

const TraceExchange* TraceModel::exchangeAt(int row) const {
    const std::deque<TraceExchange>& kept = trace_.exchanges();
    if (row < 0 || row >= count_ || kept.empty())
        return nullptr;
    const long at = first_ + row - kept.front().number;
    if (at < 0 || at >= static_cast<long>(kept.size()))
        return nullptr;
    return &kept[static_cast<std::size_t>(at)];
}

const TraceExchange* TraceModel::exchangeOf(const QModelIndex& index) const {
    return exchangeAt(static_cast<int>(static_cast<long>(index.internalId()) - first_));
}

QModelIndex TraceModel::index(int row, int column, const QModelIndex& parent) const {
    if (column < 0 || column >= Columns || row < 0)
        return {};
    if (!parent.isValid())
        return row < count_ ? createIndex(row, column, quintptr(0)) : QModelIndex();
    if (parent.internalId() != 0 || row >= rowCount(parent))
        return {};
    return createIndex(row, column, static_cast<quintptr>(first_ + parent.row()));
}

QModelIndex TraceModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || child.internalId() == 0)
        return {};
    const long row = static_cast<long>(child.internalId()) - first_;
    return row >= 0 && row < count_ ? createIndex(static_cast<int>(row), 0, quintptr(0))
                                    : QModelIndex();
}

int TraceModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid())
        return count_;
    if (parent.internalId() != 0 || parent.column() != 0)
        return 0;
    const TraceExchange* e = exchangeAt(parent.row());
    return e && !trace_single_line(*e) ? static_cast<int>(e->steps.size()) : 0;
}

int TraceModel::columnCount(const QModelIndex& parent) const {
    (void)parent;
    return Columns;
}

bool TraceModel::hasChildren(const QModelIndex& parent) const {
    return rowCount(parent) > 0;
}

std::string TraceModel::bytes(const std::string& b) const {
    return hex_ ? hex_bytes(b) : visible_bytes(b);
}

std::string TraceModel::text(const TraceExchange& e, int column) const {
    switch (column) {
    case Time:
        return trace_clock(e.wall);
    case Command:
        return trace_single_line(e) ? trace_step_name(e.steps[0]) : bytes(e.sent());
    case Reply:
        return e.hasReply() ? bytes(e.reply()) : std::string();
    case Outcome:
        return trace_outcome(e);
    case Duration:
        return trace_ms(e.duration) + " ms";
    }
    return {};
}

std::string TraceModel::text(const TraceExchange& e, std::size_t step, int column) const {
    const TraceStep& s = e.steps[step];
    switch (column) {
    case Time:
        return trace_clock(trace_wall(e, s));
    case Command:
        return trace_step_name(s);
    case Reply:
        return s.bytes.empty() ? std::string() : bytes(s.bytes);
    case Outcome:
        return trace_step_outcome(e, step);
    case Duration: {
        // Built up in place: GCC 12 sees an overlap that is not there in
        // "+" + std::string.
        std::string text(1, '+');
        text += trace_ms(s.ms - e.ms);
        text += " ms";
        return text;
    }
    }
    return {};
}

QVariant TraceModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const bool step = index.internalId() != 0;
    const TraceExchange* e = step ? exchangeOf(index) : exchangeAt(index.row());
    if (!e || (step && index.row() >= static_cast<int>(e->steps.size())))
        return {};
    const auto row = static_cast<std::size_t>(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(step ? text(*e, row, index.column())
                                           : text(*e, index.column()));
    case Qt::BackgroundRole:
    case Qt::ForegroundRole:
        return brush(step ? trace_step_result(*e, row) : trace_result(*e), role);
    case Qt::TextAlignmentRole:
        if (index.column() == Duration)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

QVariant TraceModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case Time:
        return tr("Time");
    case Command:
        return tr("Command");
    case Reply:
        return tr("Reply");
    case Outcome:
        return tr("Outcome");
    case Duration:
        return tr("Duration");
    }
    return {};
}

// The texts are ASCII (bytes are shown escaped or in hexadecimal): a text
// to find with any other character is nowhere.
QList<int> TraceModel::matches(int row, const QString& needle) const {
    QList<int> places;
    const TraceExchange* e = exchangeAt(row);
    if (!e || needle.isEmpty() ||
        std::any_of(needle.begin(), needle.end(), [](QChar c) { return c.unicode() > 0x7f; }))
        return places;
    const std::string wanted = needle.toLower().toStdString();
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    auto has = [&](auto&& cell) {
        for (int c = 0; c < Columns; ++c) {
            const std::string t = cell(c);
            if (std::search(t.begin(), t.end(), wanted.begin(), wanted.end(),
                            [&](char x, char y) { return lower(x) == y; }) != t.end())
                return true;
        }
        return false;
    };
    if (has([&](int c) { return text(*e, c); }))
        places << -1;
    const int steps = rowCount(index(row, 0));
    for (int s = 0; s < steps; ++s) {
        if (has([&](int c) { return text(*e, static_cast<std::size_t>(s), c); }))
            places << s;
    }
    return places;
}
