// The texts of the grid and of typed values: the "$"-hex form of strings,
// the typed integers with their size count, typed floats and the float
// texts of the grid.
#include <QTest>
#include <limits>

#include "Unit1_Hex.h"
#include "Unit1_Numbers.h"

using namespace zebedit;

Q_DECLARE_METATYPE(std::optional<int32_t>)
Q_DECLARE_METATYPE(std::optional<float>)

class TextTest : public QObject {
    Q_OBJECT

  private slots:
    void strToHex_data();
    void strToHex();
    void hexToStr_data();
    void hexToStr();
    void parseInteger_data();
    void parseInteger();
    void hexDigitCount_data();
    void hexDigitCount();
    void parseFloat_data();
    void parseFloat();
    void formatFloat_data();
    void formatFloat();
    void cellNumbersForSorting();
};

void TextTest::strToHex_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("shown");
    QTest::newRow("printable text unchanged") << QByteArray("Knight 7") << QByteArray("Knight 7");
    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("bytes above 127 unchanged") << QByteArray("\xE9\xFF") << QByteArray("\xE9\xFF");
    QTest::newRow("a control byte turns every byte to hex") << QByteArray("\x01" "AB") << QByteArray("$014142");
    QTest::newRow("upper-case digits") << QByteArray("\x1F\xAB") << QByteArray("$1FAB");
    QTest::newRow("tab counts as control") << QByteArray("a\tb") << QByteArray("$610962");
    QTest::newRow("space does not") << QByteArray(" ") << QByteArray(" ");
}

void TextTest::strToHex() {
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, shown);
    QCOMPARE(QByteArray::fromStdString(StrToHex(text.toStdString())), shown);
}

void TextTest::hexToStr_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("dollar alone") << "$" << QByteArray();
    QTest::newRow("one digit") << "$4" << QByteArray();
    QTest::newRow("one byte") << "$41" << QByteArray("A");
    QTest::newRow("not a hex pair") << "$4G" << QByteArray();
    QTest::newRow("odd digit count") << "$414" << QByteArray();
    QTest::newRow("bad pair later") << "$41Z2" << QByteArray();
    QTest::newRow("either case") << "$6a6B" << QByteArray("jk");
    QTest::newRow("zero byte kept") << "$0041" << QByteArray("\0A", 2);
    QTest::newRow("high byte") << "$E9" << QByteArray("\xE9");
}

void TextTest::hexToStr() {
    QFETCH(QString, typed);
    QFETCH(QByteArray, bytes);
    QCOMPARE(QByteArray::fromStdString(HexToStr(typed)), bytes);
}

void TextTest::parseInteger_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<std::optional<int32_t>>("value");
    const std::optional<int32_t> none;
    QTest::newRow("decimal") << "42" << std::optional<int32_t>(42);
    QTest::newRow("negative") << "-5" << std::optional<int32_t>(-5);
    QTest::newRow("sign alone") << "-" << none;
    QTest::newRow("plus sign") << "+7" << std::optional<int32_t>(7);
    QTest::newRow("leading blanks") << "  12" << std::optional<int32_t>(12);
    QTest::newRow("trailing blank") << "12 " << none;
    QTest::newRow("trailing letter") << "12a" << none;
    QTest::newRow("empty") << "" << none;
    QTest::newRow("dollar hex") << "$FF" << std::optional<int32_t>(255);
    QTest::newRow("x hex") << "x1f" << std::optional<int32_t>(31);
    QTest::newRow("X hex") << "X1F" << std::optional<int32_t>(31);
    QTest::newRow("0x hex") << "0x10" << std::optional<int32_t>(16);
    QTest::newRow("0X hex") << "0X10" << std::optional<int32_t>(16);
    QTest::newRow("prefix without digits") << "$" << none;
    QTest::newRow("0x without digits") << "0x" << none;
    QTest::newRow("negative hex") << "-$FF" << std::optional<int32_t>(-255);
    QTest::newRow("hex 32-bit pattern") << "$FFFFFFFF" << std::optional<int32_t>(-1);
    QTest::newRow("hex beyond 32 bits") << "$100000000" << none;
    QTest::newRow("largest") << "2147483647" << std::optional<int32_t>(std::numeric_limits<int32_t>::max());
    QTest::newRow("beyond largest") << "2147483648" << none;
    QTest::newRow("smallest") << "-2147483648" << std::optional<int32_t>(std::numeric_limits<int32_t>::min());
    QTest::newRow("beyond smallest") << "-2147483649" << none;
    QTest::newRow("exponent is no integer") << "1e3" << none;
    QTest::newRow("decimal point is no integer") << "1.0" << none;
}

void TextTest::parseInteger() {
    QFETCH(QString, typed);
    QFETCH(std::optional<int32_t>, value);
    QCOMPARE(ParseInteger(typed), value);
}

void TextTest::hexDigitCount_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("digits");
    QTest::newRow("0 as 00") << 0 << 2;
    QTest::newRow("255 as FF") << 255 << 2;
    QTest::newRow("256 as 100") << 256 << 3;
    QTest::newRow("65536 as 10000") << 65536 << 5;
    QTest::newRow("largest") << std::numeric_limits<int32_t>::max() << 8;
    QTest::newRow("-1 as FFFFFFFF") << -1 << 8;
    QTest::newRow("smallest") << std::numeric_limits<int32_t>::min() << 8;
}

void TextTest::hexDigitCount() {
    QFETCH(int, value);
    QFETCH(int, digits);
    QCOMPARE(HexDigitCount(value), digits);
}

void TextTest::parseFloat_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<std::optional<float>>("value");
    const std::optional<float> none;
    QTest::newRow("full stop") << "1.5" << QChar('.') << std::optional<float>(1.5f);
    QTest::newRow("comma") << "1,5" << QChar(',') << std::optional<float>(1.5f);
    QTest::newRow("full stop under comma") << "1.5" << QChar(',') << none;
    QTest::newRow("integer") << "7" << QChar('.') << std::optional<float>(7.0f);
    QTest::newRow("exponent") << "-2.5e3" << QChar('.') << std::optional<float>(-2500.0f);
    QTest::newRow("exponent upper case") << "1E-2" << QChar('.') << std::optional<float>(0.01f);
    QTest::newRow("blanks around") << " 3 " << QChar('.') << std::optional<float>(3.0f);
    QTest::newRow("plus sign") << "+4" << QChar('.') << std::optional<float>(4.0f);
    QTest::newRow("nothing after the separator") << "1." << QChar('.') << std::optional<float>(1.0f);
    QTest::newRow("nothing before the separator") << ".5" << QChar('.') << std::optional<float>(0.5f);
    QTest::newRow("exponent without digits") << "1e" << QChar('.') << none;
    QTest::newRow("minus alone") << "-" << QChar('.') << none;
    QTest::newRow("two separators") << "1.2.3" << QChar('.') << none;
    QTest::newRow("letters") << "abc" << QChar('.') << none;
    QTest::newRow("empty") << "" << QChar('.') << none;
    QTest::newRow("beyond single precision") << "1e39" << QChar('.') << none;
    QTest::newRow("rounded to single precision") << "1.1" << QChar('.') << std::optional<float>(1.1f);
}

void TextTest::parseFloat() {
    QFETCH(QString, typed);
    QFETCH(QChar, separator);
    QFETCH(std::optional<float>, value);
    QCOMPARE(ParseFloat(typed, separator), value);
}

void TextTest::formatFloat_data() {
    QTest::addColumn<float>("value");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QString>("shown");
    QTest::newRow("comma separator") << -0.1f << QChar(',') << "-0,100000001490116";
    QTest::newRow("whole number") << 100.0f << QChar('.') << "100";
    QTest::newRow("not exactly representable") << 16777217.0f << QChar('.') << "16777216";
    QTest::newRow("largest single") << std::numeric_limits<float>::max() << QChar('.') << "3.40282346638529E38";
    QTest::newRow("smallest denormal") << std::numeric_limits<float>::denorm_min() << QChar(',') << "1,40129846432482E-45";
    QTest::newRow("negative infinity") << -std::numeric_limits<float>::infinity() << QChar('.') << "-INF";
    QTest::newRow("not a number") << std::numeric_limits<float>::quiet_NaN() << QChar('.') << "NAN";
}

void TextTest::formatFloat() {
    QFETCH(float, value);
    QFETCH(QChar, separator);
    QFETCH(QString, shown);
    QCOMPARE(FloatToText(value, separator), shown);
}

void TextTest::cellNumbersForSorting() {
    QCOMPARE(CellNumber(u"-12", QChar('.')), std::optional<double>(-12));
    QCOMPARE(CellNumber(u"1,5E20", QChar(',')), std::optional<double>(1.5e20));
    QCOMPARE(CellNumber(u"INF", QChar('.')), std::optional<double>(std::numeric_limits<double>::infinity()));
    QCOMPARE(CellNumber(u"$41", QChar('.')), std::optional<double>());
    QCOMPARE(CellNumber(u"", QChar('.')), std::optional<double>());
}

QTEST_APPLESS_MAIN(TextTest)
#include "editor_text_test.moc"
