// The ICMS totalizer: bases and ICMS values per source record and direction,
// or per source record and rate, in cds_totalizador_icms.
#pragma once

#include <string_view>

#include "data/catalogue.h"
#include "data/money.h"

namespace fiscora {

void TotalizeIcmsByCfop(TdtmCENTRAL& dtm, std::string_view cfop, std::string_view registro,
                        Money base, Money icms);
void TotalizeIcmsByRate(TdtmCENTRAL& dtm, std::string_view code, std::string_view registro,
                        Money value);

}  // namespace fiscora
