#include "Unit1_StringGrid.h"

#include <QEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QPersistentModelIndex>
#include <QStyleOptionHeader>
#include <QStyledItemDelegate>
#include <QStylePainter>

namespace zebedit {
namespace {

// The in-place editor: a line edit that reports every change the user makes
// to its text, and its final text when editing ends.
class TInplaceEditDelegate : public QStyledItemDelegate {
    Q_OBJECT

  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget *createEditor(QWidget *Parent, const QStyleOptionViewItem &Option, const QModelIndex &Index) const override {
        QWidget *editor = QStyledItemDelegate::createEditor(Parent, Option, Index);
        if (auto *line = qobject_cast<QLineEdit *>(editor)) {
            connect(line, &QLineEdit::textEdited, this, [this, cell = QPersistentModelIndex(Index)](const QString &Text) {
                if (cell.isValid()) emit TextChanged(cell, Text);
            });
        }
        return editor;
    }

    void setModelData(QWidget *Editor, QAbstractItemModel *, const QModelIndex &Index) const override {
        if (auto *line = qobject_cast<QLineEdit *>(Editor)) emit TextChanged(Index, line->text());
    }

  signals:
    void TextChanged(const QModelIndex &Index, const QString &Text) const;
};

}  // namespace

TStringGrid::TStringGrid(QWidget *Parent) : QTableView(Parent), model_(new TGridModel(this)) {
    setModel(model_);
    auto *delegate = new TInplaceEditDelegate(this);
    setItemDelegate(delegate);
    connect(delegate, &TInplaceEditDelegate::TextChanged, this, &TStringGrid::EditTextChanged);
    setEditTriggers(DoubleClicked | EditKeyPressed | AnyKeyPressed);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFont(QFont(QStringLiteral("Tahoma")));

    QFont fixedFont(QStringLiteral("Tahoma"));
    fixedFont.setBold(true);
    QHeaderView *columns = horizontalHeader();
    columns->setFont(fixedFont);
    columns->setMinimumSectionSize(8);
    columns->setDefaultSectionSize(DefaultColWidth);
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setSectionsMovable(false);
    columns->setSortIndicatorClearable(true);
    columns->setSortIndicator(-1, Qt::AscendingOrder);
    setSortingEnabled(true);

    // Every row has the same fixed height, so the view never measures rows.
    QHeaderView *rows = verticalHeader();
    rows->setFont(fixedFont);
    rows->setMinimumSectionSize(1);
    rows->setDefaultSectionSize(DefaultRowHeight);
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumWidth(DefaultColWidth);
    rows->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    connect(this, &QTableView::clicked, this,
            [this](const QModelIndex &Index) { emit ClickCell(Index.row() + 1, Index.column() + 1); });
    connect(columns, &QHeaderView::sectionClicked, this, [this](int Section) { emit ClickCell(0, Section + 1); });
    connect(rows, &QHeaderView::sectionClicked, this, [this](int Section) { emit ClickCell(Section + 1, 0); });

    corner_ = findChild<QAbstractButton *>(QString(), Qt::FindDirectChildrenOnly);
    if (corner_) {
        corner_->installEventFilter(this);
        connect(model_, &QAbstractItemModel::modelReset, corner_, qOverload<>(&QWidget::update));
    }
}

void TStringGrid::SetCornerText(const QString &Text) {
    model_->SetCornerText(Text);
    if (corner_) corner_->update();
}

int TStringGrid::Row() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() + 1 : 1;
}

void TStringGrid::ResetSortingAndWidths() {
    horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    model_->sort(-1);
    horizontalHeader()->setDefaultSectionSize(DefaultColWidth);
    for (int column = 0; column < model_->columnCount(); ++column) setColumnWidth(column, DefaultColWidth);
}

void TStringGrid::EditTextChanged(const QModelIndex &Index, const QString &Value) {
    model_->setData(Index, Value);
    emit SetEditText(Index.column() + 1, Index.row() + 1, Value);
}

bool TStringGrid::eventFilter(QObject *Watched, QEvent *Event) {
    if (Watched == corner_ && Event->type() == QEvent::Paint) {
        PaintCorner();
        return true;
    }
    return QTableView::eventFilter(Watched, Event);
}

void TStringGrid::PaintCorner() {
    QStylePainter painter(corner_);
    painter.setFont(horizontalHeader()->font());
    QStyleOptionHeader option;
    option.initFrom(corner_);
    option.rect = corner_->rect();
    option.position = QStyleOptionHeader::OnlyOneSection;
    option.text = model_->CornerText();
    option.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    painter.drawControl(QStyle::CE_Header, option);
}

}  // namespace zebedit

#include "Unit1_StringGrid.moc"
