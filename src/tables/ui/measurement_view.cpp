#include "tables/ui/measurement_view.h"

#include "tables/measurement_model.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

MeasurementView::MeasurementView(QWidget *parent) : QTableView(parent)
{
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setSortingEnabled(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    ApplyRowHeight();
    KeepSelectionVisible();
}

void MeasurementView::ApplyRowHeight()
{
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
}

void MeasurementView::KeepSelectionVisible()
{
    QPalette p = palette();
    for (auto role : {QPalette::Highlight, QPalette::HighlightedText})
        p.setColor(QPalette::Inactive, role, p.color(QPalette::Active, role));
    setPalette(p);
}

void MeasurementView::changeEvent(QEvent *event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        ApplyRowHeight();
    else if (event->type() == QEvent::StyleChange)
        KeepSelectionVisible();
}

bool MeasurementView::HitsCheckBox(const QPoint &pos) const
{
    const QModelIndex index = indexAt(pos);
    if (!index.isValid() || index.column() != MeasurementModel::kCheckColumn)
        return false;
    QStyleOptionViewItem opt;
    initViewItemOption(&opt);
    opt.rect = visualRect(index);
    opt.index = index;
    opt.features |= QStyleOptionViewItem::HasCheckIndicator;
    const QRect check = style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &opt, this);
    return check.contains(pos);
}

void MeasurementView::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    const QModelIndex index = indexAt(pos);
    const bool hit = HitsCheckBox(pos);
    QTableView::mouseReleaseEvent(event);  // toggles the check box when it was hit
    if (event->button() == Qt::LeftButton)
        emit rowReleased(index.isValid() ? index.row() : -1, hit);
}

void MeasurementView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        const QModelIndex current = currentIndex();
        if (current.isValid() && !event->isAutoRepeat()) {
            const QModelIndex check = model()->index(current.row(), MeasurementModel::kCheckColumn);
            const bool on = check.data(Qt::CheckStateRole).toInt() == Qt::Checked;
            model()->setData(check, on ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
        }
        event->accept();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !event->isAutoRepeat()) {
        event->accept();
        emit enterPressed();
        return;
    }
    if (event->key() == Qt::Key_Delete && !event->isAutoRepeat()) {
        event->accept();
        emit deletePressed();
        return;
    }
    QTableView::keyPressEvent(event);
}

void MeasurementView::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        event->accept();
        emit spaceReleased();
        return;
    }
    QTableView::keyReleaseEvent(event);
}
