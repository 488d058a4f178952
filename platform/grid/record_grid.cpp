// The program's read-only list grid (see record_grid.h).

#include "record_grid.h"

#include <QHeaderView>
#include <QScrollBar>

namespace platform {

RecordGrid::RecordGrid(QWidget* parent) : QTableView(parent) {
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setTabKeyNavigation(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setSectionsMovable(false);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
}

void RecordGrid::setModel(QAbstractItemModel* model) {
    QTableView::setModel(model);
    fitColumns();
}

void RecordGrid::setStretchColumn(int column) {
    stretchColumn_ = column;
    fitColumns();
}

void RecordGrid::setSharedColumnsFrom(int column) {
    sharedFrom_ = column;
    fitColumns();
}

void RecordGrid::fitColumns() {
    QHeaderView* h = horizontalHeader();
    if (sharedFrom_ >= 0) {
        for (int c = 0; c < h->count(); ++c)
            h->setSectionResizeMode(c, c < sharedFrom_ ? QHeaderView::ResizeToContents
                                                       : QHeaderView::Stretch);
        return;
    }
    for (int c = 0; c < h->count(); ++c)
        h->setSectionResizeMode(c, c == stretchColumn_ ? QHeaderView::Stretch
                                                       : QHeaderView::Interactive);
    // The other columns keep a fifth of the width each, and at least room
    // for an eight-digit number.
    const int least = fontMetrics().horizontalAdvance(QStringLiteral("00000000")) + 12;
    for (int c = 0; c < h->count(); ++c)
        if (c != stretchColumn_)
            h->resizeSection(c, std::max(least, viewport()->width() / 5));
}

void RecordGrid::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    fitColumns();
}

void RecordGrid::setCurrentRow(int row) {
    if (!model())
        return;
    echo_ = false;
    if (row < 0 || row >= model()->rowCount()) {
        selectionModel()->clear();
    } else {
        const QModelIndex index = model()->index(row, std::max(0, currentIndex().column()));
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                     QItemSelectionModel::Rows);
        scrollTo(index);
    }
    echo_ = true;
}

void RecordGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (echo_ && current.isValid() && current.row() != previous.row())
        emit currentRowChanged(current.row());
}

} // namespace platform
