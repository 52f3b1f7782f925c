// The catalogue rows of a table. MSysObjects (definition on page 2) holds one
// row per table: Id (for a local table its definition page), ParentId
// 0x0F000001 (the "Tables" container), Name, Type (1 local, 4 and 6 linked),
// DateCreate, DateUpdate, Owner (the MSysDb row's), Flags (0 for a user
// table; bit 31 or bit 1 marks Jet's and Access's own tables). MSysACEs
// (page 3) gives a table created in Access one row per inheritable
// full-rights entry of the "Tables" container (ACM 1048319): that SID, that
// ACM, FInheritable off. MSysRelationships names the two tables of each
// relationship in szObject and szReferencedObject.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "jet/pager.h"
#include "jet/write/indexed_table.h"
#include "jet/write/page_space.h"

namespace jet {

// The rights of the "Tables" container's entry that a new table inherits.
inline constexpr std::int32_t kInheritedTableRights = 1048319;

struct CatalogueTable {
  StoredRow row;
  std::string name;
  std::int32_t id = 0;
  std::int16_t type = 0;
  std::int32_t flags = 0;
  std::vector<std::uint8_t> properties;  // LvProp: the table's and its columns' properties

  bool IsLocal() const { return type == 1; }
  bool IsSystem() const { return (flags & static_cast<std::int32_t>(0x80000002u)) != 0; }
};

class CatalogueWriter {
 public:
  CatalogueWriter(Pager& pager, PageSpace& space);

  // The table of that name (as Jet compares names), local or linked.
  std::optional<CatalogueTable> Find(const std::string& name);

  // Throws jet::Error (kStatementFailed) unless `name` can name a new table:
  // valid, keyable in the sort order, and not taken by another object
  // (`except`, when given, is the row being renamed).
  void CheckNewName(const std::string& name, const CatalogueTable* except = nullptr);

  // Whether a relationship names the table.
  bool InRelationship(const std::string& name);

  // `properties` (LvProp) may be empty.
  void AddTable(const std::string& name, std::uint32_t tdefPage, const std::vector<std::uint8_t>& properties);
  void RemoveTable(const CatalogueTable& table);
  void RenameTable(const CatalogueTable& table, const std::string& newName);

 private:
  std::vector<Value> ObjectRowFor(const std::string& name) const;
  std::optional<std::uint32_t> RelationshipsPage();

  Pager& pager_;
  PageSpace& space_;
  IndexedTable objects_;
};


}  // namespace jet
