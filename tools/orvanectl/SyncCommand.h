#pragma once

#include "Command.h"

namespace orvane::cli {

int runSync(Arguments arguments);

inline constexpr Command kSyncCommand{"sync", "sync   (uploads the queued changes, then fetches and applies the cloud's)",
                                      runSync};

} // namespace orvane::cli
