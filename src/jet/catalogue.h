// The catalogue: the rows of MSysObjects (its definition is always on page
// 2) that describe tables: Type 1 local tables, 6 linked Jet tables and 4
// linked ODBC tables, all children of the "Tables" container.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/pager.h"

namespace jet {

inline constexpr std::uint32_t kCatalogueTdefPage = 2;
// A local table's Id holds its definition page in the low 24 bits.
inline constexpr std::uint32_t kIdPageMask = 0x00FFFFFF;

enum class TableKind : std::int16_t { Local = 1, LinkedOdbc = 4, Linked = 6 };

// The catalogue's own objects: the parent of the containers (no row of its
// own), the three containers Jet makes, the database object MSysDb; and the
// types of the last two in MSysObjects.Type.
inline constexpr std::int32_t kContainersParent = 0x0F000000;
inline constexpr std::int32_t kTablesContainer = 0x0F000001;
inline constexpr std::int32_t kDatabasesContainer = 0x0F000002;
inline constexpr std::int32_t kRelationshipsContainer = 0x0F000003;
inline constexpr std::int32_t kDatabaseObject = 0x10000000;
inline constexpr std::int16_t kObjectTypeDatabase = 2;
inline constexpr std::int16_t kObjectTypeContainer = 3;
// MSysObjects.Flags of Jet's own objects.
inline constexpr std::int32_t kFlagsJetObject = static_cast<std::int32_t>(0x80000000u);

// DAO's TableDef attribute bits.
inline constexpr std::int32_t kAttrSystem = static_cast<std::int32_t>(0x80000002u);
inline constexpr std::int32_t kAttrHidden = 0x00000001;
inline constexpr std::int32_t kAttrLinkedOdbc = 0x20000000;
inline constexpr std::int32_t kAttrLinked = 0x40000000;

struct CatalogueEntry {
  std::string name;
  TableKind kind = TableKind::Local;
  std::int32_t id = 0;
  std::int32_t flags = 0;       // MSysObjects.Flags
  std::int32_t attributes = 0;  // what DAO's TableDef.Attributes reports
  std::uint32_t tdefPage = 0;   // local tables only
  std::string connect;          // linked tables: where the rows live
  std::string database;
  std::string foreignName;

  bool IsLinked() const { return kind != TableKind::Local; }
};

// DAO's attribute value for a table with these MSysObjects Flags and Type:
// system (Flags bit 31 or 1) wins; otherwise hidden (bit 3 or 0) gives 1,
// plus the linked bit of a linked table.
std::int32_t TableAttributes(std::int32_t flags, TableKind kind);

// Whether a table list shows the table: not system (negative), not exactly
// hidden (1), not exactly 2.
inline bool IsUserTable(std::int32_t attributes) { return attributes >= 0 && attributes != 1 && attributes != 2; }

// Every table in the catalogue, sorted by name without regard to case.
std::vector<CatalogueEntry> ReadCatalogue(Pager& pager);

// Throws as ReadCatalogue does when the catalogue's definition or its map of
// owned pages is missing, or it owns pages the file does not hold (a
// cut-short copy); reads neither its columns nor its rows.
void CheckCatalogueStructure(Pager& pager);

}  // namespace jet
