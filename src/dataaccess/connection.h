// The program's connection object, shaped after ADO's Connection: set the
// connection string and options, open, run statements, close. The connection
// string alone chooses the database engine behind it.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "dataaccess/engine.h"
#include "dataaccess/recordset.h"

namespace dataaccess {

// ADO's numbers for the settings callers pass.
inline constexpr int kUseServer = 2;       // cursor location: server-side
inline constexpr int kUseClient = 3;       // cursor location: client-side
inline constexpr int kModeUnknown = 0;
inline constexpr int kModeReadWrite = 3;

class Connection {
 public:
  Connection() = default;
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  ~Connection() = default;

  void SetConnectionString(std::string connectionString);
  const std::string& ConnectionString() const { return connectionString_; }

  // Kept for the callers that set them. Every static result of our engines
  // is counted before it is handed over, so both locations give an exact count.
  void SetCursorLocation(int location) { cursorLocation_ = location; }
  int CursorLocation() const { return cursorLocation_; }
  void SetMode(int mode) { mode_ = mode; }
  int Mode() const { return mode_; }

  // Opens with `connectionString`, or with ConnectionString() when it is empty.
  void Open(std::string_view connectionString = {});
  // Runs one statement; statements that return no rows give a closed Recordset.
  Recordset Execute(std::string_view statement);
  // Runs a load of rows whose file content is `data` (EngineSession::LoadLocal).
  LoadOutcome LoadLocal(std::string_view statement, std::string_view data) {
    return Session().LoadLocal(statement, data);
  }
  void Close();
  bool IsOpen() const { return session_ != nullptr; }

  // The engine behind an open connection; throws when it is closed.
  EngineSession& Session() const;

 private:
  std::string connectionString_;
  int cursorLocation_ = kUseServer;
  int mode_ = kModeUnknown;
  std::unique_ptr<EngineSession> session_;
};

}  // namespace dataaccess
