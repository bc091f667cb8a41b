// The main window, opening a file and browsing a table, driven through the
// real widgets.
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QProgressBar>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "EditorHarness.h"

using namespace zebedittest;
using zebtest::Bytes;
using zebtest::DatabaseSpec;
using zebtest::FieldSpec;
using zebtest::TableSpec;

Q_DECLARE_METATYPE(Bytes)

namespace {

TableSpec Table(const std::string &Name, uint16_t RecordSize, std::vector<FieldSpec> Fields, std::vector<Bytes> Records = {}) {
    TableSpec t;
    t.Name = Name;
    t.RecordSize = RecordSize;
    t.Fields = std::move(Fields);
    t.Records = std::move(Records);
    return t;
}

DatabaseSpec Database(bool Crc, std::vector<TableSpec> Tables) {
    DatabaseSpec d;
    d.Crc = Crc;
    d.Tables = std::move(Tables);
    return d;
}

// Three tables of different shapes.
DatabaseSpec ThreeTables(bool Crc) {
    Bytes a = zebtest::Record(4), b = zebtest::Record(4);
    zebtest::SetBits(a, 0, 8, 11);
    zebtest::SetBits(b, 0, 8, 22);
    zebtest::MarkDeleted(b);
    TableSpec first = Table("ONE", 4, {{3, "A", 0, 8}, {2, "B", 8, 8}}, {a, b});
    first.SpareSlots = 3;
    return Database(Crc, {first, Table("TWO", 2, {{3, "X", 0, 8}}), Table("TRE", 1, {}, {Bytes{0}})});
}

QString LabelText(QWidget *Form, const char *Name) { return Form->findChild<QLabel *>(Name)->text(); }

}  // namespace

class BrowseTest : public QObject {
    Q_OBJECT

  private slots:
    void windowHasItsComponents_data();
    void windowHasItsComponents();
    void windowIsFixedWithoutMaximise();
    void openingAFileListsItsTables_data();
    void openingAFileListsItsTables();
    void gridShowsEachTypeAsTheFileHoldsIt_data();
    void gridShowsEachTypeAsTheFileHoldsIt();
    void floatsUseTheLocaleSeparator();
    void gridShowsEveryRecordWithCounts();
    void tableWithoutFields();
    void tableWithoutRecords();
    void secondOfTwoTablesWithOneName();
    void anotherFileAfterATableWasShown();
    void failedOpenChangesOnlyTheRememberedName_data();
    void failedOpenChangesOnlyTheRememberedName();
    void cancelledOpenChangesNothing();
    void choosingTheSameTableAgainRereadsTheFile();
    void keyboardSelectionLoadsTheTable();
    void headerClickSortsNumbersAsNumbers();
    void screenshotOfALoadedTable();
};

void BrowseTest::windowHasItsComponents_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QRect>("place");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("enabled");
    const QRect any;
    QTest::newRow("ToolBar1") << "ToolBar1" << "QToolBar" << QRect(0, 0, 1009, 33) << "" << true;
    QTest::newRow("ToolButton1") << "ToolButton1" << "QToolButton" << any << "Open Any Korvex DB" << true;
    QTest::newRow("ToolButton4") << "ToolButton4" << "QToolButton" << any << "Save DB to XLS" << false;
    QTest::newRow("ToolButton9") << "ToolButton9" << "QToolButton" << any << "Add Record" << false;
    QTest::newRow("ToolButton7") << "ToolButton7" << "QToolButton" << any << "Remove Record" << false;
    QTest::newRow("ToolButton5") << "ToolButton5" << "QToolButton" << any << "Close/Exit" << true;
    QTest::newRow("GroupBox1") << "GroupBox1" << "QGroupBox" << QRect(10, 48, 150, 50) << "DB Info: " << true;
    QTest::newRow("Label2") << "Label2" << "QLabel" << QRect(8, 24, -1, -1) << "Table Count:" << true;
    QTest::newRow("GroupBox2") << "GroupBox2" << "QGroupBox" << QRect(168, 48, 601, 50) << "Table Info:" << true;
    QTest::newRow("Label4") << "Label4" << "QLabel" << QRect(8, 24, -1, -1) << "Field Count:" << true;
    QTest::newRow("Label6") << "Label6" << "QLabel" << QRect(120, 24, -1, -1) << "Record Count:" << true;
    QTest::newRow("Label8") << "Label8" << "QLabel" << QRect(248, 24, -1, -1) << "Capacity:" << true;
    QTest::newRow("Label1") << "Label1" << "QLabel" << QRect(352, 24, -1, -1) << "Deleted:" << true;
    QTest::newRow("ProgressBar1") << "ProgressBar1" << "QProgressBar" << QRect(456, 24, 129, 15) << "" << true;
    QTest::newRow("GroupBox3") << "GroupBox3" << "QGroupBox" << QRect(776, 48, 225, 50) << "Fieald Info:" << true;
    QTest::newRow("Label3") << "Label3" << "QLabel" << QRect(10, 24, -1, -1) << "Size:" << true;
    QTest::newRow("Label9") << "Label9" << "QLabel" << QRect(74, 24, -1, -1) << "Type:" << true;
    QTest::newRow("ListBox1") << "ListBox1" << "QListWidget" << QRect(10, 112, 150, 545) << "" << true;
    QTest::newRow("StringGrid1") << "StringGrid1" << "QTableView" << QRect(168, 112, 833, 545) << "" << false;
    QTest::newRow("StatusBar1") << "StatusBar1" << "QStatusBar" << QRect(0, 667, 1009, 22) << "" << true;
    QTest::newRow("OpenDialog1") << "OpenDialog1" << "QFileDialog" << any << "" << true;
}

void BrowseTest::windowHasItsComponents() {
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QRect, place);
    QFETCH(QString, text);
    QFETCH(bool, enabled);
    EditorHarness editor;
    auto *widget = editor.Form().findChild<QWidget *>(name);
    QVERIFY2(widget, qPrintable(name));
    QVERIFY(widget->inherits(className.toLatin1().constData()));
    if (place.isValid()) QCOMPARE(widget->geometry(), place);
    if (place.width() < 0) QCOMPARE(widget->pos(), place.topLeft());
    if (auto *button = qobject_cast<QToolButton *>(widget)) {
        QCOMPARE(button->toolTip(), text);
        QVERIFY(!button->icon().isNull());
    } else if (auto *box = qobject_cast<QGroupBox *>(widget)) {
        QCOMPARE(box->title(), text);
    } else if (auto *label = qobject_cast<QLabel *>(widget)) {
        QCOMPARE(label->text(), text);
    }
    QCOMPARE(widget->isEnabled(), enabled);
}

void BrowseTest::windowIsFixedWithoutMaximise() {
    EditorHarness editor;
    zebedit::TForm1 &form = editor.Form();
    QCOMPARE(form.size(), QSize(1009, 689));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(form.windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(form.windowTitle().contains("zebedit"));
    QCOMPARE(form.OpenDialog1->nameFilters(), QStringList{"Any Korvex DB (*)"});
    QCOMPARE(form.ListBox1->count(), 0);
    QCOMPARE(form.ProgressBar1->value(), 0);
    // Buttons in the tool bar's order, each after a separator.
    const QList<QAction *> actions = form.ToolBar1->actions();
    QCOMPARE(actions.size(), 10);
    const QList<QToolButton *> order = {form.ToolButton1, form.ToolButton4, form.ToolButton9, form.ToolButton7, form.ToolButton5};
    for (int i = 0; i < order.size(); ++i) {
        QVERIFY(actions[2 * i]->isSeparator());
        QCOMPARE(form.ToolBar1->widgetForAction(actions[2 * i + 1]), order[i]);
    }
}

void BrowseTest::openingAFileListsItsTables_data() {
    QTest::addColumn<bool>("crc");
    QTest::newRow("CRC layout") << true;
    QTest::newRow("sum layout") << false;
}

void BrowseTest::openingAFileListsItsTables() {
    QFETCH(bool, crc);
    EditorHarness editor;
    const QString path = editor.WriteDatabase("game.db", ThreeTables(crc));
    editor.OpenFile(path);
    zebedit::TForm1 &form = editor.Form();

    QCOMPARE(form.DatabaseFileName, path);
    QCOMPARE(form.ListBox1->count(), 3);
    QCOMPARE(form.ListBox1->item(0)->text(), "ONE");
    QCOMPARE(form.ListBox1->item(1)->text(), "TWO");
    QCOMPARE(form.ListBox1->item(2)->text(), "TRE");
    QVERIFY(form.ListBox1->selectedItems().isEmpty());
    QCOMPARE(form.StatusBar1Panel->text(), path);
    QCOMPARE(form.GroupBox1->title(), "DB: game.db");
    QCOMPARE(form.Label2->text(), "Table Count: 3");
    QVERIFY(!form.ToolButton4->isEnabled() && !form.ToolButton9->isEnabled() && !form.ToolButton7->isEnabled());
    QVERIFY(!form.StringGrid1->isEnabled());
    QCOMPARE(editor.Grid().GridColumnCount(), 2);
    QCOMPARE(editor.Grid().GridRowCount(), 2);
    QVERIFY(editor.TakeShown().empty());
}

void BrowseTest::gridShowsEachTypeAsTheFileHoldsIt_data() {
    QTest::addColumn<bool>("crc");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("bitOffset");
    QTest::addColumn<int>("bitCount");
    QTest::addColumn<quint64>("number");  // numeric fields
    QTest::addColumn<QByteArray>("text"); // string fields
    QTest::addColumn<QString>("shown");

    struct Case {
        const char *Name;
        int Type, Offset, Bits;
        quint64 Number;
        QByteArray Text;
        QString Shown;
    };
    const Case cases[] = {
        {"unsigned 32 bits all ones", 3, 8, 32, 0xFFFFFFFF, {}, "-1"},
        {"unsigned 16 bits at odd offset", 3, 13, 16, 54321, {}, "54321"},
        {"signed 8 bits lowest", 2, 8, 8, 0x80, {}, "-128"},
        {"signed 12 bits at odd offset", 2, 19, 12, 0xFFF, {}, "-1"},
        {"integer 10 bits at odd offset", 718, 13, 10, 1000, {}, "1000"},
        {"integer 32 bits high bit", 718, 8, 32, 0x80000000, {}, "-2147483648"},
        {"other type code shows nothing", 9, 8, 8, 200, {}, ""},
        {"float 1.1", 4, 8, 32, FloatBits(1.1f), {}, "1.10000002384186"},
        {"float 0.5 at odd offset", 4, 11, 32, FloatBits(0.5f), {}, "0.5"},
        {"float negative", 4, 8, 32, FloatBits(-2.5f), {}, "-2.5"},
        {"float largest fixed", 4, 8, 32, FloatBits(1e15f), {}, "999999986991104"},
        {"float large scientific", 4, 8, 32, FloatBits(1e16f), {}, "1.00000002725642E16"},
        {"float small fixed", 4, 8, 32, FloatBits(0.001f), {}, "0.00100000004749745"},
        {"float small scientific", 4, 8, 32, FloatBits(1e-4f), {}, "9.99999974737875E-5"},
        {"float negative zero", 4, 8, 32, 0x80000000, {}, "0"},
        {"float infinity", 4, 8, 32, 0x7F800000, {}, "INF"},
        {"string plain", 0, 8, 64, 0, "Knight", "Knight"},
        {"string filling its field", 0, 8, 32, 0, "ABCD", "ABCD"},
        {"string with a control character", 0, 8, 32, 0, QByteArray("A\x1F" "B"), "$411F42"},
        {"string with a zero byte ends there", 0, 8, 32, 0, QByteArray("AB\0\x1F", 4), "AB"},
        {"string with non-ASCII bytes", 0, 8, 32, 0, "\xE9t\xE9", QString::fromUtf8("\xC3\xA9t\xC3\xA9")},
        {"string beginning with a dollar", 0, 8, 32, 0, "$12", "$12"},
        {"string at odd offset uses whole bytes", 0, 13, 16, 0, "Hi", "Hi"},
        {"string of one bit shows nothing", 0, 8, 1, 0, "A", ""},
    };
    for (const bool crc : {true, false})
        for (const Case &c : cases)
            QTest::newRow(qPrintable(QString("%1, %2").arg(c.Name, crc ? "CRC" : "sum")))
                << crc << c.Type << c.Offset << c.Bits << c.Number << c.Text << c.Shown;
}

void BrowseTest::gridShowsEachTypeAsTheFileHoldsIt() {
    QFETCH(bool, crc);
    QFETCH(int, type);
    QFETCH(int, bitOffset);
    QFETCH(int, bitCount);
    QFETCH(quint64, number);
    QFETCH(QByteArray, text);
    QFETCH(QString, shown);

    // Record 0 holds the value, record 1 nothing, record 2 the value and the
    // deleted mark; a neighbour field sits in the bits before the value.
    const FieldSpec field{static_cast<uint16_t>(type), "VAL", static_cast<uint32_t>(bitOffset), static_cast<uint32_t>(bitCount)};
    std::vector<Bytes> records(3, zebtest::Record(12));
    for (int r : {0, 2}) {
        if (type == 0)
            PutText(records[r], field.BitOffset / 8, (field.BitCount + 7) / 8, text.toStdString());
        else
            zebtest::SetBits(records[r], field.BitOffset, field.BitCount, number);
        zebtest::SetBits(records[r], 0, 8, 0xFF);
    }
    zebtest::MarkDeleted(records[2]);
    EditorHarness editor;
    editor.OpenFile(editor.WriteDatabase("types.db", Database(crc, {Table("T", 12, {{3, "PAD", 0, 8}, field}, records)})));
    editor.ClickTable(0);

    QCOMPARE(editor.GridRow(0), QStringList({"REC #", "PAD", "VAL"}));
    QCOMPARE(editor.GridRow(1), QStringList({"0", "255", shown}));
    QCOMPARE(editor.Cell(0, 2), "1");
    QCOMPARE(editor.Cell(2, 3), shown);
    QCOMPARE(editor.Cell(0, 3), "2");
}

void BrowseTest::floatsUseTheLocaleSeparator() {
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    Bytes record = zebtest::Record(4);
    zebtest::SetBits(record, 0, 32, FloatBits(1.1f));
    EditorHarness editor;
    editor.OpenFile(editor.WriteDatabase("f.db", Database(true, {Table("F", 4, {{4, "V", 0, 32}}, {record})})));
    editor.ClickTable(0);
    QLocale::setDefault(previous);
    QCOMPARE(editor.Cell(1, 1), "1,10000002384186");
}

void BrowseTest::gridShowsEveryRecordWithCounts() {
    EditorHarness editor;
    editor.OpenFile(editor.WriteDatabase("game.db", ThreeTables(true)));
    zebedit::TForm1 &form = editor.Form();
    editor.ClickTable(0);

    QCOMPARE(editor.Grid().GridColumnCount(), 3);
    QCOMPARE(editor.Grid().GridRowCount(), 3);
    QCOMPARE(editor.GridRow(0), QStringList({"REC #", "A", "B"}));
    QCOMPARE(editor.GridRow(1), QStringList({"0", "11", "0"}));
    QCOMPARE(editor.GridRow(2), QStringList({"1", "22", "0"}));  // the deleted record too
    QCOMPARE(form.GroupBox2->title(), "Table: ONE");
    QCOMPARE(LabelText(&form, "Label4"), "Field Count: 2");
    QCOMPARE(LabelText(&form, "Label6"), "Record Count: 2");
    QCOMPARE(LabelText(&form, "Label8"), "Capacity: 5");
    QCOMPARE(LabelText(&form, "Label1"), "Deleted: 1");
    QCOMPARE(form.GroupBox3->title(), "Field Info:");
    QCOMPARE(form.ProgressBar1->maximum(), 1);
    QCOMPARE(form.ProgressBar1->value(), 0);
    QVERIFY(form.StringGrid1->isEnabled() && form.ListBox1->isEnabled());
    QVERIFY(form.ToolButton4->isEnabled() && form.ToolButton9->isEnabled() && form.ToolButton7->isEnabled());
    QCOMPARE(form.StringGrid1->columnWidth(0), 64);
    QCOMPARE(form.StringGrid1->verticalHeader()->defaultSectionSize(), 21);
}

void BrowseTest::tableWithoutFields() {
    EditorHarness editor;
    editor.OpenFile(editor.WriteDatabase("game.db", ThreeTables(false)));
    editor.ClickTable(2);
    zebedit::TForm1 &form = editor.Form();
    QCOMPARE(editor.Grid().GridColumnCount(), 2);
    QCOMPARE(editor.GridRow(0), QStringList({"REC #", ""}));
    QCOMPARE(editor.GridRow(1), QStringList({"0", ""}));
    QCOMPARE(LabelText(&form, "Label4"), "Field Count: 0");
    QCOMPARE(form.ProgressBar1->maximum(), -1);
}

void BrowseTest::tableWithoutRecords() {
    EditorHarness editor;
    editor.OpenFile(editor.WriteDatabase("game.db", ThreeTables(true)));
    editor.ClickTable(1);
    zebedit::TForm1 &form = editor.Form();
    QCOMPARE(editor.Grid().GridRowCount(), 2);
    QCOMPARE(editor.GridRow(0), QStringList({"REC #", "X"}));
    QCOMPARE(editor.GridRow(1), QStringList({"", ""}));
    QVERIFY(!form.StringGrid1->isEnabled());
    QVERIFY(!form.ToolButton7->isEnabled());
    QVERIFY(form.ToolButton9->isEnabled() && form.ToolButton4->isEnabled());
    QCOMPARE(LabelText(&form, "Label6"), "Record Count: 0");
}

void BrowseTest::secondOfTwoTablesWithOneName() {
    // The counts come by list position, fields and values by name, and the
    // library finds the first table of a name.
    Bytes one = zebtest::Record(2, {5}), two = zebtest::Record(2, {7});
    TableSpec first = Table("SAME", 2, {{3, "F", 0, 8}}, {one});
    TableSpec second = Table("SAME", 2, {{3, "G", 0, 8}, {3, "H", 8, 4}}, {two, two, two});
    EditorHarness editor;
    editor.OpenFile(editor.WriteDatabase("twins.db", Database(true, {first, second})));
    editor.ClickTable(1);
    zebedit::TForm1 &form = editor.Form();
    QCOMPARE(LabelText(&form, "Label4"), "Field Count: 2");
    QCOMPARE(LabelText(&form, "Label6"), "Record Count: 3");
    QCOMPARE(editor.GridRow(0), QStringList({"REC #", "F", ""}));
    QCOMPARE(editor.GridRow(1), QStringList({"0", "5", ""}));
    QCOMPARE(editor.GridRow(2), QStringList({"1", "0", ""}));  // no record 1 in the first table
}

void BrowseTest::anotherFileAfterATableWasShown() {
    EditorHarness editor;
    editor.OpenFile(editor.WriteDatabase("first.db", ThreeTables(true)));
    editor.ClickTable(0);
    editor.ClickCell(1, 1);
    zebedit::TForm1 &form = editor.Form();
    QCOMPARE(form.GroupBox3->title(), "Field: A");

    const QString second = editor.WriteDatabase("second.db", Database(false, {Table("ZED", 2, {{3, "Q", 0, 8}})}));
    editor.OpenFile(second);
    QCOMPARE(form.ListBox1->count(), 1);
    QCOMPARE(form.ListBox1->item(0)->text(), "ZED");
    QVERIFY(form.ListBox1->selectedItems().isEmpty());
    QCOMPARE(editor.Grid().GridColumnCount(), 2);
    QCOMPARE(editor.GridRow(0), QStringList({"", ""}));
    QCOMPARE(editor.GridRow(1), QStringList({"", ""}));
    QVERIFY(!form.StringGrid1->isEnabled());
    QVERIFY(!form.ToolButton4->isEnabled() && !form.ToolButton9->isEnabled() && !form.ToolButton7->isEnabled());
    QCOMPARE(form.GroupBox2->title(), "Table Info:");
    QCOMPARE(LabelText(&form, "Label6"), "Record Count:");
    // The field information keeps its last texts.
    QCOMPARE(form.GroupBox3->title(), "Field: A");
    QCOMPARE(form.Label9->text(), "Type: Unsigned Integer");
    QCOMPARE(form.StatusBar1Panel->text(), second);
    QCOMPARE(form.GroupBox1->title(), "DB: second.db");
}

void BrowseTest::failedOpenChangesOnlyTheRememberedName_data() {
    QTest::addColumn<QString>("badName");
    QTest::newRow("missing file") << "missing.db";
    QTest::newRow("a folder") << "folder";
}

void BrowseTest::failedOpenChangesOnlyTheRememberedName() {
    QFETCH(QString, badName);
    EditorHarness editor;
    const QString good = editor.WriteDatabase("good.db", ThreeTables(true));
    QDir(editor.Dir().Path().c_str()).mkdir("folder");
    editor.OpenFile(good);
    editor.ClickTable(0);
    zebedit::TForm1 &form = editor.Form();
    const QStringList rowBefore = editor.GridRow(1);

    const QString bad = QString::fromStdString(editor.Dir().File(badName.toStdString()));
    editor.OpenFile(bad);
    QCOMPARE(form.DatabaseFileName, bad);
    QCOMPARE(form.ListBox1->count(), 3);
    QCOMPARE(form.StatusBar1Panel->text(), good);
    QCOMPARE(form.GroupBox2->title(), "Table: ONE");
    QCOMPARE(editor.GridRow(1), rowBefore);
    QVERIFY(form.ToolButton9->isEnabled());

    // Every later action opens the new name and does nothing.
    editor.ClickTable(1);
    QCOMPARE(form.GroupBox2->title(), "Table: ONE");
    QCOMPARE(editor.GridRow(1), rowBefore);
    QVERIFY(editor.TakeShown().empty());
}

void BrowseTest::cancelledOpenChangesNothing() {
    EditorHarness editor;
    const QString good = editor.WriteDatabase("good.db", ThreeTables(true));
    editor.OpenFile(good);
    editor.OpenFile(QString());
    QCOMPARE(editor.Form().DatabaseFileName, good);
    QCOMPARE(editor.Form().ListBox1->count(), 3);
}

void BrowseTest::choosingTheSameTableAgainRereadsTheFile() {
    EditorHarness editor;
    const QString path = editor.WriteDatabase("game.db", ThreeTables(true));
    editor.OpenFile(path);
    editor.ClickTable(0);
    zebedit::TForm1 &form = editor.Form();
    form.StringGrid1->setColumnWidth(0, 150);

    // Another program changes the file; the editor keeps nothing open.
    DatabaseSpec changed = ThreeTables(true);
    zebtest::SetBits(changed.Tables[0].Records[0], 0, 8, 99);
    zebtest::WriteFile(path.toStdString(), zebtest::BuildImage(changed));
    editor.ClickTable(0);
    QCOMPARE(editor.Cell(1, 1), "99");
    QCOMPARE(form.StringGrid1->columnWidth(0), 64);
}

void BrowseTest::keyboardSelectionLoadsTheTable() {
    EditorHarness editor;
    editor.OpenFile(editor.WriteDatabase("game.db", ThreeTables(true)));
    editor.ClickTable(0);
    zebedit::TForm1 &form = editor.Form();
    form.ListBox1->setFocus();
    QTest::keyClick(form.ListBox1, Qt::Key_Down);
    QCOMPARE(form.GroupBox2->title(), "Table: TWO");
    QVERIFY(form.ListBox1->hasFocus());
    QTest::keyClick(form.ListBox1, Qt::Key_Down);
    QCOMPARE(form.GroupBox2->title(), "Table: TRE");
}

void BrowseTest::headerClickSortsNumbersAsNumbers() {
    std::vector<Bytes> records;
    for (uint8_t value : {9, 100, 10, 2}) records.push_back(zebtest::Record(2, {value}));
    EditorHarness editor;
    editor.OpenFile(editor.WriteDatabase("sort.db", Database(true, {Table("S", 2, {{3, "N", 0, 8}}, records)})));
    editor.ClickTable(0);
    const auto column = [&](int ACol) {
        QStringList texts;
        for (int row = 1; row < editor.Grid().GridRowCount(); ++row) texts << editor.Cell(ACol, row);
        return texts;
    };
    editor.ClickHeader(1);
    QCOMPARE(column(1), QStringList({"2", "9", "10", "100"}));
    QCOMPARE(column(0), QStringList({"3", "0", "2", "1"}));
    editor.ClickHeader(1);
    QCOMPARE(column(1), QStringList({"100", "10", "9", "2"}));
    editor.ClickHeader(1);
    QCOMPARE(column(0), QStringList({"0", "1", "2", "3"}));
}

void BrowseTest::screenshotOfALoadedTable() {
    std::vector<Bytes> records;
    const char *names[] = {"Archer", "Knight", "Golem", "Wyvern", "Scout", "Mage"};
    for (int r = 0; r < 30; ++r) {
        Bytes record = zebtest::Record(16);
        PutText(record, 0, 8, names[r % 6]);
        zebtest::SetBits(record, 64, 16, 100 + 37 * r);
        zebtest::SetBits(record, 80, 12, static_cast<uint64_t>(r * 71 % 4096));
        zebtest::SetBits(record, 92, 32, FloatBits(0.25f * static_cast<float>(r)));
        if (r % 7 == 3) zebtest::MarkDeleted(record);
        records.push_back(record);
    }
    TableSpec units = Table("UNIT", 16, {{0, "NAME", 0, 64}, {3, "HP", 64, 16}, {2, "ATK", 80, 12}, {4, "SPD", 92, 32}}, records);
    EditorHarness editor;
    editor.OpenFile(editor.WriteDatabase("demo.db", Database(true, {units, Table("ITEM", 2, {{3, "X", 0, 8}})})));
    editor.ClickTable(0);
    editor.ClickCell(3, 4);
    const QString file = QStringLiteral(ZEB_TEST_OUTPUT_DIR "/zebedit-window.png");
    QVERIFY(editor.Form().grab().save(file));
    QVERIFY(QFileInfo(file).size() > 0);
}

QTEST_MAIN(BrowseTest)
#include "editor_browse_test.moc"
