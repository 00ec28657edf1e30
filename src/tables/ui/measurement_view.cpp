#include "tables/ui/measurement_view.h"

#include "tables/measurement_model.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyledItemDelegate>

namespace {

// The columns keep the pixel widths of the settings, but in 10-point
// Liberation Sans (what "Arial" is here) with the style's cell margins a
// time like "2024-05-17 14:03" needs 109 px of its 100 px column. A text
// that would not fit is drawn slightly condensed instead of cut.
class FittingDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QStyleOptionViewItem Prepared(const QStyleOptionViewItem &base, const QModelIndex &index) const
    {
        QStyleOptionViewItem opt = base;
        initStyleOption(&opt, index);
        return opt;
    }

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        // Size hints come without a cell; they keep the natural width.
        if (option->text.isEmpty() || option->rect.width() <= 0)
            return;
        const QStyle *style = option->widget ? option->widget->style() : QApplication::style();
        // The margin the style leaves on each side of a cell's text.
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, option->widget) + 1;
        const qreal room = option->rect.width() - 2 * margin;
        const qreal natural = QFontMetricsF(option->font).horizontalAdvance(option->text);
        if (natural <= room)
            return;
        // Beyond the limit the text is cut, but from the condensed width.
        const qreal target = qMax(room, natural * MeasurementView::kMinCondensed);
        // The stretch counts from the face's own width (Arial Narrow's is
        // 75), so it is found from the width at 100, to which it is proportional.
        QFont f = option->font;
        auto widthAt = [&](int stretch) {
            f.setStretch(stretch);
            return QFontMetricsF(f).horizontalAdvance(option->text);
        };
        int stretch = qBound(1, int(100 * target / widthAt(100)), 99);
        while (stretch > 1 && widthAt(stretch) > target)
            --stretch;
        while (stretch < 99 && widthAt(stretch + 1) <= target)
            ++stretch;
        f.setStretch(stretch);
        option->font = f;
        option->fontMetrics = QFontMetrics(f);
    }
};

}  // namespace

MeasurementView::MeasurementView(QWidget *parent) : QTableView(parent)
{
    setItemDelegate(new FittingDelegate(this));
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

QStyleOptionViewItem MeasurementView::CellOption(const QModelIndex &index) const
{
    QStyleOptionViewItem opt;
    initViewItemOption(&opt);
    opt.rect = visualRect(index);
    if (const auto *delegate = dynamic_cast<const FittingDelegate *>(itemDelegate()))
        return delegate->Prepared(opt, index);
    return opt;
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
