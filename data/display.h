// Texts of table values as the grids and the total displays show them.
//
// A field shown as money gets the money format ("R$ 1.234,56"), a field with
// a display format gets its pattern, any other number the general format
// (no grouping, as many decimals as needed) and a text field its text.
#pragma once

#include <string>

#include "data/client_table.h"

namespace fiscora {

// The display text of one cell. `row` must be a live row of the table (one of
// OrderedRows()); `field` a valid field index.
std::string DisplayText(const ClientTable& table, ClientTable::RowId row, int field);

// The display text of the aggregate at that index: empty while the aggregate
// is null (empty table, aggregates not active), else formatted by the
// aggregate's pattern, as money, or in the general format.
std::string AggregateDisplayText(const ClientTable& table, int aggregate);

}  // namespace fiscora
