// Purchases versus sales: record 50 entries and exits, the fiscal-printer
// slots of record 60M, the coupon totals of record 60A and the series D total
// of record 61R, read from the working files of a mode.
#pragma once

#include <string_view>

#include "data/money.h"
#include "session/session.h"

namespace fiscora {

void PurchasesVersusSales(Session& s, std::string_view mode);
// Fills the slots from 60M, sums 60A, sets the coupon labels; the net total.
Money CouponTotals(Session& s, std::string_view mode);
Money SeriesDTotal(Session& s, std::string_view mode);

}  // namespace fiscora
