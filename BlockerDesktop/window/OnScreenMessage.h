#pragma once

#include <functional>
#include <string>
#include <vector>

namespace orvane::desktop {

// One full-window message: its lines, its button, and what dismissing it does.
struct OnScreenMessage {
    // One label per entry, top to bottom.
    std::vector<std::string> mainMessageParts;
    std::string buttonTitle;
    // The welcome style: a bigger first line, an opaque background, the parts revealed one by
    // one, and the button also opens the extension settings.
    bool introMode = false;
    bool showSkipper = false;
    std::function<void()> completion;
    // The second button's title and what it does, when they are not the welcome's skipper's.
    std::string skipperTitle;
    std::function<void()> skipCompletion;
};

} // namespace orvane::desktop
