#include "trace/trace_filter.h"

#include "trace/trace_outcome.h"

TraceFilter::TraceFilter(TraceModel& model, QObject* parent)
    : QSortFilterProxyModel(parent), model_(model) {
    setSourceModel(&model);
}

void TraceFilter::setShow(Show show) {
    if (show == show_)
        return;
    show_ = show;
    invalidateFilter();
}

bool TraceFilter::hasChildren(const QModelIndex& parent) const {
    if (!parent.isValid())
        return QSortFilterProxyModel::hasChildren(parent);
    return model_.hasChildren(mapToSource(parent));
}

bool TraceFilter::filterAcceptsRow(int row, const QModelIndex& parent) const {
    if (parent.isValid() || show_ == All)
        return true;
    const TraceExchange* e = model_.exchangeAt(row);
    if (!e)
        return false;
    return show_ == NoPolls ? !trace_is_poll(*e) : e->error != 0;
}
