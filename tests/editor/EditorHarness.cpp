#include "EditorHarness.h"

#include <QApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QListWidget>
#include <QTest>
#include <QToolButton>
#include <bit>
#include <stdexcept>
#include <sys/stat.h>

#include "zebcore.h"

namespace zebedittest {

EditorHarness::EditorHarness() : form_(std::make_unique<zebedit::TForm1>()) {
    form_->RunDialog = [this](QDialog &Dialog) { return RunDialog(Dialog); };
    form_->show();
    if (!QTest::qWaitForWindowExposed(form_.get())) throw std::runtime_error("the window was not shown");
}

// The window goes first: closing it ends an open cell edit, which may still
// show a message through this harness.
EditorHarness::~EditorHarness() { form_.reset(); }

int EditorHarness::RunDialog(QDialog &Dialog) {
    if (auto *open = qobject_cast<QFileDialog *>(&Dialog)) {
        if (fileToChoose_.isEmpty()) return QDialog::Rejected;
        open->selectFile(fileToChoose_);
        return QDialog::Accepted;
    }
    auto *box = qobject_cast<QMessageBox *>(&Dialog);
    if (!box) throw std::logic_error("the window showed an unexpected dialog");
    shown_.push_back({box->windowTitle(), box->text(), box->icon(), box->standardButtons()});
    if (!(box->standardButtons() & QMessageBox::Yes)) return QMessageBox::Ok;
    if (Answers.empty()) return QMessageBox::No;
    const QMessageBox::StandardButton answer = Answers.front();
    Answers.pop_front();
    return answer;
}

QString EditorHarness::WriteDatabase(const std::string &Name, const zebtest::DatabaseSpec &Spec) const {
    return QString::fromStdString(dir_.Write(Name, zebtest::BuildImage(Spec)));
}

void EditorHarness::OpenFile(const QString &Path) {
    fileToChoose_ = Path;
    QTest::mouseClick(form_->ToolButton1, Qt::LeftButton);
}

void EditorHarness::ClickTable(int Index) {
    QListWidget *list = form_->ListBox1;
    QListWidgetItem *item = list->item(Index);
    if (!item) throw std::logic_error("no such table in the list");
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

void EditorHarness::ClickCell(int ARow, int ACol) {
    zebedit::TStringGrid *grid = form_->StringGrid1;
    if (ARow == 0 && ACol == 0) return;
    if (ARow == 0) {
        QHeaderView *header = grid->horizontalHeader();
        grid->scrollTo(grid->model()->index(0, ACol - 1));
        const QPoint at(header->sectionViewportPosition(ACol - 1) + header->sectionSize(ACol - 1) / 2, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    } else if (ACol == 0) {
        QHeaderView *header = grid->verticalHeader();
        grid->scrollTo(grid->model()->index(ARow - 1, 0));
        const QPoint at(header->width() / 2, header->sectionViewportPosition(ARow - 1) + header->sectionSize(ARow - 1) / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    } else {
        const QModelIndex index = grid->model()->index(ARow - 1, ACol - 1);
        grid->scrollTo(index);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(index).center());
    }
}

void EditorHarness::Click(QAbstractButton *Button) { QTest::mouseClick(Button, Qt::LeftButton); }

QLineEdit *EditorHarness::Editor() {
    zebedit::TStringGrid *grid = form_->StringGrid1;
    return qobject_cast<QLineEdit *>(grid->indexWidget(grid->currentIndex()));
}

void EditorHarness::TypeIntoCell(int ARow, int ACol, const QString &Keys, const std::function<void(int)> &AfterKey) {
    zebedit::TStringGrid *grid = form_->StringGrid1;
    const QModelIndex index = grid->model()->index(ARow - 1, ACol - 1);
    grid->scrollTo(index);
    grid->setCurrentIndex(index);
    for (int i = 0; i < Keys.size(); ++i) {
        QWidget *target = Editor();
        const char key = Keys[i].toLatin1();
        QTest::keyClick(target ? target : grid, key);
        if (AfterKey) AfterKey(i + 1);
    }
}

void EditorHarness::KeyIntoEditor(Qt::Key Key, Qt::KeyboardModifiers Modifiers) {
    QLineEdit *editor = Editor();
    if (!editor) throw std::logic_error("no cell is being edited");
    QTest::keyClick(editor, Key, Modifiers);
}

QStringList EditorHarness::GridRow(int ARow) const {
    QStringList row;
    for (int column = 0; column < form_->StringGrid1->Grid().GridColumnCount(); ++column) row << Cell(column, ARow);
    return row;
}

std::vector<ShownMessage> EditorHarness::TakeShown() { return std::exchange(shown_, {}); }

namespace {

// One read of the file through the library, opened and closed around it.
template <typename Read>
auto WithDatabase(const QString &Path, Read &&read) {
    const int32_t handle = ZEBOpen(Path.toLocal8Bit().constData());
    if (handle < 0) throw std::runtime_error("the test could not open " + Path.toStdString());
    auto result = read(handle);
    ZEBClose(handle);
    return result;
}

}  // namespace

int32_t ReadInteger(const QString &Path, const char *Table, const char *Field, int Record) {
    return WithDatabase(Path, [&](int32_t H) { return ZEBFieldGetValueAsInteger(H, Table, Field, Record); });
}

float ReadFloat(const QString &Path, const char *Table, const char *Field, int Record) {
    return WithDatabase(Path, [&](int32_t H) { return ZEBFieldGetValueAsFloat(H, Table, Field, Record); });
}

std::string ReadString(const QString &Path, const char *Table, const char *Field, int Record) {
    return WithDatabase(Path, [&](int32_t H) {
        std::string buffer(70000, '\0');
        char *text = buffer.data();
        ZEBFieldGetValueAsString(H, Table, Field, Record, &text);
        return std::string(text);
    });
}

Counts ReadCounts(const QString &Path, int TableIndex) {
    return WithDatabase(Path, [&](int32_t H) {
        TableProperties properties{nullptr, 0, 0, 0, 0, 0};
        ZEBTableGetProperties(H, TableIndex, &properties);
        return Counts{properties.RecordCount, properties.Capacity, properties.DeletedCount};
    });
}

uint64_t FileIdentity(const QString &Path) {
    struct stat info {};
    if (::stat(Path.toLocal8Bit().constData(), &info) != 0) return 0;
    return static_cast<uint64_t>(info.st_ino) ^ (static_cast<uint64_t>(info.st_mtim.tv_nsec) << 20);
}

void PutText(zebtest::Bytes &Record, uint32_t ByteOffset, uint32_t ByteCount, const std::string &Text) {
    for (uint32_t i = 0; i < ByteCount; ++i)
        Record.at(ByteOffset + i) = i < Text.size() ? static_cast<uint8_t>(Text[i]) : 0;
}

uint32_t FloatBits(float Value) { return std::bit_cast<uint32_t>(Value); }

}  // namespace zebedittest
