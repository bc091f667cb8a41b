// Opening a database file and loading a table into the grid.
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QToolButton>
#include <algorithm>
#include <cstring>
#include <vector>

#include "Unit1.h"
#include "Unit1_Hex.h"
#include "Unit1_Numbers.h"
#include "Unit1_Session.h"
#include "zebcore.h"

namespace zebedit {
namespace {

// No stored text is longer than a record (at most 65535 bytes), so a string
// buffer never needs more room than that, whatever width a field claims.
constexpr uint32_t MaxStringBuffer = 65536;

// Names are at most four characters; the buffer adds the terminating zero.
using NameBuffer = char[5];

// Appends the texts of one field for records 0 to RecordCount - 1, rendered
// by the field's type; a type without a rendering leaves its cells empty.
void LoadFieldColumn(TGridModel &Grid, int32_t Handle, const char *Table, const char *Field,
                     const FieldProperties &Properties, int RecordCount, char16_t DecimalSeparator) {
    switch (Properties.FieldType) {
    case ZEB_FT_SIGNED_INTEGER:
    case ZEB_FT_UNSIGNED_INTEGER:
    case ZEB_FT_INTEGER:
        for (int record = 0; record < RecordCount; ++record) {
            const int32_t value = ZEBFieldGetValueAsInteger(Handle, Table, Field, record);
            Grid.CommitCell(FormatInteger(value, Grid.ExtendCell(MaxNumberTextLength)));
        }
        break;
    case ZEB_FT_FLOAT:
        for (int record = 0; record < RecordCount; ++record) {
            const float value = ZEBFieldGetValueAsFloat(Handle, Table, Field, record);
            Grid.CommitCell(FormatFloat(value, DecimalSeparator, Grid.ExtendCell(MaxNumberTextLength)));
        }
        break;
    case ZEB_FT_STRING: {
        // The library sizes the text by the field it finds by name, which is
        // the first field of that name: in a table where two fields share a
        // name it may be wider than this one. No text is longer than a
        // record, so a buffer of the largest record size always holds it.
        std::vector<char> buffer(MaxStringBuffer + 1);
        char *text = buffer.data();
        for (int record = 0; record < RecordCount; ++record) {
            text[0] = '\0';
            ZEBFieldGetValueAsString(Handle, Table, Field, record, &text);
            const std::string_view value(text, strnlen(text, buffer.size()));
            Grid.AppendLatin1Cell(HasControlCharacter(value) ? std::string_view(StrToHex(value)) : value);
        }
        break;
    }
    default:
        for (int record = 0; record < RecordCount; ++record) Grid.CommitCell(0);
        break;
    }
}

// Calls Done when the scope ends, also when an error leaves it.
template <typename Done>
struct TAtExit {
    Done OnExit;
    ~TAtExit() { OnExit(); }
};
template <typename Done>
TAtExit(Done) -> TAtExit<Done>;

}  // namespace

void TForm1::ToolButton1Click() {
    Guarded([this] { OpenDatabaseFile(); });
}

void TForm1::OpenDatabaseFile() {
    if (RunDialog(*OpenDialog1) != QDialog::Accepted) return;
    const QStringList chosen = OpenDialog1->selectedFiles();
    if (chosen.isEmpty()) return;
    DatabaseFileName = chosen.first();
    if (!QFileInfo(DatabaseFileName).isFile()) return;
    TDatabaseSession database(DatabaseFileName);
    if (!database.IsOpen()) return;

    StringGrid1->Grid().Clear();
    // No table is selected now, so the grid takes no edits until one is.
    StringGrid1->setEnabled(false);
    StringGrid1->repaint();
    ToolButton4->setEnabled(false);
    ToolButton7->setEnabled(false);
    ToolButton9->setEnabled(false);
    GroupBox2->setTitle(QStringLiteral("Table Info:"));
    Label4->setText(QStringLiteral("Field Count:"));
    Label6->setText(QStringLiteral("Record Count:"));
    Label8->setText(QStringLiteral("Capacity:"));
    Label1->setText(QStringLiteral("Deleted:"));

    const int32_t tableCount = ZEBDatabaseGetTableCount(database.Handle());
    {
        const QSignalBlocker quiet(ListBox1);  // emptying the list loads nothing
        ListBox1->clear();
    }
    for (int32_t table = 0; table < tableCount; ++table) {
        NameBuffer name = {};
        TableProperties properties{name, 0, 0, 0, 0, 0};
        ZEBTableGetProperties(database.Handle(), table, &properties);
        ListBox1->addItem(QString::fromLatin1(name));
    }
    StatusBar1Panel->setText(DatabaseFileName);
    GroupBox1->setTitle(QStringLiteral("DB: ") + QFileInfo(DatabaseFileName).fileName());
    Label2->setText(QStringLiteral("Table Count: %1").arg(tableCount));
}

void TForm1::ListBox1Click() {
    Guarded([this] { LoadSelectedTable(); });
}

void TForm1::LoadSelectedTable() {
    const int tableIndex = SelectedTableIndex();
    if (tableIndex < 0) return;
    TDatabaseSession database(DatabaseFileName);
    if (!database.IsOpen()) return;
    const int32_t handle = database.Handle();

    // Disabling the list takes the keyboard focus away from it; it gets it
    // back afterwards, so the arrow keys go on choosing tables.
    const bool listHadFocus = ListBox1->hasFocus();
    ListBox1->setEnabled(false);
    const TAtExit restore{[this, listHadFocus] {
        ProgressBar1->setValue(0);
        ListBox1->setEnabled(true);
        if (listHadFocus) ListBox1->setFocus();
    }};
    TGridModel &grid = StringGrid1->Grid();
    grid.Clear();
    StringGrid1->ResetSortingAndWidths();
    StringGrid1->repaint();
    GroupBox3->setTitle(QStringLiteral("Field Info:"));
    Label9->setText(QStringLiteral("Type:"));
    Label3->setText(QStringLiteral("Size:"));
    StringGrid1->SetCornerText(QStringLiteral("REC #"));

    NameBuffer tableName = {};
    TableProperties table{tableName, 0, 0, 0, 0, 0};
    ZEBTableGetProperties(handle, tableIndex, &table);
    const int fieldCount = std::max(table.FieldCount, 0);
    const int recordCount = std::max(table.RecordCount, 0);

    grid.BeginLoad(fieldCount, recordCount);
    ToolButton7->setEnabled(recordCount > 0);
    StringGrid1->setEnabled(recordCount > 0);
    ProgressBar1->setMinimum(0);
    ProgressBar1->setMaximum(table.FieldCount - 1);

    const char16_t separator = UserDecimalSeparator().unicode();
    for (int field = 0; field < fieldCount; ++field) {
        // Move the progress bar and let the window repaint what changed: the
        // bar, as the grid shows its new texts once they are all loaded.
        // Repainting the whole window for every column would cost more than
        // a third of the value calls of a wide table. User input waits until
        // the table is loaded, so no command runs in the middle of it.
        ProgressBar1->setValue(field);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

        NameBuffer fieldName = {};
        FieldProperties properties{fieldName, 0, 0};
        ZEBFieldGetProperties(handle, tableName, field, &properties);
        grid.SetFieldName(field, QString::fromLatin1(fieldName));
        LoadFieldColumn(grid, handle, tableName, fieldName, properties, recordCount, separator);
        grid.EndField(field);
    }
    grid.EndLoad();
    if (recordCount > 0) StringGrid1->setCurrentIndex(grid.index(0, 0));
    StringGrid1->repaint();
    ToolButton4->setEnabled(true);
    ToolButton9->setEnabled(true);

    GroupBox2->setTitle(QStringLiteral("Table: ") + QString::fromLatin1(tableName));
    Label4->setText(QStringLiteral("Field Count: %1").arg(table.FieldCount));
    Label6->setText(QStringLiteral("Record Count: %1").arg(table.RecordCount));
    Label8->setText(QStringLiteral("Capacity: %1").arg(table.Capacity));
    Label1->setText(QStringLiteral("Deleted: %1").arg(table.DeletedCount));
}

}  // namespace zebedit
