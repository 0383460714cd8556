#pragma once

#include <gtkmm/window.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace orvane::desktop {

// The dialogs that GTK 4.10 replaces (the native file chooser and the message dialog, by
// FileDialog and AlertDialog), behind one interface: callers do not change when the toolkit does.

// A save panel as a sheet on `parent`, limited to files matching `pattern`, prefilled with
// `suggestedName`. `done` gets the chosen path, or nothing when the user cancelled.
void chooseFileToSave(Gtk::Window& parent, const std::string& title, const std::string& suggestedName,
                      const std::string& filterName, const std::string& pattern,
                      std::function<void(std::optional<std::filesystem::path>)> done);

struct Alert {
    std::string message;
    std::string detail;
    std::string confirmTitle;
    std::string cancelTitle;
};

// A warning with two buttons as a sheet on `parent`; `done` learns whether the first was chosen.
void confirm(Gtk::Window& parent, const Alert& alert, std::function<void(bool confirmed)> done);

} // namespace orvane::desktop
