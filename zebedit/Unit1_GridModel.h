// The texts of StringGrid1. Row 0 of the grid (the field names) is the
// view's horizontal header and column 0 (the record numbers) its vertical
// header; model cell (r, c) is grid cell (c + 1, r + 1), field c of the
// record shown in row r.
//
// A table load appends the value texts field by field, record by record, into
// one UTF-16 block with one end offset per cell; edited cells are kept apart,
// and sorting permutes the rows through a record order, so the loaded texts
// never move. Both blocks are kept between loads and reused.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QStringView>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Unit1_CellTextBuffer.h"

namespace zebedit {

class TGridModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    explicit TGridModel(QObject *Parent = nullptr);

    // The grid's own coordinates, fixed row and column included.
    int GridColumnCount() const { return columnCount() + 1; }
    int GridRowCount() const { return rowCount() + 1; }
    QString GridCell(int Column, int Row) const;

    // Empties every cell, the corner included, and shapes the grid 2 x 2.
    void Clear();
    void SetCornerText(const QString &Text);
    const QString &CornerText() const { return corner_; }

    // Starts a table load: the grid becomes FieldCount + 1 columns (at least
    // 2) and RecordCount + 1 rows (at least 2), with the record numbers in
    // order and every value empty until it is appended. Field names and
    // values are announced to the views by EndLoad.
    void BeginLoad(int FieldCount, int RecordCount);
    void SetFieldName(int Field, const QString &Name);
    // The values of the field being loaded, one per record in record order:
    // write at most MaxLength characters at ExtendCell's result, then
    // CommitCell with the number written.
    char16_t *ExtendCell(size_t MaxLength) { return text_.Extend(MaxLength); }
    void CommitCell(size_t Length);
    void AppendLatin1Cell(std::string_view Text);
    // Ends the field's column after its last record.
    void EndField(int Field);
    // Ends the load and tells the views: the whole load is one change, so a
    // view repaints once for it, not once per column.
    void EndLoad();

    int FieldCount() const { return fieldCount_; }
    int RecordCount() const { return recordCount_; }
    // The record shown in model row Row (as column 0 says), or -1 when the
    // row shows none.
    int RecordOfRow(int Row) const;

    int rowCount(const QModelIndex &Parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &Parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &Index, int Role = Qt::DisplayRole) const override;
    QVariant headerData(int Section, Qt::Orientation Orientation, int Role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &Index) const override;
    bool setData(const QModelIndex &Index, const QVariant &Value, int Role = Qt::EditRole) override;
    // Orders the rows by the column's texts, numbers as numbers and before
    // other texts; a column of -1 returns to record order.
    void sort(int Column, Qt::SortOrder Order = Qt::AscendingOrder) override;

  private:
    bool IsValueCell(int Row, int Column) const;
    QStringView ValueText(int Field, int Record) const;
    QString RecordNumberText(int Row) const;

    int fieldCount_ = 0;
    int recordCount_ = 0;
    QString corner_;
    std::vector<QString> fieldNames_;
    TCellTextBuffer text_;
    std::vector<uint32_t> cellEnds_;  // cell Field * recordCount_ + Record
    std::unordered_map<uint32_t, QString> edited_;
    std::vector<uint32_t> rowOrder_;  // record shown in each row; empty: record order
};

}  // namespace zebedit
