// The record loader: one pass over a SINTEGRA file, every line routed by its
// record type into the tables, the ICMS totalizer and the working files.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>

#include "data/text.h"
#include "session/session.h"
#include "sintegra/load_mode.h"

namespace fiscora {

void LoadSintegraFile(Session& s, const std::string& path, LoadMode mode);
// The number of lines of the file (a last line without a line break counts).
int CountLines(Session& s, const std::string& path);
// The description of the product with that code in cds_produt (exact), or
// the empty text, the code then added to the list of products without 75.
std::string ProductDescription(Session& s, std::string_view code);

// ProductDescription for many codes in turn, while cds_produt does not
// change: its codes are gathered once (the first row of each in the ordering
// by CODIGO, the one Locate finds), with the same results and the same list
// of products without 75. Finish() leaves cds_produt on the last product
// found, as the lookups one by one would. The texts Of gives are views of
// cds_produt's rows, valid while the table does not change.
class ProductDescriptions {
 public:
  explicit ProductDescriptions(Session& s);
  std::string_view Of(std::string_view code);
  void Finish();

 private:
  Session& s_;
  ClientTable& t_;
  int descricao_;
  std::unordered_map<std::string_view, ClientTable::RowId, TextHash> rows_;  // views of the codes
  std::string last_found_;
  bool found_any_ = false;
};

// The working file of a record kind for a mode: "temp_" + kind + mode + ".txt".
std::filesystem::path WorkingFile(const Session& s, std::string_view kind, LoadMode mode);

}  // namespace fiscora
