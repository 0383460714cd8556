#pragma once

#include "browser/BrowserError.h"
#include "catalog/ReloadOutcome.h"
#include "platform/Expected.h"

namespace orvane {

// Makes GNOME Web apply Orvane's rules: records the choice, then publishes the rules at once
// without asking for the content blocker's state first (GNOME Web could not list Orvane's rules
// before this publication). `published` is told how the publication ended.
Expected<void, browser::BrowserError> useGnomeWeb(ReloadHandler published);

} // namespace orvane
