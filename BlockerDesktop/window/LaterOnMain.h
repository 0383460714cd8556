#pragma once

#include "platform/MainQueue.h"

#include <functional>
#include <memory>

namespace orvane::desktop {

// Runs `work` on the main queue's next turn if its owner is still alive then. A screen keeps a
// `std::shared_ptr<Owner*>` to itself for this; the queue holds only a weak pointer, so a screen
// closed meanwhile is never touched.
template <typename Owner>
void laterOnMain(const std::shared_ptr<Owner*>& self, std::function<void(Owner&)> work) {
    runOnMain([weak = std::weak_ptr<Owner*>(self), work = std::move(work)] {
        if (auto alive = weak.lock()) {
            work(**alive);
        }
    });
}

} // namespace orvane::desktop
