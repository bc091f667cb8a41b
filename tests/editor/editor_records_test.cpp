// Adding and removing records through the tool buttons, answering the
// confirmations from the test, and closing the window.
#include <QLabel>
#include <QTest>
#include <QToolButton>

#include "EditorHarness.h"

using namespace zebedittest;
using zebtest::Bytes;

namespace {

// Table R: field N holds 10 * record index + 1 in records 0 to 5 (record 3
// deleted), with the given number of spare slots. Table Z has no records.
zebtest::DatabaseSpec RecordsDatabase(bool Crc, uint16_t SpareSlots) {
    zebtest::TableSpec table;
    table.Name = "R";
    table.RecordSize = 2;
    table.Fields = {{3, "N", 0, 8}};
    for (uint8_t r = 0; r < 6; ++r) table.Records.push_back(zebtest::Record(2, {static_cast<uint8_t>(10 * r + 1)}));
    zebtest::MarkDeleted(table.Records[3]);
    table.SpareSlots = SpareSlots;
    zebtest::TableSpec empty;
    empty.Name = "Z";
    empty.RecordSize = 2;
    empty.Fields = {{3, "M", 0, 8}};
    zebtest::DatabaseSpec database;
    database.Crc = Crc;
    database.Tables = {table, empty};
    return database;
}

QStringList Column(EditorHarness &Editor, int ACol) {
    QStringList texts;
    for (int row = 1; row < Editor.Grid().GridRowCount(); ++row) texts << Editor.Cell(ACol, row);
    return texts;
}

void ExpectConfirmation(EditorHarness &Editor, const QString &Text) {
    const std::vector<ShownMessage> shown = Editor.TakeShown();
    QCOMPARE(shown.size(), size_t(1));
    QCOMPARE(shown[0].Text, Text);
    QCOMPARE(shown[0].Caption, "Confirm");
    QCOMPARE(shown[0].Icon, QMessageBox::Question);
    QCOMPARE(shown[0].Buttons, QMessageBox::Yes | QMessageBox::No);
}

}  // namespace

class RecordsTest : public QObject {
    Q_OBJECT

  private slots:
    void addWithYes_data();
    void addWithYes();
    void answeringNoChangesNothing();
    void addToATableWithoutRecords();
    void removeTheFocusedRecord();
    void removeOnASortedGridHitsTheShownRecord();
    void closeButtonClosesTheWindow();
};

void RecordsTest::addWithYes_data() {
    QTest::addColumn<bool>("crc");
    QTest::addColumn<int>("spareSlots");
    QTest::addColumn<int>("capacityAfter");
    QTest::newRow("CRC layout, spare slot") << true << 1 << 7;
    QTest::newRow("CRC layout, table grows") << true << 0 << 7;
    QTest::newRow("sum layout, spare slot") << false << 2 << 8;
    QTest::newRow("sum layout, table grows") << false << 0 << 7;
}

void RecordsTest::addWithYes() {
    QFETCH(bool, crc);
    QFETCH(int, spareSlots);
    QFETCH(int, capacityAfter);
    EditorHarness editor;
    const QString path = editor.WriteDatabase("rec.db", RecordsDatabase(crc, static_cast<uint16_t>(spareSlots)));
    editor.OpenFile(path);
    editor.ClickTable(0);
    editor.Answers = {QMessageBox::Yes};
    editor.Click(editor.Form().ToolButton9);
    ExpectConfirmation(editor, "New record will be added. Are You sure?");

    // The deleted record 3 is reused first.
    const Counts reused = ReadCounts(path, 0);
    QCOMPARE(reused.Records, 6);
    QCOMPARE(reused.Deleted, 0);
    QCOMPARE(Column(editor, 1), QStringList({"1", "11", "21", "0", "41", "51"}));

    // Then a spare slot, or one more slot.
    editor.Answers = {QMessageBox::Yes};
    editor.Click(editor.Form().ToolButton9);
    editor.TakeShown();
    const Counts added = ReadCounts(path, 0);
    QCOMPARE(added.Records, 7);
    QCOMPARE(added.Capacity, capacityAfter);
    QCOMPARE(Column(editor, 0), QStringList({"0", "1", "2", "3", "4", "5", "6"}));
    QCOMPARE(Column(editor, 1).last(), "0");
    QCOMPARE(editor.Form().Label6->text(), "Record Count: 7");
    QCOMPARE(editor.Form().Label8->text(), QString("Capacity: %1").arg(capacityAfter));
    QCOMPARE(zebtest::CheckWordProblems(zebtest::ReadFile(path.toStdString()), crc), std::string());
}

void RecordsTest::answeringNoChangesNothing() {
    EditorHarness editor;
    const QString path = editor.WriteDatabase("rec.db", RecordsDatabase(true, 1));
    editor.OpenFile(path);
    editor.ClickTable(0);
    editor.ClickCell(2, 1);
    const uint64_t identity = FileIdentity(path);
    editor.Answers = {QMessageBox::No};
    editor.Click(editor.Form().ToolButton9);
    ExpectConfirmation(editor, "New record will be added. Are You sure?");
    editor.Answers = {QMessageBox::No};
    editor.Click(editor.Form().ToolButton7);
    ExpectConfirmation(editor, "Record #1 will be removed. Are You sure?");
    QCOMPARE(FileIdentity(path), identity);
    QCOMPARE(editor.Grid().GridRowCount(), 7);
}

void RecordsTest::addToATableWithoutRecords() {
    EditorHarness editor;
    const QString path = editor.WriteDatabase("rec.db", RecordsDatabase(false, 0));
    editor.OpenFile(path);
    editor.ClickTable(1);
    QVERIFY(!editor.Form().ToolButton7->isEnabled());
    editor.Answers = {QMessageBox::Yes};
    editor.Click(editor.Form().ToolButton9);
    QCOMPARE(ReadCounts(path, 1).Records, 1);
    QCOMPARE(editor.GridRow(1), QStringList({"0", "0"}));
    QVERIFY(editor.Form().ToolButton7->isEnabled());
    QVERIFY(editor.Form().StringGrid1->isEnabled());
}

void RecordsTest::removeTheFocusedRecord() {
    EditorHarness editor;
    const QString path = editor.WriteDatabase("rec.db", RecordsDatabase(true, 0));
    editor.OpenFile(path);
    editor.ClickTable(0);
    editor.ClickCell(5, 1);
    editor.Answers = {QMessageBox::Yes};
    editor.Click(editor.Form().ToolButton7);
    ExpectConfirmation(editor, "Record #4 will be removed. Are You sure?");
    QCOMPARE(Column(editor, 1), QStringList({"1", "11", "21", "31", "51"}));
    const Counts after = ReadCounts(path, 0);
    QCOMPARE(after.Records, 5);
    QCOMPARE(after.Deleted, 1);
    QCOMPARE(editor.Form().Label6->text(), "Record Count: 5");
    QCOMPARE(ReadInteger(path, "R", "N", 4), 51);
}

void RecordsTest::removeOnASortedGridHitsTheShownRecord() {
    EditorHarness editor;
    const QString path = editor.WriteDatabase("rec.db", RecordsDatabase(true, 0));
    editor.OpenFile(path);
    editor.ClickTable(0);
    editor.ClickHeader(1);
    editor.ClickHeader(1);  // descending: row 2 shows record 4 (41)
    QCOMPARE(editor.GridRow(2), QStringList({"4", "41"}));
    editor.ClickCell(2, 1);
    editor.Answers = {QMessageBox::Yes};
    editor.Click(editor.Form().ToolButton7);
    ExpectConfirmation(editor, "Record #4 will be removed. Are You sure?");
    QCOMPARE(Column(editor, 1), QStringList({"1", "11", "21", "31", "51"}));
    QCOMPARE(ReadInteger(path, "R", "N", 4), 51);
}

void RecordsTest::closeButtonClosesTheWindow() {
    EditorHarness editor;
    editor.Click(editor.Form().ToolButton5);
    QVERIFY(!editor.Form().isVisible());
}

QTEST_MAIN(RecordsTest)
#include "editor_records_test.moc"
