// One action's use of the database file: every command opens the file by its
// path, works through the handle and closes it before it returns, whatever
// happens in between, so no database stays open between user actions.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace zebedit {

class TDatabaseSession {
  public:
    // ZEBOpen of FileName (in the file system's encoding).
    explicit TDatabaseSession(const QString &FileName);
    // ZEBClose when the open succeeded; nothing is saved.
    ~TDatabaseSession();
    TDatabaseSession(const TDatabaseSession &) = delete;
    TDatabaseSession &operator=(const TDatabaseSession &) = delete;

    bool IsOpen() const { return handle_ >= 0; }
    int32_t Handle() const { return handle_; }
    // ZEBSave: true when the file on disk now holds the database.
    bool Save();

  private:
    int32_t handle_;
};

// A table or field name for the library: each character one byte.
QByteArray NameArgument(const QString &Name);

}  // namespace zebedit
