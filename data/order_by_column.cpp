#include "data/order_by_column.h"

#include <string>

namespace fiscora {

bool OrderByColumn(ClientTable& table, std::string_view field) {
  const int index = table.FindField(field);
  if (index < 0) return false;
  const std::string f = table.FieldAt(index).name;
  const bool current = f == table.IndexName();

  std::string name = "DEFAULT_ORDER";
  bool descending = false;  // a column's first ordering is ascending
  for (const IndexDef& d : table.IndexDefs())
    if (d.name == f) {
      name = f;
      descending = !d.descending;
    }

  if (name != f || current) {
    try {
      if (current) table.DeleteIndex(f);
      table.AddIndex(f, f, descending);
      name = f;
    } catch (const TableError&) {
      name = "DEFAULT_ORDER";
    }
  }
  try {
    table.SetIndexName(name);
  } catch (const TableError&) {
    table.SetIndexName("DEFAULT_ORDER");
  }
  table.First();
  return true;
}

}  // namespace fiscora
