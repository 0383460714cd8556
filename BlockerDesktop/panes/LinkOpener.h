#pragma once

#include <gtkmm/window.h>

#include <memory>
#include <string>

namespace orvane::desktop {

// Where links that leave the application go: the user's default browser. Tests put a double
// in its place.
class LinkOpener {
public:
    virtual ~LinkOpener() = default;
    virtual void open(const std::string& uri, Gtk::Window* parent) = 0;
};

// Opens each link with the desktop's handler for its scheme; a failure is logged.
std::shared_ptr<LinkOpener> defaultBrowser();

} // namespace orvane::desktop
