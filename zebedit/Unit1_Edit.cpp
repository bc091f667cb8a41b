// Writing an edited cell to the file, and the field information of a cell.
#include <QGroupBox>
#include <QLabel>

#include "Unit1.h"
#include "Unit1_Hex.h"
#include "Unit1_Numbers.h"
#include "Unit1_Session.h"
#include "zebcore.h"

namespace zebedit {
namespace {

const QString SizeError = QStringLiteral("Size of Value is not correct.");
const QString ErrorCaption = QStringLiteral("Error!");

// Where one cell write goes.
struct TCellTarget {
    int32_t Handle;
    QByteArray Table, Field;
    int32_t Record;
};

// Each character of Text as one byte; none when a character has no 8-bit
// form, which a string field cannot hold.
std::optional<QByteArray> EightBitText(const QString &Text) {
    for (QChar c : Text)
        if (c.unicode() > 0xFF) return std::nullopt;
    return Text.toLatin1();
}

// The write of a string field; false when the value is refused.
bool WriteString(const TCellTarget &Cell, const QString &Value, int32_t BitCount) {
    if (Value.startsWith(u'$')) {
        if ((Value.size() - 1) / 2 > BitCount) return false;
        const std::string bytes = HexToStr(Value);
        // An undecodable text is not written and not refused either.
        if (!bytes.empty())
            ZEBFieldSetValueAsString(Cell.Handle, Cell.Table.constData(), Cell.Field.constData(), Cell.Record, bytes.c_str());
        return true;
    }
    const auto bytes = EightBitText(Value);
    if (!bytes || Value.size() > BitCount) return false;
    ZEBFieldSetValueAsString(Cell.Handle, Cell.Table.constData(), Cell.Field.constData(), Cell.Record, bytes->constData());
    return true;
}

// The write of an integer field: the typed number's hex digits, two to a
// byte, must not outnumber the field's bits.
bool WriteInteger(const TCellTarget &Cell, const QString &Value, int32_t BitCount) {
    const auto number = ParseInteger(Value);
    if (!number || HexDigitCount(*number) / 2 > BitCount) return false;
    ZEBFieldSetValueAsInteger(Cell.Handle, Cell.Table.constData(), Cell.Field.constData(), Cell.Record, *number);
    return true;
}

bool WriteFloat(const TCellTarget &Cell, const QString &Value, int32_t BitCount) {
    const auto number = ParseFloat(Value, UserDecimalSeparator());
    if (!number || BitCount < 4) return false;
    ZEBFieldSetValueAsFloat(Cell.Handle, Cell.Table.constData(), Cell.Field.constData(), Cell.Record, *number);
    return true;
}

QString TypeCaption(uint16_t FieldType) {
    switch (FieldType) {
    case ZEB_FT_STRING: return QStringLiteral("Type: String");
    case ZEB_FT_INTEGER: return QStringLiteral("Type: Integer");
    case ZEB_FT_SIGNED_INTEGER: return QStringLiteral("Type: Signed Integer");
    case ZEB_FT_UNSIGNED_INTEGER: return QStringLiteral("Type: Unsigned Integer");
    case ZEB_FT_FLOAT: return QStringLiteral("Type: Float");
    default: return {};
    }
}

}  // namespace

void TForm1::StringGrid1SetEditText(int ACol, int ARow, const QString &Value) {
    Guarded([&] { WriteEditedCell(ACol, ARow, Value); });
}

void TForm1::WriteEditedCell(int ACol, int ARow, const QString &Value) {
    if (Value.isEmpty()) return;
    const auto table = SelectedTableName();
    if (!table) return;
    TDatabaseSession database(DatabaseFileName);
    if (!database.IsOpen()) return;

    char name[5] = {};
    FieldProperties field{name, 0, 0};
    const QByteArray tableName = NameArgument(*table);
    ZEBFieldGetProperties(database.Handle(), tableName.constData(), ACol - 1, &field);
    const TCellTarget cell{database.Handle(), tableName, NameArgument(StringGrid1->Grid().GridCell(ACol, 0)),
                           RecordOfGridRow(ARow)};

    bool accepted = true;
    switch (field.FieldType) {
    case ZEB_FT_STRING: accepted = WriteString(cell, Value, field.BitCount); break;
    case ZEB_FT_INTEGER:
    case ZEB_FT_SIGNED_INTEGER:
    case ZEB_FT_UNSIGNED_INTEGER: accepted = WriteInteger(cell, Value, field.BitCount); break;
    case ZEB_FT_FLOAT: accepted = WriteFloat(cell, Value, field.BitCount); break;
    default: break;  // no write for other types
    }
    if (!accepted) ShowMessage(SizeError, ErrorCaption, true);

    // Saved also when nothing was written, so every keystroke leaves the file
    // as the library holds it.
    SaveDatabase(database);
}

// Any row shows its column's field, the row of field names too.
void TForm1::StringGrid1ClickCell(int /*ARow*/, int ACol) {
    Guarded([&] { ShowFieldInfo(ACol); });
}

void TForm1::ShowFieldInfo(int ACol) {
    if (ACol <= 0) return;
    const auto table = SelectedTableName();
    if (!table) return;
    TDatabaseSession database(DatabaseFileName);
    if (!database.IsOpen()) return;

    char name[5] = {};
    FieldProperties field{name, 0, 0};
    ZEBFieldGetProperties(database.Handle(), NameArgument(*table).constData(), ACol - 1, &field);
    GroupBox3->setTitle(QStringLiteral("Field: ") + QString::fromLatin1(name));
    if (const QString type = TypeCaption(field.FieldType); !type.isEmpty()) Label9->setText(type);
    Label3->setText(QStringLiteral("Size: %1").arg(field.BitCount));
}

}  // namespace zebedit
