// The notes sheet: the note search, the note analysis (notes whose total
// differs from base + exempt + other + IPI) and the note summary (one note's
// items and their totals per rate).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "data/table_def.h"
#include "session/session.h"

namespace fiscora {

// "Pesquisar" (or Enter in edt_pesq50): looks up the note whose number is
// the trimmed `number` (the text of edt_pesq50, which then shows it).
// Found: cds_50 is ordered by numero with that note as its current row, and
// the result is true (the grid dbg_50 then takes the focus). Not found: the
// message "Nota não encontrada" titled "Atenção". A text that is empty or
// not a whole number does nothing.
bool btn_pesq50Click(Session& s, std::string_view number);

// The note analysis ("Analisar" on the notes sheet): sums the record 50 lines
// of each note number into cds_50_inv_ini, adds the IPI of the note's record
// 54 items, and lists in cds_dif_nota every note whose total differs from
// base + exempt + other + IPI. The note number alone is the key. Returns the
// text of lblTotNota (the number of notes listed). A record 54 note number
// that is not an integer ends it with a conversion error.
std::string bbtnAnalisarNotasClick(Session& s);

// Fills cds_resumo_50 with the record 54 items of the note `numero`, in the
// reverse of their order in cds_54. An item of a quantity of 0, or blank,
// gets the unit value 0. A note number that is not an integer (the item's or
// `numero`) or a quantity that is not a number ends it with a conversion
// error.
void FillNoteSummary(Session& s, std::string_view numero);

// The fields of one note that the summary window shows.
struct NoteHeader {
  std::string nota, data, ie, cnpj, uf, modelo, serie, emissao;
};

// Enter on dbg_50: the summary of the current note of cds_50 and its header;
// nullopt (nothing done) when cds_50 has no current row.
std::optional<NoteHeader> dbg_50Enter(Session& s);

// The labels of the summary window, as (control name, text) in the window's
// order: lbl_itens, lbl_nota, lbl_data, lbl_uf, lbl_cnpj, lbl_ie,
// lbl_modelo, lbl_serie, lbl_emissao ("Própria" or "Terceiros").
std::vector<std::pair<std::string, std::string>> NoteSummaryLabels(const NoteHeader& note,
                                                                   int item_count);

// The rate table of the summary window: aliquota, base and icms, titled
// "Alíquota", "Base Calc." and "Valor Icms".
TableDef RateSummaryDef();

// Fills the rate table from cds_resumo_50: one row per rate text (exact),
// items of rate "0000" and freight ("FRET") left out; icms is base × rate,
// the rate text holding two implied decimals ("1700" is 17 %). Both tables
// end on their first row.
void FillRateSummary(ClientTable& resumo, ClientTable& rates);

}  // namespace fiscora
