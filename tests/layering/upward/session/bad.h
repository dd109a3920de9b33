#pragma once
#include "workflow/verification.h"
