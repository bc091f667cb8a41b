// The editor opens every file of the fuzz corpus (valid, damaged and random
// files alike), loads every table and clicks its cells, without a crash. A
// file the library refuses changes nothing but the remembered name.
#include <QDirIterator>
#include <QListWidget>
#include <QTest>

#include "EditorHarness.h"

using namespace zebedittest;

class CorpusTest : public QObject {
    Q_OBJECT

  private slots:
    void EveryCorpusFileOpensAndEveryTableLoads() {
        // ZEB_FUZZ_CORPUS names another folder, such as the corpus of a long
        // fuzz run, for a run by hand.
        const QString folder = qEnvironmentVariableIsSet("ZEB_FUZZ_CORPUS") ? qEnvironmentVariable("ZEB_FUZZ_CORPUS")
                                                                            : QStringLiteral(ZEB_FUZZ_CORPUS_DIR);
        QDirIterator files(folder, QDir::Files, QDirIterator::Subdirectories);
        int opened = 0;
        while (files.hasNext()) {
            const QString path = files.next();
            EditorHarness editor;
            // A copy, so that nothing the editor might write reaches the corpus.
            const QString copy = editor.Dir().File("corpus.db").c_str();
            QVERIFY(QFile::copy(path, copy));
            editor.OpenFile(copy);
            const int tables = editor.Form().ListBox1->count();
            for (int t = 0; t < tables; ++t) {
                editor.ClickTable(t);
                const int columns = editor.Grid().GridColumnCount();
                const int rows = editor.Grid().GridRowCount();
                editor.ClickCell(0, columns > 1 ? 1 : 0);
                if (rows > 1 && columns > 1) editor.ClickCell(rows - 1, columns - 1);
            }
            editor.TakeShown();
            ++opened;
        }
        QVERIFY2(opened > 0, "no corpus files found");
    }

    // Found by the corpus of a long fuzz run: the library reads a field by
    // name, so a narrow string field that shares its name with an earlier,
    // wider one gets the wider field's text.
    void StringFieldsSharingANameLoad() {
        zebtest::TableSpec table;
        table.Name = "DUP";
        table.RecordSize = 40;
        table.Fields = {{0, "S", 0, 256}, {0, "S", 256, 8}};
        zebtest::Bytes record(40, 'x');
        record[32] = 'y';
        record[39] = 0;
        table.Records = {record};
        zebtest::DatabaseSpec spec;
        spec.Tables = {table};
        EditorHarness editor;
        editor.OpenFile(editor.WriteDatabase("dup.db", spec));
        editor.ClickTable(0);
        QCOMPARE(editor.Cell(1, 1), QString(32, 'x'));
        QCOMPARE(editor.Cell(2, 1), QString(32, 'x'));
    }
};

QTEST_MAIN(CorpusTest)
#include "editor_corpus_test.moc"
