// What the editor benchmarks share: the offscreen window platform, a window
// with a database file opened through its open command, and the peak
// resident memory of the process.
#pragma once

#include <QDialog>
#include <QFileDialog>
#include <QListWidget>
#include <QSignalBlocker>
#include <fstream>
#include <memory>
#include <string>

#include "Unit1.h"

namespace zebbench {

// Starts the peak over from the memory in use now.
inline void ResetPeakResidentMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }

// A memory figure of /proc/self/status ("VmHWM:", "VmRSS:"), in MiB.
inline double StatusMiB(const std::string &Key) {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == Key) {
            double kib = 0;
            status >> kib;
            return kib / 1024.0;
        }
        status.ignore(4096, '\n');
    }
    return 0;
}

// The largest resident memory of the process since the last reset, in MiB.
inline double PeakResidentMiB() { return StatusMiB("VmHWM:"); }
inline double ResidentMiB() { return StatusMiB("VmRSS:"); }

// The window with Path opened and table TableIndex selected, not yet loaded.
inline std::unique_ptr<zebedit::TForm1> WindowWithTable(const std::string &Path, int TableIndex) {
    auto form = std::make_unique<zebedit::TForm1>();
    form->RunDialog = [Path](QDialog &Dialog) {
        if (auto *open = qobject_cast<QFileDialog *>(&Dialog)) {
            open->selectFile(QString::fromStdString(Path));
            return int(QDialog::Accepted);
        }
        return int(QDialog::Accepted);  // message boxes: OK
    };
    form->show();
    form->ToolButton1Click();
    const QSignalBlocker quiet(form->ListBox1);
    form->ListBox1->setCurrentRow(TableIndex);
    return form;
}

}  // namespace zebbench
