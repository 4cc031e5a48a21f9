#pragma once

// Internal to the Access reader: turns libmdb's raw row pieces into cells.
// glib must come first: mdbtools.h includes it inside extern "C".
#include <glib.h>
#include <mdbtools.h>

#include "db/access/MdbFile.h"

namespace qdt::db::access {

// The value of one cracked field of the row now in mdb->pg_buf. A long value
// must lie in the file's pageCount pages; otherwise DatabaseError.
MdbCell DecodeField(MdbHandle* mdb, MdbColumn* col, const MdbField& field, std::uint32_t pageCount);

// libmdb's text in UTF-8: Jet 3 bytes in the file's code page, Jet 4/ACE
// UCS-2 or compressed unicode.
std::string DecodeText(MdbHandle* mdb, const char* data, std::size_t size);

}  // namespace qdt::db::access
