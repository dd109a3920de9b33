#include <gtest/gtest.h>

#include "data/catalogue.h"

TEST(Smoke, CatalogueBuilds) { SUCCEED(); }
