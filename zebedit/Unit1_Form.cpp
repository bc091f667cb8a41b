// The window itself: its components at their places, the wiring of their
// events to the handlers, and the dialogs the handlers show.
#include <QApplication>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include "Unit1.h"
#include "Unit1_Session.h"

namespace zebedit {
namespace {

constexpr int ClientWidth = 1009;
constexpr int ClientHeight = 689;

template <typename Widget>
Widget *Named(Widget *Component, const char *Name) {
    Component->setObjectName(QString::fromLatin1(Name));
    return Component;
}

QLabel *MakeLabel(QWidget *Parent, const char *Name, const QString &Text, int Left, int Top, int Width) {
    auto *label = Named(new QLabel(Text, Parent), Name);
    label->setGeometry(Left, Top, Width, 17);
    return label;
}

QGroupBox *MakeGroupBox(QWidget *Parent, const char *Name, const QString &Title, QRect Place) {
    auto *box = Named(new QGroupBox(Title, Parent), Name);
    box->setGeometry(Place);
    return box;
}

}  // namespace

TForm1::TForm1(QWidget *Parent) : QWidget(Parent) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("zebedit - Game Database Editor"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(QFont(QStringLiteral("MS Sans Serif")));
    setFixedSize(ClientWidth, ClientHeight);
    CreateComponents();
    ConnectHandlers();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TForm1::~TForm1() {
    // Hiding ends a cell edit that is still open, and the grid writes it,
    // while the window is still whole; afterwards nothing of the dying
    // window may reach the handlers.
    hide();
    StringGrid1->disconnect(this);
    ListBox1->disconnect(this);
}

void TForm1::CreateComponents() {
    ImageList1 = MakeImageList();

    ToolBar1 = Named(new QToolBar(this), "ToolBar1");
    ToolBar1->setGeometry(0, 0, ClientWidth, 33);
    ToolBar1->setMovable(false);
    ToolBar1->setIconSize(QSize(16, 16));
    const auto addButton = [this](const char *Name, const QIcon &Icon, const QString &Hint, bool Enabled) {
        auto *button = Named(new QToolButton(ToolBar1), Name);
        button->setIcon(Icon);
        button->setToolTip(Hint);
        button->setAutoRaise(true);
        button->setEnabled(Enabled);
        ToolBar1->addSeparator();
        ToolBar1->addWidget(button);
        return button;
    };
    ToolButton1 = addButton("ToolButton1", ImageList1.Open, QStringLiteral("Open Any Korvex DB"), true);
    ToolButton4 = addButton("ToolButton4", ImageList1.Export, QStringLiteral("Save DB to XLS"), false);
    ToolButton9 = addButton("ToolButton9", ImageList1.Add, QStringLiteral("Add Record"), false);
    ToolButton7 = addButton("ToolButton7", ImageList1.Remove, QStringLiteral("Remove Record"), false);
    ToolButton5 = addButton("ToolButton5", ImageList1.Exit, QStringLiteral("Close/Exit"), true);

    GroupBox1 = MakeGroupBox(this, "GroupBox1", QStringLiteral("DB Info: "), {10, 48, 150, 50});
    Label2 = MakeLabel(GroupBox1, "Label2", QStringLiteral("Table Count:"), 8, 24, 138);

    GroupBox2 = MakeGroupBox(this, "GroupBox2", QStringLiteral("Table Info:"), {168, 48, 601, 50});
    Label4 = MakeLabel(GroupBox2, "Label4", QStringLiteral("Field Count:"), 8, 24, 110);
    Label6 = MakeLabel(GroupBox2, "Label6", QStringLiteral("Record Count:"), 120, 24, 126);
    Label8 = MakeLabel(GroupBox2, "Label8", QStringLiteral("Capacity:"), 248, 24, 102);
    Label1 = MakeLabel(GroupBox2, "Label1", QStringLiteral("Deleted:"), 352, 24, 102);
    ProgressBar1 = Named(new QProgressBar(GroupBox2), "ProgressBar1");
    ProgressBar1->setGeometry(456, 24, 129, 15);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);

    GroupBox3 = MakeGroupBox(this, "GroupBox3", QStringLiteral("Fieald Info:"), {776, 48, 225, 50});
    Label3 = MakeLabel(GroupBox3, "Label3", QStringLiteral("Size:"), 10, 24, 62);
    Label9 = MakeLabel(GroupBox3, "Label9", QStringLiteral("Type:"), 74, 24, 145);

    ListBox1 = Named(new QListWidget(this), "ListBox1");
    ListBox1->setGeometry(10, 112, 150, 545);
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox1->setSortingEnabled(false);

    StringGrid1 = Named(new TStringGrid(this), "StringGrid1");
    StringGrid1->setGeometry(168, 112, 833, 545);
    StringGrid1->setEnabled(false);

    StatusBar1 = Named(new QStatusBar(this), "StatusBar1");
    StatusBar1->setGeometry(0, ClientHeight - 22, ClientWidth, 22);
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1Panel = Named(new QLabel(StatusBar1), "StatusBar1Panel");
    StatusBar1->addWidget(StatusBar1Panel, 1);

    OpenDialog1 = Named(new QFileDialog(this), "OpenDialog1");
    OpenDialog1->setFileMode(QFileDialog::ExistingFile);
    OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
    // Every file, with or without a dot in its name.
    OpenDialog1->setNameFilter(QStringLiteral("Any Korvex DB (*)"));
}

void TForm1::ConnectHandlers() {
    connect(ToolButton1, &QToolButton::clicked, this, &TForm1::ToolButton1Click);
    connect(ToolButton4, &QToolButton::clicked, this, &TForm1::ToolButton4Click);
    connect(ToolButton9, &QToolButton::clicked, this, &TForm1::ToolButton9Click);
    connect(ToolButton7, &QToolButton::clicked, this, &TForm1::ToolButton7Click);
    connect(ToolButton5, &QToolButton::clicked, this, &TForm1::ToolButton5Click);
    connect(StringGrid1, &TStringGrid::SetEditText, this, &TForm1::StringGrid1SetEditText);
    connect(StringGrid1, &TStringGrid::ClickCell, this, &TForm1::StringGrid1ClickCell);

    // A table loads when the selection changes (by mouse or keyboard) and
    // when the user clicks the table that is already selected.
    ListBox1->viewport()->installEventFilter(this);
    connect(ListBox1, &QListWidget::itemSelectionChanged, this, [this] {
        if (listPressed_) listSelectionChangedByPress_ = true;
        if (SelectedTableIndex() >= 0) ListBox1Click();
    });
    connect(ListBox1, &QListWidget::itemClicked, this, [this] {
        const bool alreadyLoaded = listSelectionChangedByPress_;
        listPressed_ = listSelectionChangedByPress_ = false;
        if (!alreadyLoaded) ListBox1Click();
    });
}

bool TForm1::eventFilter(QObject *Watched, QEvent *Event) {
    if (Watched == ListBox1->viewport() && Event->type() == QEvent::MouseButtonPress) {
        listPressed_ = true;
        listSelectionChangedByPress_ = false;
    }
    return QWidget::eventFilter(Watched, Event);
}

int TForm1::SelectedTableIndex() const {
    const QList<QListWidgetItem *> selected = ListBox1->selectedItems();
    return selected.isEmpty() ? -1 : ListBox1->row(selected.first());
}

std::optional<QString> TForm1::SelectedTableName() const {
    const QList<QListWidgetItem *> selected = ListBox1->selectedItems();
    if (selected.isEmpty()) return std::nullopt;
    return selected.first()->text();
}

int TForm1::RecordOfGridRow(int ARow) const {
    bool ok = false;
    const int record = StringGrid1->Grid().GridCell(0, ARow).toInt(&ok);
    return ok ? record : -1;
}

void TForm1::SaveDatabase(TDatabaseSession &Database) {
    if (!Database.Save())
        ShowMessage(QStringLiteral("The database could not be saved to %1.").arg(DatabaseFileName),
                    QStringLiteral("Error!"), true);
}

bool TForm1::Confirm(const QString &Text) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), Text, QMessageBox::Yes | QMessageBox::No, this);
    return RunDialog(box) == QMessageBox::Yes;
}

void TForm1::ShowMessage(const QString &Text, const QString &Caption, bool IsError) {
    QMessageBox box(IsError ? QMessageBox::Critical : QMessageBox::Information, Caption, Text, QMessageBox::Ok, this);
    RunDialog(box);
}

void TForm1::Guarded(const std::function<void()> &Work) {
    try {
        Work();
    } catch (const std::exception &Error) {
        ShowMessage(QString::fromLocal8Bit(Error.what()), windowTitle(), true);
    }
}

void TForm1::ToolButton5Click() { close(); }

}  // namespace zebedit
