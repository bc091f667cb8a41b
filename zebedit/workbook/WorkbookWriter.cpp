#include "WorkbookWriter.h"

#include "CompoundFile.h"
#include "ExportFile.h"
#include "SheetName.h"
#include "WorkbookStream.h"

namespace zebedit {

void WriteXlsWorkbook(const std::string &Path, const std::u16string &SheetName, size_t Rows, size_t Columns,
                      const CellText &Cell) {
    using namespace workbook;
    // A table the format cannot hold is refused before any file is touched.
    CheckSheetSize(Rows, Columns);
    ExportFile file(Path);
    {
        CompoundFileWriter container(file);
        WriteWorkbookStream(container.Workbook(), SanitiseSheetName(SheetName), Rows, Columns, Cell);
        container.Close();
    }
    file.Commit();
}

}  // namespace zebedit
