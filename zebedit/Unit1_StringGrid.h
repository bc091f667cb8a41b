// StringGrid1: a table view over TGridModel that behaves as the editor's
// grid. The horizontal header is the fixed row of field names, the vertical
// header the fixed column of record numbers, the corner button shows the
// corner cell's text. It reports clicks and in-place edits in the grid's own
// coordinates (fixed row and column counted).
#pragma once

#include <QAbstractButton>
#include <QTableView>

#include "Unit1_GridModel.h"

namespace zebedit {

class TStringGrid : public QTableView {
    Q_OBJECT

  public:
    static constexpr int DefaultColWidth = 64;
    static constexpr int DefaultRowHeight = 21;

    explicit TStringGrid(QWidget *Parent = nullptr);

    TGridModel &Grid() { return *model_; }
    const TGridModel &Grid() const { return *model_; }
    void SetCornerText(const QString &Text);
    // The grid row of the focused cell: 1 for the first row below the field
    // names, and 1 when no cell has the focus yet.
    int Row() const;
    // Back to record order without a sort indicator, and every column back
    // to the default width.
    void ResetSortingAndWidths();

  signals:
    // A click on a cell, a field name (ARow 0) or a record number (ACol 0).
    void ClickCell(int ARow, int ACol);
    // The in-place editor's whole text, at every change the user makes and
    // once more when editing ends; the cell already shows Value.
    void SetEditText(int ACol, int ARow, const QString &Value);

  protected:
    bool eventFilter(QObject *Watched, QEvent *Event) override;

  private:
    void EditTextChanged(const QModelIndex &Index, const QString &Value);
    void PaintCorner();

    TGridModel *model_;
    QAbstractButton *corner_ = nullptr;
};

}  // namespace zebedit
