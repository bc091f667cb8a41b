// Exporting the shown grid to an Excel 97-2003 workbook beside the database.
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "Unit1.h"
#include "WorkbookWriter.h"

namespace zebedit {

void TForm1::ToolButton4Click() {
    Guarded([this] { ExportGrid(); });
}

void TForm1::ExportGrid() {
    const auto table = SelectedTableName();
    if (!table) return;
    const QString path = QFileInfo(DatabaseFileName).absoluteDir().filePath(*table + QStringLiteral(".xls"));
    const TGridModel &grid = StringGrid1->Grid();
    try {
        // What the grid shows, fixed row and column included, in its order.
        WriteXlsWorkbook(QFile::encodeName(path).toStdString(), table->toStdU16String(),
                         static_cast<size_t>(grid.GridRowCount()), static_cast<size_t>(grid.GridColumnCount()),
                         [&grid](size_t Row, size_t Column) {
                             return grid.GridCell(static_cast<int>(Column), static_cast<int>(Row)).toStdU16String();
                         });
    } catch (const std::runtime_error &Error) {
        ShowMessage(QStringLiteral("The table could not be saved to %1: %2").arg(path, QString::fromLocal8Bit(Error.what())),
                    QStringLiteral("Error!"), true);
        return;
    }
    ShowMessage(QStringLiteral("Table saved to: ") + path, QStringLiteral("Information!"), false);
}

}  // namespace zebedit
