// The program unit: starts the window platform, shows the one window TForm1
// and runs the message loop until that window closes.
#include <QApplication>

#include "Unit1.h"

int main(int argc, char **argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zebedit"));
    zebedit::TForm1 Form1;
    Form1.show();
    return QApplication::exec();
}
