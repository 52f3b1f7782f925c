// The connection string alone decides which engine serves a connection: an
// ODBC DRIVER naming the MySQL driver, or an OLE DB PROVIDER naming Jet. The
// two syntaxes enclose values differently (braces, quotes), so the string is
// read in the syntax of the engine it names.
#include "dataaccess/connection_string.h"
#include "dataaccess/engine.h"
#include "dataaccess/error.h"
#include "dataaccess/jet_session.h"
#include "dataaccess/mysql_session.h"

namespace dataaccess {

namespace {

constexpr std::string_view kMySqlDriver = "MySQL ODBC 3.51 Driver";
constexpr std::string_view kJetProvider = "Microsoft.Jet.OLEDB.4.0";

std::unique_ptr<EngineSession> OpenOdbc(const std::string& connectionString) {
  ConnectionAttributes attributes = ConnectionAttributes::Parse(connectionString);
  auto driver = attributes.Find({"DRIVER"});
  if (!driver) throw DbError(kConnectFailed, "The connection string names neither a driver nor a provider.");
  if (EqualsIgnoringCase(*driver, kMySqlDriver)) return OpenMySqlSession(attributes);
  throw DbError(kConnectFailed, "Driver cannot be found: " + *driver);
}

std::unique_ptr<EngineSession> OpenOleDb(const ConnectionAttributes& attributes) {
  std::string provider = attributes.Find({"PROVIDER"}).value_or(std::string());
  if (EqualsIgnoringCase(provider, kJetProvider)) return OpenJetSession(attributes);
  throw DbError(kConnectFailed, "Provider cannot be found: " + provider);
}

}  // namespace

std::unique_ptr<EngineSession> OpenEngineSession(const std::string& connectionString) {
  // The strings the program builds lead with their DRIVER or PROVIDER, so a
  // quoted value is never read in the other syntax.
  std::string first = ConnectionAttributes::FirstKey(connectionString);
  if (EqualsIgnoringCase(first, "DRIVER")) return OpenOdbc(connectionString);
  if (EqualsIgnoringCase(first, "PROVIDER")) return OpenOleDb(ConnectionAttributes::ParseOleDb(connectionString));
  // Keys in another order: as ADO does, a PROVIDER names the engine, and
  // without one the string is an ODBC one.
  ConnectionAttributes oleDb = ConnectionAttributes::ParseOleDb(connectionString);
  if (oleDb.Find({"PROVIDER"})) return OpenOleDb(oleDb);
  return OpenOdbc(connectionString);
}

}  // namespace dataaccess
