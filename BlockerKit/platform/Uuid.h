#pragma once

#include <string>

namespace orvane {

// A fresh random UUID in its 36-character upper-case text form.
std::string makeUUID();

} // namespace orvane
