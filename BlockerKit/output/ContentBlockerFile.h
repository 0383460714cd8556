#pragma once

#include "model/Records.h"
#include "storage/StorageError.h"

#include <optional>
#include <span>

namespace orvane {

// The entry written when no blocker is enabled: the browser needs a non-empty list, and this
// one hides an element no page has.
Blocker placeholderBlocker();

// Writes "tmp.json" of the shared container: the given blockers, or the placeholder when absent.
// The text goes to the file as it is made. Failures are logged and answered; the previous file
// then stays as it was.
StorageResult writeSafariJSON(std::optional<std::span<const Blocker* const>> blockers);

} // namespace orvane
