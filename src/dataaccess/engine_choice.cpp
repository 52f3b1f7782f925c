// The connection string alone decides which engine serves a connection: an
// ODBC DRIVER naming the MySQL driver, or an OLE DB PROVIDER naming Jet.
#include "dataaccess/connection_string.h"
#include "dataaccess/engine.h"
#include "dataaccess/error.h"
#include "dataaccess/mysql_session.h"

namespace dataaccess {

namespace {

constexpr std::string_view kMySqlDriver = "MySQL ODBC 3.51 Driver";
constexpr std::string_view kJetProvider = "Microsoft.Jet.OLEDB.4.0";

}  // namespace

std::unique_ptr<EngineSession> OpenEngineSession(const std::string& connectionString) {
  ConnectionAttributes attributes = ConnectionAttributes::Parse(connectionString);
  if (auto provider = attributes.Find({"PROVIDER"})) {
    if (EqualsIgnoringCase(*provider, kJetProvider)) {
      throw DbError(kConnectFailed,
                    "The Access database engine is not available in this build of Tabloria.");
    }
    throw DbError(kConnectFailed, "Provider cannot be found: " + *provider);
  }
  if (auto driver = attributes.Find({"DRIVER"})) {
    if (EqualsIgnoringCase(*driver, kMySqlDriver)) return OpenMySqlSession(attributes);
    throw DbError(kConnectFailed, "Driver cannot be found: " + *driver);
  }
  throw DbError(kConnectFailed, "The connection string names neither a driver nor a provider.");
}

}  // namespace dataaccess
