#pragma once

#include "catalog/ReloadOutcome.h"
#include "output/Communication.h"

#include <memory>

namespace orvane {

// Rebuilds the content blocker now, as the launch does; `handler` is told the outcome once.
void rebuildContentBlocker(ReloadHandler handler);

// What the browser extension writes into the shared preferences: pausing or resuming blocking,
// and asking for the rule files to be read again. The quick actions send the same.
void signalPaused(bool paused);
void signalReloadRulesFromDisk();

// Acts on those signals for as long as the result lives.
std::unique_ptr<ExtensionSignalObservation> observeExtensionSignals();

// Starts listening to the cloud key-value store, so that switches changed on another machine
// rebuild the content blocker here.
void listenToRemotePreferences();

} // namespace orvane
