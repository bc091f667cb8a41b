#include "Unit1_GridModel.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <stdexcept>

#include "Unit1_Numbers.h"

namespace zebedit {

TGridModel::TGridModel(QObject *Parent) : QAbstractTableModel(Parent) {}

int TGridModel::rowCount(const QModelIndex &Parent) const {
    return Parent.isValid() ? 0 : std::max(recordCount_, 1);
}

int TGridModel::columnCount(const QModelIndex &Parent) const {
    return Parent.isValid() ? 0 : std::max(fieldCount_, 1);
}

bool TGridModel::IsValueCell(int Row, int Column) const {
    return Row >= 0 && Row < recordCount_ && Column >= 0 && Column < fieldCount_;
}

int TGridModel::RecordOfRow(int Row) const {
    if (Row < 0 || Row >= recordCount_) return -1;
    return rowOrder_.empty() ? Row : static_cast<int>(rowOrder_[static_cast<size_t>(Row)]);
}

QStringView TGridModel::ValueText(int Field, int Record) const {
    const auto cell = static_cast<uint32_t>(Field) * static_cast<uint32_t>(recordCount_) + static_cast<uint32_t>(Record);
    if (!edited_.empty()) {
        const auto found = edited_.find(cell);
        if (found != edited_.end()) return found->second;
    }
    if (cell >= cellEnds_.size()) return {};  // not loaded (yet)
    const std::u16string_view text = text_.View(cell ? cellEnds_[cell - 1] : 0, cellEnds_[cell]);
    return QStringView(text.data(), static_cast<qsizetype>(text.size()));
}

QString TGridModel::RecordNumberText(int Row) const {
    const int record = RecordOfRow(Row);
    return record < 0 ? QString() : QString::number(record);
}

QString TGridModel::GridCell(int Column, int Row) const {
    if (Column == 0 && Row == 0) return corner_;
    if (Row == 0) return headerData(Column - 1, Qt::Horizontal).toString();
    if (Column == 0) return RecordNumberText(Row - 1);
    if (!IsValueCell(Row - 1, Column - 1)) return {};
    return ValueText(Column - 1, RecordOfRow(Row - 1)).toString();
}

void TGridModel::Clear() {
    beginResetModel();
    fieldCount_ = recordCount_ = 0;
    corner_.clear();
    fieldNames_.clear();
    text_.Clear();
    cellEnds_.clear();
    edited_.clear();
    rowOrder_.clear();
    endResetModel();
}

void TGridModel::SetCornerText(const QString &Text) { corner_ = Text; }

void TGridModel::BeginLoad(int FieldCount, int RecordCount) {
    beginResetModel();
    fieldCount_ = std::max(FieldCount, 0);
    recordCount_ = std::max(RecordCount, 0);
    fieldNames_.assign(static_cast<size_t>(fieldCount_), QString());
    text_.Clear();
    cellEnds_.clear();
    cellEnds_.reserve(static_cast<size_t>(fieldCount_) * static_cast<size_t>(recordCount_));
    edited_.clear();
    rowOrder_.clear();
    endResetModel();
}

void TGridModel::SetFieldName(int Field, const QString &Name) {
    if (Field < 0 || Field >= fieldCount_) return;
    fieldNames_[static_cast<size_t>(Field)] = Name;
}

void TGridModel::CommitCell(size_t Length) {
    text_.Commit(Length);
    if (text_.Size() > std::numeric_limits<uint32_t>::max())
        throw std::length_error("The table's texts are too large to be shown in the grid.");
    cellEnds_.push_back(static_cast<uint32_t>(text_.Size()));
}

void TGridModel::AppendLatin1Cell(std::string_view Text) {
    char16_t *out = ExtendCell(Text.size());
    for (size_t i = 0; i < Text.size(); ++i) out[i] = static_cast<unsigned char>(Text[i]);
    CommitCell(Text.size());
}

void TGridModel::EndField(int Field) {
    if (cellEnds_.size() != (static_cast<size_t>(Field) + 1) * static_cast<size_t>(recordCount_))
        throw std::logic_error("A field's column was loaded with a wrong number of values.");
}

void TGridModel::EndLoad() {
    if (fieldCount_ == 0) return;
    emit headerDataChanged(Qt::Horizontal, 0, fieldCount_ - 1);
    if (recordCount_ > 0) emit dataChanged(index(0, 0), index(recordCount_ - 1, fieldCount_ - 1), {Qt::DisplayRole});
}

QVariant TGridModel::data(const QModelIndex &Index, int Role) const {
    if ((Role != Qt::DisplayRole && Role != Qt::EditRole) || !checkIndex(Index, CheckIndexOption::IndexIsValid))
        return {};
    if (!IsValueCell(Index.row(), Index.column())) return QString();
    return ValueText(Index.column(), RecordOfRow(Index.row())).toString();
}

QVariant TGridModel::headerData(int Section, Qt::Orientation Orientation, int Role) const {
    if (Role != Qt::DisplayRole) return {};
    if (Orientation == Qt::Horizontal)
        return Section >= 0 && Section < fieldCount_ ? fieldNames_[static_cast<size_t>(Section)] : QString();
    return RecordNumberText(Section);
}

Qt::ItemFlags TGridModel::flags(const QModelIndex &Index) const {
    Qt::ItemFlags result = QAbstractTableModel::flags(Index);
    if (Index.isValid() && IsValueCell(Index.row(), Index.column())) result |= Qt::ItemIsEditable;
    return result;
}

bool TGridModel::setData(const QModelIndex &Index, const QVariant &Value, int Role) {
    if (Role != Qt::EditRole || !checkIndex(Index, CheckIndexOption::IndexIsValid) ||
        !IsValueCell(Index.row(), Index.column()))
        return false;
    const QString text = Value.toString();
    const int record = RecordOfRow(Index.row());
    if (ValueText(Index.column(), record) == text) return true;
    const auto cell = static_cast<uint32_t>(Index.column()) * static_cast<uint32_t>(recordCount_) + static_cast<uint32_t>(record);
    edited_[cell] = text;
    emit dataChanged(Index, Index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

void TGridModel::sort(int Column, Qt::SortOrder Order) {
    const bool recordOrder = Column < 0 || Column >= fieldCount_ || recordCount_ < 2;
    if (recordOrder && rowOrder_.empty()) return;

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<uint32_t> oldOrder = rowOrder_;
    if (recordOrder) {
        rowOrder_.clear();
    } else {
        struct Key {
            std::optional<double> Number;
            QStringView Text;
        };
        const QChar separator = UserDecimalSeparator();
        std::vector<Key> keys(static_cast<size_t>(recordCount_));
        for (int record = 0; record < recordCount_; ++record) {
            const QStringView text = ValueText(Column, record);
            keys[static_cast<size_t>(record)] = {CellNumber(text, separator), text};
        }
        const auto less = [&keys](uint32_t A, uint32_t B) {
            const Key &a = keys[A], &b = keys[B];
            if (a.Number.has_value() != b.Number.has_value()) return a.Number.has_value();
            if (a.Number) return *a.Number < *b.Number;
            return a.Text.compare(b.Text) < 0;
        };
        rowOrder_.resize(static_cast<size_t>(recordCount_));
        for (size_t row = 0; row < rowOrder_.size(); ++row) rowOrder_[row] = static_cast<uint32_t>(row);
        if (Order == Qt::AscendingOrder)
            std::stable_sort(rowOrder_.begin(), rowOrder_.end(), less);
        else
            std::stable_sort(rowOrder_.begin(), rowOrder_.end(), [&less](uint32_t A, uint32_t B) { return less(B, A); });
    }

    // Every persistent index (the current cell, an open editor) follows its
    // record to its new row.
    std::vector<int> rowOfRecord(static_cast<size_t>(recordCount_));
    for (int row = 0; row < recordCount_; ++row) rowOfRecord[static_cast<size_t>(RecordOfRow(row))] = row;
    QModelIndexList from = persistentIndexList(), to;
    for (const QModelIndex &index : from) {
        const int record = index.row() < recordCount_
                               ? (oldOrder.empty() ? index.row() : static_cast<int>(oldOrder[static_cast<size_t>(index.row())]))
                               : -1;
        to.append(record < 0 ? index : this->index(rowOfRecord[static_cast<size_t>(record)], index.column()));
    }
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

}  // namespace zebedit
