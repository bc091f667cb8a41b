// Adding a record and removing the current one; each reloads the table.
#include "Unit1.h"
#include "Unit1_Session.h"
#include "zebcore.h"

namespace zebedit {

void TForm1::ToolButton9Click() {
    Guarded([this] { AddRecord(); });
}

void TForm1::AddRecord() {
    const auto table = SelectedTableName();
    if (!table || !Confirm(QStringLiteral("New record will be added. Are You sure?"))) return;
    {
        TDatabaseSession database(DatabaseFileName);
        if (!database.IsOpen()) return;
        // Grow: when every slot is in use, the table may take one more.
        ZEBTableRecordAdd(database.Handle(), NameArgument(*table).constData(), 1);
        SaveDatabase(database);
    }
    LoadSelectedTable();
}

void TForm1::ToolButton7Click() {
    Guarded([this] { RemoveCurrentRecord(); });
}

void TForm1::RemoveCurrentRecord() {
    const auto table = SelectedTableName();
    if (!table) return;
    // The record is the one the current row shows, also in a sorted grid.
    const int shown = RecordOfGridRow(StringGrid1->Row());
    if (shown < 0 ||
        !Confirm(QStringLiteral("Record #%1 will be removed. Are You sure?").arg(shown)))
        return;
    {
        TDatabaseSession database(DatabaseFileName);
        if (!database.IsOpen()) return;
        ZEBTableRecordRemove(database.Handle(), NameArgument(*table).constData(), RecordOfGridRow(StringGrid1->Row()));
        SaveDatabase(database);
    }
    LoadSelectedTable();
}

}  // namespace zebedit
