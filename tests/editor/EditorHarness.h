// Drives the editor's window as a person would, for the editor's tests: it
// answers the open dialog and the message boxes through the window's dialog
// seam, clicks tables, cells and buttons, and types into the grid's in-place
// editor.
#pragma once

#include <QLineEdit>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Unit1.h"
#include "fixture_builder.h"

namespace zebedittest {

// A message box or confirmation the window showed.
struct ShownMessage {
    QString Caption, Text;
    QMessageBox::Icon Icon;
    QMessageBox::StandardButtons Buttons;
};

class EditorHarness {
  public:
    EditorHarness();
    ~EditorHarness();

    zebedit::TForm1 &Form() { return *form_; }
    zebedit::TGridModel &Grid() { return form_->StringGrid1->Grid(); }
    const zebtest::TempDir &Dir() const { return dir_; }

    // Writes the database image of Spec into the test folder.
    QString WriteDatabase(const std::string &Name, const zebtest::DatabaseSpec &Spec) const;

    // Clicks "Open" and answers the open dialog with Path (cancels when Path
    // is empty).
    void OpenFile(const QString &Path);
    // Clicks the table at list position Index.
    void ClickTable(int Index);
    // Clicks the grid cell (ACol, ARow) in grid coordinates: row 0 is the
    // field names, column 0 the record numbers.
    void ClickCell(int ARow, int ACol);
    void ClickHeader(int ACol) { ClickCell(0, ACol); }
    // Clicks a tool button; confirmations are answered from Answers.
    void Click(QAbstractButton *Button);

    // Focuses cell (ACol, ARow) and types Keys one by one, as the first key
    // opens the in-place editor over the old text; AfterKey runs after each
    // key with the number of keys typed.
    void TypeIntoCell(int ARow, int ACol, const QString &Keys, const std::function<void(int)> &AfterKey = {});
    // The open in-place editor, if any.
    QLineEdit *Editor();
    // Keys into the open editor (Ctrl+A, Backspace, Return ...).
    void KeyIntoEditor(Qt::Key Key, Qt::KeyboardModifiers Modifiers = Qt::NoModifier);

    QStringList GridRow(int ARow) const;
    QString Cell(int ACol, int ARow) const { return form_->StringGrid1->Grid().GridCell(ACol, ARow); }

    // Answers for confirmations, in order; when none is left, No.
    std::deque<QMessageBox::StandardButton> Answers;
    // Every message box shown since the last TakeShown.
    std::vector<ShownMessage> TakeShown();

  private:
    int RunDialog(QDialog &Dialog);

    zebtest::TempDir dir_;
    std::unique_ptr<zebedit::TForm1> form_;
    QString fileToChoose_;
    std::vector<ShownMessage> shown_;
};

// What the library reads from the file on disk now (the editor keeps no
// database open, so this is the file's content).
int32_t ReadInteger(const QString &Path, const char *Table, const char *Field, int Record);
float ReadFloat(const QString &Path, const char *Table, const char *Field, int Record);
std::string ReadString(const QString &Path, const char *Table, const char *Field, int Record);
struct Counts {
    int Records, Capacity, Deleted;
};
Counts ReadCounts(const QString &Path, int TableIndex);

// The file's identity on disk: a save replaces the file, so this changes
// with every save even when the bytes stay the same.
uint64_t FileIdentity(const QString &Path);

// Helpers for building records.
void PutText(zebtest::Bytes &Record, uint32_t ByteOffset, uint32_t ByteCount, const std::string &Text);
uint32_t FloatBits(float Value);

}  // namespace zebedittest
