#pragma once

#include <gtkmm/builder.h>
#include <gtkmm/widget.h>

#include <string>

namespace orvane::desktop {

// A screen loaded from a GtkBuilder file of the resources. Its top widget stays alive for as
// long as the screen does, whether a parent holds it or not: a parent that lets it go would
// otherwise free it under the builder, which still counts it as its own.
class BuiltScreen {
public:
    BuiltScreen(const std::string& resource, const std::string& rootId);
    ~BuiltScreen();
    BuiltScreen(const BuiltScreen&) = delete;
    BuiltScreen& operator=(const BuiltScreen&) = delete;

    template <typename T> T* get(const std::string& id) const { return builder_->get_widget<T>(id); }
    Gtk::Widget& root() const { return *root_; }

private:
    Glib::RefPtr<Gtk::Builder> builder_;
    Gtk::Widget* root_;
};

} // namespace orvane::desktop
