// Our Jet engine behind the data-access layer: a session on one .mdb file,
// opened from the attributes of a Jet OLE DB connection string. Reading
// statements are answered from the file as it stands; every other statement
// goes to the engine's writer, one statement per call, committed on return.
#pragma once

#include <memory>

#include "dataaccess/connection_string.h"
#include "dataaccess/engine.h"
#include "dataaccess/value.h"
#include "jet/value.h"

namespace dataaccess {

// A field value as the engine reads it, as the program sees it: Byte, Integer
// and Long as 64-bit integers, Text and Memo as UTF-8 text, Binary and OLE as
// bytes, a replication ID as its text "{...}", Decimal and Currency exact.
// The rvalue form moves texts and bytes instead of copying them.
Value FromJetValue(const jet::Value& value);
Value FromJetValue(jet::Value&& value);

// Reads "Data Source" (the file) and "Jet OLEDB:Database Password" and opens
// the file, checking it and the password. Holds no lock once open. Every
// failure is a DbError with the engine's number and description.
std::unique_ptr<EngineSession> OpenJetSession(const ConnectionAttributes& attributes);

}  // namespace dataaccess
