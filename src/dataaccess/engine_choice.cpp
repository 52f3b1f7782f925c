// The connection string alone decides which engine serves a connection: an
// ODBC DRIVER naming the MySQL driver, or an OLE DB PROVIDER naming Jet. A
// string led by DRIVER is read in ODBC's syntax, any other in OLE DB's, so a
// value quoted for one syntax is never misread by the other.
#include "dataaccess/connection_string.h"
#include "dataaccess/engine.h"
#include "dataaccess/error.h"
#include "dataaccess/jet_session.h"
#include "dataaccess/mysql_session.h"

namespace dataaccess {

namespace {

constexpr std::string_view kMySqlDriver = "MySQL ODBC 3.51 Driver";
constexpr std::string_view kJetProvider = "Microsoft.Jet.OLEDB.4.0";

}  // namespace

std::unique_ptr<EngineSession> OpenEngineSession(const std::string& connectionString) {
  if (EqualsIgnoringCase(ConnectionAttributes::FirstKey(connectionString), "DRIVER")) {
    ConnectionAttributes attributes = ConnectionAttributes::Parse(connectionString);
    std::string driver = attributes.Find({"DRIVER"}).value_or(std::string());
    if (EqualsIgnoringCase(driver, kMySqlDriver)) return OpenMySqlSession(attributes);
    throw DbError(kConnectFailed, "Driver cannot be found: " + driver);
  }
  ConnectionAttributes attributes = ConnectionAttributes::ParseOleDb(connectionString);
  if (auto provider = attributes.Find({"PROVIDER"})) {
    if (EqualsIgnoringCase(*provider, kJetProvider)) return OpenJetSession(attributes);
    throw DbError(kConnectFailed, "Provider cannot be found: " + *provider);
  }
  throw DbError(kConnectFailed, "The connection string names neither a driver nor a provider.");
}

}  // namespace dataaccess
