// Typing into the grid's cells through the real in-place editor, checking
// the file on disk after every key, and the field information of a click.
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QTest>

#include "EditorHarness.h"
#include "zebcore.h"

using namespace zebedittest;
using zebtest::Bytes;
using zebtest::FieldSpec;
using zebtest::TableSpec;

namespace {

// Table E: one field of every kind the tests type into; record 0 holds the
// starting values, record 1 zeros.
const std::vector<FieldSpec> EditFields = {
    {0, "S", 0, 32},         // string of 4 bytes
    {2, "I", 32, 8},         // signed integer
    {3, "U", 40, 16},        // unsigned integer
    {0, "T", 56, 4},         // string of 4 bits: one byte
    {4, "F", 64, 32},        // float
    {4, "G", 96, 3},         // float too narrow for a number
    {718, "B", 99, 1},       // integer of one bit
    {0, "W", 104, 72},       // string of 9 bytes
    {9, "X", 176, 8},        // a type without a rendering
};
constexpr uint16_t EditRecordSize = 24;

int ColumnOf(const char *Field) {
    for (size_t i = 0; i < EditFields.size(); ++i)
        if (EditFields[i].Name == Field) return static_cast<int>(i) + 1;
    throw std::logic_error("no such field");
}

zebtest::DatabaseSpec EditDatabase() {
    Bytes first = zebtest::Record(EditRecordSize);
    PutText(first, 0, 4, "old");
    zebtest::SetBits(first, 32, 8, 7);
    zebtest::SetBits(first, 40, 16, 1);
    PutText(first, 7, 1, "Q");
    PutText(first, 13, 9, "nine");
    TableSpec table;
    table.Name = "E";
    table.RecordSize = EditRecordSize;
    table.Fields = EditFields;
    table.Records = {first, zebtest::Record(EditRecordSize)};
    zebtest::DatabaseSpec database;
    database.Tables = {table};
    return database;
}

// The field's value in the file on disk, as text.
QString Stored(const QString &Path, const char *Field, int Record = 0) {
    const int column = ColumnOf(Field);
    switch (EditFields[static_cast<size_t>(column - 1)].Type) {
    case 0: return QString::fromLatin1(ReadString(Path, "E", Field, Record).c_str());
    case 4: return QString::number(ReadFloat(Path, "E", Field, Record));
    default: return QString::number(ReadInteger(Path, "E", Field, Record));
    }
}

// True when no database is left open in the library: an open of another
// file then gets the lowest handle, 0.
bool NoDatabaseOpen(const EditorHarness &Editor) {
    const std::string other = Editor.Dir().Write("probe.db", zebtest::BuildImage(zebtest::DatabaseSpec{}));
    const int32_t handle = ZEBOpen(other.c_str());
    ZEBClose(handle);
    return handle == 0;
}

class EditSession : public EditorHarness {
  public:
    EditSession() : Path(WriteDatabase("edit.db", EditDatabase())) {
        OpenFile(Path);
        ClickTable(0);
    }
    const QString Path;
};

}  // namespace

class EditTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void everyKeyWritesAndSaves_data();
    void everyKeyWritesAndSaves();
    void endingTheEditWritesOnceMore();
    void floatsTakeTheLocaleSeparator();
    void emptyingACellSavesNothing();
    void pastedTextIsOneChange();
    void typeWithoutRenderingIsSavedUnchanged();
    void aFileThatCannotBeSavedIsReported();
    void editsOnASortedGridReachTheirRecord();
    void clickShowsFieldInformation_data();
    void clickShowsFieldInformation();
    void clickOnRecordNumbersChangesNothing();
    void withoutASelectedTableCellHandlersDoNothing();
};

void EditTest::everyKeyWritesAndSaves_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QList<bool>>("refused");  // per key
    QTest::addColumn<QStringList>("stored");   // per key
    QTest::newRow("$, 4, 1 into a string")
        << "S" << "$41" << QList<bool>{false, false, false} << QStringList{"old", "old", "A"};
    QTest::newRow("-5 into a signed integer")
        << "I" << "-5" << QList<bool>{true, false} << QStringList{"7", "-5"};
    QTest::newRow("$FF into an unsigned integer")
        << "U" << "$FF" << QList<bool>{true, false, false} << QStringList{"1", "15", "255"};
    QTest::newRow("0x hex into an unsigned integer")
        << "U" << "0x1f" << QList<bool>{false, true, false, false} << QStringList{"0", "0", "1", "31"};
    QTest::newRow("a string longer than its bits is refused")
        << "T" << "XYZAB" << QList<bool>{false, false, false, false, true} << QStringList{"X", "X", "X", "X", "X"};
    QTest::newRow("a number too wide for one bit is refused")
        << "B" << "6553" << QList<bool>{false, false, false, true} << QStringList{"0", "1", "1", "1"};
    QTest::newRow("a float in a narrow field is refused")
        << "G" << "1" << QList<bool>{true} << QStringList{"0"};
    QTest::newRow("a float with the separator")
        << "F" << "2.5" << QList<bool>{false, false, false} << QStringList{"2", "2", "2.5"};
    QTest::newRow("text that is no float is refused")
        << "F" << "2x" << QList<bool>{false, true} << QStringList{"2", "2"};
    QTest::newRow("a string beginning with $ is hex input")
        << "W" << "$2441" << QList<bool>{false, false, false, false, false}
        << QStringList{"nine", "nine", "$", "$", "$A"};
}

void EditTest::everyKeyWritesAndSaves() {
    QFETCH(QString, field);
    QFETCH(QString, keys);
    QFETCH(QList<bool>, refused);
    QFETCH(QStringList, stored);
    EditSession editor;
    const int column = ColumnOf(field.toLatin1().constData());
    uint64_t identity = FileIdentity(editor.Path);
    editor.TypeIntoCell(1, column, keys, [&](int Typed) {
        const int key = Typed - 1;
        // The cell shows what was typed, whatever became of it.
        QCOMPARE(editor.Cell(column, 1), keys.left(Typed));
        const std::vector<ShownMessage> shown = editor.TakeShown();
        QCOMPARE(shown.size(), size_t(refused[key] ? 1 : 0));
        if (refused[key]) {
            QCOMPARE(shown[0].Text, "Size of Value is not correct.");
            QCOMPARE(shown[0].Caption, "Error!");
            QCOMPARE(shown[0].Icon, QMessageBox::Critical);
            QCOMPARE(shown[0].Buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        }
        QCOMPARE(Stored(editor.Path, field.toLatin1().constData()), stored[key]);
        // Saved at every key, refused or not.
        const uint64_t now = FileIdentity(editor.Path);
        QVERIFY(now != identity);
        identity = now;
    });
    QVERIFY(!QTest::currentTestFailed());
    // The other record and the other fields keep their values.
    QCOMPARE(Stored(editor.Path, field.toLatin1().constData(), 1), EditFields[size_t(column - 1)].Type == 0 ? "" : "0");
    if (field != "S") QCOMPARE(Stored(editor.Path, "S"), "old");
    if (field != "I") QCOMPARE(Stored(editor.Path, "I"), "7");
    QVERIFY(NoDatabaseOpen(editor));
    QCOMPARE(zebtest::CheckWordProblems(zebtest::ReadFile(editor.Path.toStdString()), true), std::string());
}

void EditTest::endingTheEditWritesOnceMore() {
    EditSession editor;
    const int column = ColumnOf("U");
    editor.TypeIntoCell(1, column, "42");
    const uint64_t before = FileIdentity(editor.Path);
    editor.KeyIntoEditor(Qt::Key_Return);
    QTRY_VERIFY(!editor.Editor());  // the delegate commits on the next turn of the event loop
    QVERIFY(FileIdentity(editor.Path) != before);
    QCOMPARE(Stored(editor.Path, "U"), "42");
    QCOMPARE(editor.Cell(column, 1), "42");
}

void EditTest::floatsTakeTheLocaleSeparator() {
    EditSession editor;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    editor.TypeIntoCell(1, ColumnOf("F"), "1,5");
    const std::vector<ShownMessage> comma = editor.TakeShown();
    editor.TypeIntoCell(2, ColumnOf("F"), "1.5");
    const std::vector<ShownMessage> fullStop = editor.TakeShown();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QVERIFY(comma.empty());
    QCOMPARE(Stored(editor.Path, "F"), "1.5");
    QCOMPARE(fullStop.size(), size_t(2));  // "1" is written, "1." and "1.5" are refused
    QCOMPARE(Stored(editor.Path, "F", 1), "1");
}

void EditTest::emptyingACellSavesNothing() {
    EditSession editor;
    const int column = ColumnOf("U");
    editor.TypeIntoCell(1, column, "5");
    const uint64_t before = FileIdentity(editor.Path);
    editor.KeyIntoEditor(Qt::Key_Backspace);
    QCOMPARE(editor.Cell(column, 1), "");
    QCOMPARE(FileIdentity(editor.Path), before);
    QCOMPARE(Stored(editor.Path, "U"), "5");
    QVERIFY(editor.TakeShown().empty());
}

void EditTest::pastedTextIsOneChange() {
    EditSession editor;
    const int column = ColumnOf("W");  // 72 bits
    editor.TypeIntoCell(1, column, "a");
    QLineEdit *line = editor.Editor();
    QVERIFY(line);

    // Nine bytes in hex: within 72 bits.
    QApplication::clipboard()->setText("$414243444546474849");
    editor.KeyIntoEditor(Qt::Key_A, Qt::ControlModifier);
    editor.KeyIntoEditor(Qt::Key_V, Qt::ControlModifier);
    QVERIFY(editor.TakeShown().empty());
    QCOMPARE(Stored(editor.Path, "W"), "ABCDEFGHI");

    // Seventy-three bytes in hex are refused, the file keeps its value.
    QApplication::clipboard()->setText("$" + QString("41").repeated(73));
    editor.KeyIntoEditor(Qt::Key_A, Qt::ControlModifier);
    editor.KeyIntoEditor(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(editor.TakeShown().size(), size_t(1));
    QCOMPARE(Stored(editor.Path, "W"), "ABCDEFGHI");

    // A long plain text is refused the same way: 73 characters.
    QApplication::clipboard()->setText(QString("z").repeated(73));
    editor.KeyIntoEditor(Qt::Key_A, Qt::ControlModifier);
    editor.KeyIntoEditor(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(editor.TakeShown().size(), size_t(1));
    QCOMPARE(Stored(editor.Path, "W"), "ABCDEFGHI");
}

void EditTest::typeWithoutRenderingIsSavedUnchanged() {
    EditSession editor;
    const zebtest::Bytes before = zebtest::ReadFile(editor.Path.toStdString());
    editor.TypeIntoCell(1, ColumnOf("X"), "9");
    QVERIFY(editor.TakeShown().empty());
    QVERIFY(zebtest::ReadFile(editor.Path.toStdString()) == before);
}

void EditTest::aFileThatCannotBeSavedIsReported() {
    EditSession editor;
    QFile::setPermissions(editor.Path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    editor.TypeIntoCell(1, ColumnOf("U"), "9");
    const std::vector<ShownMessage> shown = editor.TakeShown();
    QCOMPARE(shown.size(), size_t(1));
    QCOMPARE(shown[0].Text, "The database could not be saved to " + editor.Path + ".");
    QCOMPARE(shown[0].Caption, "Error!");
    QCOMPARE(Stored(editor.Path, "U"), "1");
    QVERIFY(NoDatabaseOpen(editor));
}

void EditTest::editsOnASortedGridReachTheirRecord() {
    EditSession editor;
    const int column = ColumnOf("I");
    editor.ClickHeader(column);  // ascending: record 1 (0) before record 0 (7)
    QCOMPARE(editor.Cell(0, 1), "1");
    editor.TypeIntoCell(1, column, "3");
    QCOMPARE(Stored(editor.Path, "I", 1), "3");
    QCOMPARE(Stored(editor.Path, "I", 0), "7");
}

void EditTest::clickShowsFieldInformation_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("size");
    QTest::newRow("string") << 1 << "S" << "Type: String" << "Size: 32";
    QTest::newRow("signed integer") << 2 << "I" << "Type: Signed Integer" << "Size: 8";
    QTest::newRow("unsigned integer") << 1 << "U" << "Type: Unsigned Integer" << "Size: 16";
    QTest::newRow("float") << 1 << "G" << "Type: Float" << "Size: 3";
    QTest::newRow("integer") << 1 << "B" << "Type: Integer" << "Size: 1";
    QTest::newRow("field name cell") << 0 << "W" << "Type: String" << "Size: 72";
    QTest::newRow("other type keeps the type text") << 1 << "X" << "Type:" << "Size: 8";
}

void EditTest::clickShowsFieldInformation() {
    QFETCH(int, row);
    QFETCH(QString, field);
    QFETCH(QString, type);
    QFETCH(QString, size);
    EditSession editor;
    const uint64_t identity = FileIdentity(editor.Path);
    editor.ClickCell(row, ColumnOf(field.toLatin1().constData()));
    QCOMPARE(editor.Form().GroupBox3->title(), "Field: " + field);
    QCOMPARE(editor.Form().Label9->text(), type);
    QCOMPARE(editor.Form().Label3->text(), size);
    QCOMPARE(FileIdentity(editor.Path), identity);  // nothing saved
    QVERIFY(NoDatabaseOpen(editor));
}

void EditTest::clickOnRecordNumbersChangesNothing() {
    EditSession editor;
    editor.ClickCell(1, ColumnOf("U"));
    editor.ClickCell(2, 0);
    QCOMPARE(editor.Form().GroupBox3->title(), "Field: U");
    QCOMPARE(editor.Form().Label3->text(), "Size: 16");
}

void EditTest::withoutASelectedTableCellHandlersDoNothing() {
    EditSession editor;
    editor.OpenFile(editor.Path);  // the same file again: no table selected now
    QVERIFY(!editor.Form().StringGrid1->isEnabled());
    const uint64_t identity = FileIdentity(editor.Path);
    editor.Form().StringGrid1SetEditText(ColumnOf("U"), 1, "9");
    editor.Form().StringGrid1ClickCell(1, ColumnOf("U"));
    QCOMPARE(FileIdentity(editor.Path), identity);
    QCOMPARE(editor.Form().GroupBox3->title(), "Field Info:");
    QVERIFY(editor.TakeShown().empty());
    QVERIFY(NoDatabaseOpen(editor));
}

QTEST_MAIN(EditTest)
#include "editor_edit_test.moc"
