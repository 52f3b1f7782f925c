// A new, empty Jet 4 database, generated page by page as the Jet engine lays
// out the databases it creates (ADOX's Catalog.Create gives these pages):
//   0      the header
//   1      a data page owned by "table" 1: row 0 the global usage map, row 1
//          an empty map whose use is unknown
//   2-5    the definitions of MSysObjects, MSysACEs, MSysQueries and
//          MSysRelationships (see system_tables.h)
//   6      their usage maps as rows, table after table: owned pages, pages
//          with room, a pair per memo or OLE column in column-number order,
//          one per index
//   7-13   the root of each index, a leaf page, in the same order
//   14     MSysObjects' rows: the containers Tables, Databases and
//          Relationships, the database object MSysDb and the four tables
//   15     MSysACEs' rows: the rights of Jet's accounts on those objects
// What Access itself adds to a database (MSysAccessObjects, the containers of
// forms and reports, the database's properties) is not Jet's and is left to
// Access, as in any database made through Jet.
#pragma once

#include <string>

namespace jet {

// Writes the database to `path`, which must not exist yet; the file appears
// complete or not at all. Throws jet::Error (kOpenFailed) when it cannot.
void CreateDatabase(const std::string& path);

}  // namespace jet
