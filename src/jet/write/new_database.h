// A new, empty database, generated page by page as the engine lays out the
// databases it creates: Jet 4 (.mdb) as ADOX's Catalog.Create gives it, ACE
// (.accdb, Access 2016's version) as the Access-made empty files hold it.
// Jet 4:
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
// ACE:
//   0-5    as in Jet 4
//   6-16   per table of the four, a page of its usage maps, then its roots
//   17     MSysObjects' rows, those of the tables below added as they come
//   18-40  MSysComplexColumns and the nine MSysComplexType_* tables, each a
//          definition page, a page of its usage maps and its index roots
//   41     MSysACEs' rows
// What Access itself adds to a database (MSysAccessObjects or the navigation
// pane's tables, the containers of forms and reports, the database's
// properties) is not the engine's and is left to Access, as in any database
// made through the engine alone.
#pragma once

#include <string>

namespace jet {

// Writes the database to `path`, which must not exist yet: an ACE file when
// the name ends in .accdb (in any case), a Jet 4 file otherwise. The file
// appears complete or not at all. Throws jet::Error (kOpenFailed) when it cannot.
void CreateDatabase(const std::string& path);

}  // namespace jet
