// Exporting the shown grid to a workbook, read back with xlrd and compared
// cell by cell with the grid.
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>
#include <QToolButton>

#include "EditorHarness.h"

using namespace zebedittest;
using zebtest::Bytes;
using zebtest::FieldSpec;
using zebtest::TableSpec;

namespace {

struct Workbook {
    QString Error;  // empty when xlrd read the file
    QStringList SheetNames;
    QList<QStringList> Cells;  // of the first sheet, row by row
};

Workbook ReadWithXlrd(const QString &Path) {
    Workbook book;
    QProcess reader;
    reader.start(ZEB_XLRD_PYTHON, {ZEB_TEST_SOURCE_DIR "/read_xls.py", Path});
    if (!reader.waitForFinished(60000) || reader.exitStatus() != QProcess::NormalExit || reader.exitCode() != 0) {
        book.Error = "xlrd could not read " + Path + ": " + QString::fromLocal8Bit(reader.readAllStandardError());
        return book;
    }
    const QJsonArray sheets = QJsonDocument::fromJson(reader.readAllStandardOutput()).array();
    for (const QJsonValue &sheet : sheets) book.SheetNames << sheet.toObject()["name"].toString();
    for (const QJsonValue &row : sheets.first().toObject()["cells"].toArray()) {
        QStringList texts;
        for (const QJsonValue &cell : row.toArray()) texts << cell.toString();
        book.Cells << texts;
    }
    return book;
}

// Every grid cell against the workbook's cell; cells the workbook lacks
// must be empty in the grid.
void CompareWithGrid(EditorHarness &Editor, const Workbook &Book) {
    QVERIFY2(Book.Error.isEmpty(), qPrintable(Book.Error));
    const zebedit::TGridModel &grid = Editor.Grid();
    QVERIFY(Book.Cells.size() <= grid.GridRowCount());
    for (int row = 0; row < grid.GridRowCount(); ++row) {
        for (int column = 0; column < grid.GridColumnCount(); ++column) {
            const QStringList cells = row < Book.Cells.size() ? Book.Cells[row] : QStringList();
            QVERIFY(cells.size() <= grid.GridColumnCount());
            const QString inBook = column < cells.size() ? cells[column] : QString();
            if (inBook != grid.GridCell(column, row))
                QFAIL(qPrintable(QString("cell (%1, %2): workbook '%3', grid '%4'")
                                     .arg(column).arg(row).arg(inBook, grid.GridCell(column, row))));
        }
    }
}

zebtest::DatabaseSpec ExportDatabase() {
    TableSpec mixed;
    mixed.Name = "MIX";
    mixed.RecordSize = 16;
    mixed.Fields = {{0, "NAME", 0, 64}, {2, "ATK", 64, 12}, {4, "SPD", 76, 32}, {3, "ID", 108, 16}};
    const char *names[] = {"Caf\xE9", "Ctrl\x01", "plain", "\xFF\xFE", "$24"};
    for (int r = 0; r < 25; ++r) {
        Bytes record = zebtest::Record(16);
        PutText(record, 0, 8, names[r % 5]);
        zebtest::SetBits(record, 64, 12, static_cast<uint64_t>(4096 - r * 37));
        zebtest::SetBits(record, 76, 32, FloatBits(1.1f * static_cast<float>(r)));
        zebtest::SetBits(record, 108, 16, static_cast<uint64_t>(r * r));
        mixed.Records.push_back(record);
    }
    TableSpec empty;
    empty.Name = "EMPT";
    empty.RecordSize = 2;
    empty.Fields = {{3, "A", 0, 8}, {0, "B", 8, 7}};
    TableSpec wide;
    wide.Name = "WIDE";
    wide.RecordSize = 32;
    for (int f = 0; f < 256; ++f) wide.Fields.push_back({3, "W" + std::to_string(f), static_cast<uint32_t>(f), 1});
    wide.Records = {zebtest::Record(32)};
    zebtest::DatabaseSpec database;
    database.Tables = {mixed, empty, wide};
    return database;
}

class ExportSession : public EditorHarness {
  public:
    ExportSession() : Path(WriteDatabase("export.db", ExportDatabase())) { OpenFile(Path); }
    QString Workbook(const QString &Table) const { return QFileInfo(Path).absoluteDir().filePath(Table + ".xls"); }
    const QString Path;
};

void ExpectSaved(EditorHarness &Editor, const QString &Path) {
    const std::vector<ShownMessage> shown = Editor.TakeShown();
    QCOMPARE(shown.size(), size_t(1));
    QCOMPARE(shown[0].Text, "Table saved to: " + Path);
    QCOMPARE(shown[0].Caption, "Information!");
    QCOMPARE(shown[0].Icon, QMessageBox::Information);
}

// Only the database and the probe file may be in the folder.
QStringList FilesBeside(const QString &Database) {
    return QFileInfo(Database).absoluteDir().entryList(QDir::Files | QDir::Hidden | QDir::System);
}

}  // namespace

class ExportTest : public QObject {
    Q_OBJECT

  private slots:
    void workbookHoldsWhatTheGridShows();
    void sortedAndEditedGridIsExportedAsShown();
    void tableWithoutRecords();
    void exportReplacesAnEarlierWorkbook();
    void unwritableFolderIsReported();
    void tooManyFieldsForASheetAreReported();
};

void ExportTest::workbookHoldsWhatTheGridShows() {
    ExportSession editor;
    editor.ClickTable(0);
    QCOMPARE(editor.Cell(1, 1), QString::fromLatin1("Caf\xE9"));
    QCOMPARE(editor.Cell(1, 2), "$4374726C01");
    editor.Click(editor.Form().ToolButton4);
    const QString book = editor.Workbook("MIX");
    ExpectSaved(editor, book);
    const Workbook read = ReadWithXlrd(book);
    QVERIFY2(read.Error.isEmpty(), qPrintable(read.Error));
    QCOMPARE(read.SheetNames, QStringList{"MIX"});
    QCOMPARE(read.Cells.size(), 26);
    QCOMPARE(read.Cells[0], QStringList({"REC #", "NAME", "ATK", "SPD", "ID"}));
    CompareWithGrid(editor, read);
}

void ExportTest::sortedAndEditedGridIsExportedAsShown() {
    ExportSession editor;
    editor.ClickTable(0);
    editor.ClickHeader(4);
    editor.ClickHeader(4);  // ID descending
    editor.TypeIntoCell(3, 2, "-");  // refused, yet the cell shows it
    editor.TakeShown();
    QCOMPARE(editor.Cell(2, 3), "-");
    editor.Click(editor.Form().ToolButton4);
    ExpectSaved(editor, editor.Workbook("MIX"));
    const Workbook read = ReadWithXlrd(editor.Workbook("MIX"));
    QVERIFY2(read.Error.isEmpty(), qPrintable(read.Error));
    QCOMPARE(read.Cells[1][0], "24");
    QCOMPARE(read.Cells[3][2], "-");
    CompareWithGrid(editor, read);
}

void ExportTest::tableWithoutRecords() {
    ExportSession editor;
    editor.ClickTable(1);
    editor.Click(editor.Form().ToolButton4);
    ExpectSaved(editor, editor.Workbook("EMPT"));
    const Workbook read = ReadWithXlrd(editor.Workbook("EMPT"));
    QVERIFY2(read.Error.isEmpty(), qPrintable(read.Error));
    QCOMPARE(read.SheetNames, QStringList{"EMPT"});
    QCOMPARE(read.Cells.value(0), QStringList({"REC #", "A", "B"}));
    CompareWithGrid(editor, read);
}

void ExportTest::exportReplacesAnEarlierWorkbook() {
    ExportSession editor;
    zebtest::WriteFile(editor.Workbook("EMPT").toStdString(), Bytes(100, 0x55));
    editor.ClickTable(1);
    editor.Click(editor.Form().ToolButton4);
    ExpectSaved(editor, editor.Workbook("EMPT"));
    const Workbook read = ReadWithXlrd(editor.Workbook("EMPT"));
    QVERIFY2(read.Error.isEmpty(), qPrintable(read.Error));
    QCOMPARE(read.Cells.value(0).value(0), "REC #");
}

void ExportTest::unwritableFolderIsReported() {
    ExportSession editor;
    editor.ClickTable(0);
    // The folder goes away after the table was shown.
    const QString folder = QFileInfo(editor.Path).absolutePath();
    QVERIFY(QDir(folder).removeRecursively());
    editor.Click(editor.Form().ToolButton4);
    const std::vector<ShownMessage> shown = editor.TakeShown();
    QCOMPARE(shown.size(), size_t(1));
    QCOMPARE(shown[0].Caption, "Error!");
    QCOMPARE(shown[0].Icon, QMessageBox::Critical);
    QVERIFY(shown[0].Text.contains(editor.Workbook("MIX")));
    QVERIFY(!shown[0].Text.startsWith("Table saved to: "));
    QVERIFY(!QFileInfo::exists(editor.Workbook("MIX")));
    QDir().mkpath(folder);  // for the test folder's own clean-up
}

void ExportTest::tooManyFieldsForASheetAreReported() {
    ExportSession editor;
    editor.ClickTable(2);
    QCOMPARE(editor.Grid().GridColumnCount(), 257);
    editor.Click(editor.Form().ToolButton4);
    const std::vector<ShownMessage> shown = editor.TakeShown();
    QCOMPARE(shown.size(), size_t(1));
    QCOMPARE(shown[0].Caption, "Error!");
    QVERIFY(shown[0].Text.contains("256"));
    QCOMPARE(FilesBeside(editor.Path), QStringList{"export.db"});
}

QTEST_MAIN(ExportTest)
#include "editor_export_test.moc"
