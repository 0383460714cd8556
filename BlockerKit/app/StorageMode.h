#pragma once

namespace orvane {

// Where the switches are kept: on this machine (true) or in the cloud key-value store, shared by
// the user's machines (false). The choice is written first, then the switches move.
void setStorePreferencesLocally(bool local);
bool storesPreferencesLocally();

} // namespace orvane
