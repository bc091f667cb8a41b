#include "Unit1_Session.h"

#include <QFile>

#include "zebcore.h"

namespace zebedit {

TDatabaseSession::TDatabaseSession(const QString &FileName)
    : handle_(ZEBOpen(QFile::encodeName(FileName).constData())) {}

TDatabaseSession::~TDatabaseSession() {
    if (handle_ >= 0) ZEBClose(handle_);
}

bool TDatabaseSession::Save() { return ZEBSave(handle_); }

QByteArray NameArgument(const QString &Name) { return Name.toLatin1(); }

}  // namespace zebedit
