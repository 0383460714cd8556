#pragma once

#include <optional>

namespace orvane {

// The main window's size and maximised state, kept in the standard preferences under
// "OrvaneWindow".
struct WindowFrame {
    int width = 0;
    int height = 0;
    bool maximized = false;
};

std::optional<WindowFrame> savedWindowFrame();
void saveWindowFrame(const WindowFrame& frame);

} // namespace orvane
