// Purchases versus sales: record 50 entries and exits, the fiscal-printer
// slots of record 60M, the coupon totals of record 60A and the series D total
// of record 61R, read from the working files of a mode.
#pragma once

#include <string_view>

#include "data/money.h"
#include "session/session.h"
#include "sintegra/load_mode.h"

namespace fiscora {

void PurchasesVersusSales(Session& s, LoadMode mode);
// Fills the slots from 60M, sums 60A, sets the coupon labels; the net total.
Money CouponTotals(Session& s, LoadMode mode);
Money SeriesDTotal(Session& s, LoadMode mode);

}  // namespace fiscora
