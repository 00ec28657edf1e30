#pragma once

// The list view of one table (LVdata1 .. LVdata5): grid lines, whole-row
// single selection that stays visible without focus, read-only, rows of one
// height, check boxes in column 0. It reports the marking events; the
// marking rules themselves live in the logic.

#include <QStyleOptionViewItem>
#include <QTableView>

class MeasurementView : public QTableView {
    Q_OBJECT
public:
    explicit MeasurementView(QWidget *parent = nullptr);

    // Row heights follow the font; every row has the same height.
    void ApplyRowHeight();
    // True when `pos` (viewport coordinates) lies on the check box of its row.
    bool HitsCheckBox(const QPoint &pos) const;
    // What the cell at `index` is drawn with: its rectangle, its text and
    // the font after fitting the text to the column.
    QStyleOptionViewItem CellOption(const QModelIndex &index) const;
    // Text is drawn condensed down to this share of its width before it is
    // cut with "...": the time fits its 100 px column in 10-point Arial.
    static constexpr qreal kMinCondensed = 0.85;

signals:
    // Left mouse button released over the list: the row under it (-1: none),
    // and whether it hit the check box (which the list has then toggled).
    void rowReleased(int row, bool checkBoxHit);
    // Space released (its press toggled the current row's mark).
    void spaceReleased();
    // Enter and Delete pressed on the list.
    void enterPressed();
    void deletePressed();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void KeepSelectionVisible();
};
