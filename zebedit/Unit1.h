// Unit1: the editor's main window TForm1. The window opens a database file,
// lists its tables, shows the chosen table's records in StringGrid1 and
// offers the commands that change them. It keeps no database open between
// user actions: every handler opens DatabaseFileName with ZEBOpen, works, and
// closes it again (TDatabaseSession), so the window always shows the file's
// content on disk.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <optional>

#include "Unit1_Icons.h"
#include "Unit1_StringGrid.h"

class QFileDialog;
class QGroupBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QStatusBar;
class QToolBar;
class QToolButton;

namespace zebedit {

class TDatabaseSession;

class TForm1 : public QWidget {
    Q_OBJECT

  public:
    explicit TForm1(QWidget *Parent = nullptr);
    ~TForm1() override;

    // The window's components, named as the window's designer named them.
    QToolBar *ToolBar1;
    QToolButton *ToolButton1, *ToolButton4, *ToolButton9, *ToolButton7, *ToolButton5;
    QGroupBox *GroupBox1, *GroupBox2, *GroupBox3;
    QLabel *Label1, *Label2, *Label3, *Label4, *Label6, *Label8, *Label9;
    QProgressBar *ProgressBar1;
    QListWidget *ListBox1;
    TStringGrid *StringGrid1;
    QStatusBar *StatusBar1;
    QLabel *StatusBar1Panel;  // the status bar's one panel
    QFileDialog *OpenDialog1;
    TImageList ImageList1;

    // Full path of the file chosen last in the open dialog; every action
    // opens it.
    QString DatabaseFileName;

    // Shows a modal dialog (the open dialog, a confirmation or a message box)
    // and returns its result: QDialog::Accepted or a QMessageBox button.
    // Tests replace it to answer the dialogs.
    std::function<int(QDialog &)> RunDialog = [](QDialog &Dialog) { return Dialog.exec(); };

  public slots:
    void ToolButton1Click();  // open a database file
    void ListBox1Click();     // load the selected table into the grid
    void StringGrid1SetEditText(int ACol, int ARow, const QString &Value);
    void StringGrid1ClickCell(int ARow, int ACol);
    void ToolButton9Click();  // add a record
    void ToolButton7Click();  // remove the current record
    void ToolButton4Click();  // export the grid to a workbook
    void ToolButton5Click();  // close the window

  protected:
    bool eventFilter(QObject *Watched, QEvent *Event) override;

  private:
    void CreateComponents();
    void ConnectHandlers();

    void OpenDatabaseFile();
    void LoadSelectedTable();
    void WriteEditedCell(int ACol, int ARow, const QString &Value);
    void ShowFieldInfo(int ACol);
    void AddRecord();
    void RemoveCurrentRecord();
    void ExportGrid();

    // The selected table's list position and name; none when no table is
    // selected.
    int SelectedTableIndex() const;
    std::optional<QString> SelectedTableName() const;
    // The record that grid row ARow shows, read from its record number.
    int RecordOfGridRow(int ARow) const;

    // ZEBSave of the action's database; a file that could not be written is
    // reported, as the change would otherwise be lost without a word.
    void SaveDatabase(TDatabaseSession &Database);
    bool Confirm(const QString &Text);
    void ShowMessage(const QString &Text, const QString &Caption, bool IsError);
    // Runs a handler's work; an error that escapes it is shown to the user.
    void Guarded(const std::function<void()> &Work);

    // ListBox1 reloads on a click on the selected table too; these tell a
    // click that changed the selection (already loaded) from one that did not.
    bool listPressed_ = false;
    bool listSelectionChangedByPress_ = false;
};

}  // namespace zebedit
