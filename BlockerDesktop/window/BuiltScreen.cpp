#include "window/BuiltScreen.h"

namespace orvane::desktop {

BuiltScreen::BuiltScreen(const std::string& resource, const std::string& rootId)
    : builder_(Gtk::Builder::create_from_resource(resource)), root_(builder_->get_widget<Gtk::Widget>(rootId)) {
    root_->reference();
}

BuiltScreen::~BuiltScreen() {
    builder_.reset();
    root_->unreference();
}

} // namespace orvane::desktop
