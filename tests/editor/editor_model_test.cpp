// The grid's model under Qt's model checker: loading, partial columns,
// edits, sorting and its persistent indexes, reuse across loads.
#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include "Unit1_GridModel.h"

using zebedit::TGridModel;

namespace {

// Loads Columns fields of the given texts, one list per field.
void Load(TGridModel &Model, const std::vector<QStringList> &Columns, int Records) {
    Model.BeginLoad(static_cast<int>(Columns.size()), Records);
    for (int field = 0; field < static_cast<int>(Columns.size()); ++field) {
        Model.SetFieldName(field, QStringLiteral("F%1").arg(field));
        for (const QString &text : Columns[static_cast<size_t>(field)]) Model.AppendLatin1Cell(text.toLatin1().toStdString());
        Model.EndField(field);
    }
    Model.EndLoad();
}

QStringList Column(const TGridModel &Model, int ACol) {
    QStringList texts;
    for (int row = 1; row < Model.GridRowCount(); ++row) texts << Model.GridCell(ACol, row);
    return texts;
}

}  // namespace

class ModelTest : public QObject {
    Q_OBJECT

  private slots:
    void shapesAndTextsInGridCoordinates();
    void valuesAppearAsTheyLoad();
    void editsShowAndFollowTheirRecord();
    void sortingOrdersNumbersBeforeTexts_data();
    void sortingOrdersNumbersBeforeTexts();
    void persistentIndexesFollowTheirRecords();
    void aLoadWithTheWrongNumberOfValuesIsRefused();
    void reloadsReuseTheBuffers();
};

void ModelTest::shapesAndTextsInGridCoordinates() {
    TGridModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(model.GridColumnCount(), 2);
    QCOMPARE(model.GridRowCount(), 2);
    model.SetCornerText("REC #");
    Load(model, {{"a", "b", "c"}, {"1", "2", "3"}}, 3);
    QCOMPARE(model.GridColumnCount(), 3);
    QCOMPARE(model.GridRowCount(), 4);
    QCOMPARE(model.GridCell(0, 0), "REC #");
    QCOMPARE(model.GridCell(2, 0), "F1");
    QCOMPARE(model.GridCell(0, 3), "2");
    QCOMPARE(model.GridCell(1, 2), "b");
    QCOMPARE(model.data(model.index(2, 1)).toString(), "3");
    QVERIFY(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);

    Load(model, {}, 0);  // no fields, no records: still 2 x 2, nothing editable
    QCOMPARE(model.GridColumnCount(), 2);
    QCOMPARE(model.GridRowCount(), 2);
    QCOMPARE(model.GridCell(0, 1), "");
    QVERIFY(!(model.flags(model.index(0, 0)) & Qt::ItemIsEditable));
    model.Clear();
    QCOMPARE(model.GridCell(0, 0), "");
}

void ModelTest::valuesAppearAsTheyLoad() {
    TGridModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.BeginLoad(2, 2);
    model.AppendLatin1Cell("x");
    QCOMPARE(model.GridCell(1, 1), "x");
    QCOMPARE(model.GridCell(1, 2), "");  // not loaded yet
    model.AppendLatin1Cell("\xE9");
    model.EndField(0);
    QCOMPARE(model.GridCell(1, 2), QString::fromUtf8("\xC3\xA9"));
    QCOMPARE(model.GridCell(2, 1), "");
    model.AppendLatin1Cell("y");
    model.AppendLatin1Cell("z");
    model.EndField(1);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.EndLoad();
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed[0][1].toModelIndex(), model.index(1, 1));
}

void ModelTest::editsShowAndFollowTheirRecord() {
    TGridModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    Load(model, {{"3", "1", "2"}}, 3);
    QVERIFY(model.setData(model.index(0, 0), "30"));
    QCOMPARE(model.GridCell(1, 1), "30");
    model.sort(0, Qt::AscendingOrder);
    QCOMPARE(Column(model, 1), QStringList({"1", "2", "30"}));
    QCOMPARE(Column(model, 0), QStringList({"1", "2", "0"}));
    QCOMPARE(model.RecordOfRow(2), 0);
    QVERIFY(!model.setData(model.index(0, 0), "x", Qt::DisplayRole));
}

void ModelTest::sortingOrdersNumbersBeforeTexts_data() {
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<int>("order");
    QTest::addColumn<QStringList>("sorted");
    QTest::newRow("integers as numbers") << QStringList{"10", "9", "-1", "100"} << int(Qt::AscendingOrder)
                                         << QStringList{"-1", "9", "10", "100"};
    QTest::newRow("descending") << QStringList{"10", "9", "-1", "100"} << int(Qt::DescendingOrder)
                                << QStringList{"100", "10", "9", "-1"};
    QTest::newRow("floats and exponents") << QStringList{"1.5E20", "2.25", "-INF", "0.001"} << int(Qt::AscendingOrder)
                                          << QStringList{"-INF", "0.001", "2.25", "1.5E20"};
    QTest::newRow("texts after numbers") << QStringList{"b", "$0102", "7", "a", ""} << int(Qt::AscendingOrder)
                                         << QStringList{"7", "", "$0102", "a", "b"};
}

void ModelTest::sortingOrdersNumbersBeforeTexts() {
    QFETCH(QStringList, texts);
    QFETCH(int, order);
    QFETCH(QStringList, sorted);
    TGridModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    Load(model, {texts}, static_cast<int>(texts.size()));
    model.sort(0, static_cast<Qt::SortOrder>(order));
    QCOMPARE(Column(model, 1), sorted);
    model.sort(-1);
    QCOMPARE(Column(model, 1), texts);
}

void ModelTest::persistentIndexesFollowTheirRecords() {
    TGridModel model;
    Load(model, {{"3", "1", "2"}, {"c", "a", "b"}}, 3);
    const QPersistentModelIndex recordZero = model.index(0, 1);
    model.sort(0, Qt::AscendingOrder);
    QCOMPARE(recordZero.row(), 2);
    QCOMPARE(recordZero.data().toString(), "c");
    model.sort(0, Qt::DescendingOrder);
    QCOMPARE(recordZero.row(), 0);
    model.sort(-1);
    QCOMPARE(recordZero.row(), 0);
    QCOMPARE(recordZero.column(), 1);
}

void ModelTest::aLoadWithTheWrongNumberOfValuesIsRefused() {
    TGridModel model;
    model.BeginLoad(1, 2);
    model.AppendLatin1Cell("only one");
    QVERIFY_THROWS_EXCEPTION(std::logic_error, model.EndField(0));
}

void ModelTest::reloadsReuseTheBuffers() {
    TGridModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QStringList many;
    for (int i = 0; i < 5000; ++i) many << QString::number(i * 7919 % 5000);
    Load(model, {many, many}, 5000);
    model.setData(model.index(0, 0), "edited");
    Load(model, {{"fresh"}}, 1);
    QCOMPARE(model.GridCell(1, 1), "fresh");  // the edit belonged to the old load
    Load(model, {many, many}, 5000);
    QCOMPARE(Column(model, 2), many);
}

QTEST_MAIN(ModelTest)
#include "editor_model_test.moc"
