// SPDX-License-Identifier: MIT
#pragma once

#include "Store.h"

// The accounts the sandbox can start with. Dates are relative to the moment of seeding, so
// "due tomorrow" is always tomorrow.
namespace sandbox::seeds {

void empty(store::Store &store);
void sample(store::Store &store);
void large(store::Store &store, int lists = 30, int cardsPerList = 200);

} // namespace sandbox::seeds
