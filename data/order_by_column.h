// Ordering a table by a clicked grid column. Every ordered column keeps an
// index named after its field, on that one field, for the table's lifetime
// (emptying the table keeps it): the first click orders ascending, a click on
// the active column reverses it, and coming back to a column selects its
// index in the direction it had. "DEFAULT_ORDER" is the fall-back.
#pragma once

#include <string_view>

#include "data/client_table.h"

namespace fiscora {

// Orders `table` by its field `field` and moves to the first row. Returns
// false, changing nothing, when the column shows no stored field of the
// table (a calculated or aggregate column): the grid then keeps its title
// style too. An index that cannot be added or selected leaves the table in
// "DEFAULT_ORDER"; nothing is reported.
bool OrderByColumn(ClientTable& table, std::string_view field);

}  // namespace fiscora
