// Complex columns of Access 2007 and later files (type 0x12): attachments,
// multi-valued fields and the kept history of an append-only memo. The row
// holds only a Long that ties it to rows of a hidden table; the column's
// definition names a complex id, and MSysComplexColumns maps that id to the
// column's "type object", a system table whose name says the kind:
// MSysComplexType_Attachment, MSysComplexTypeVH_<id> (the history of an
// append-only memo) or MSysComplexType_<value type> (a multi-valued field).
#pragma once

#include <cstdint>
#include <vector>

#include "jet/catalogue.h"
#include "jet/pager.h"
#include "jet/tdef.h"

namespace jet {

// Gives each complex column of `def` its kind, reading the catalogue and
// MSysComplexColumns only when the table has such a column. Call inside a
// pager statement.
void NameComplexKinds(Pager& pager, TableDef& def);

}  // namespace jet
