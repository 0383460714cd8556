#include "ListHarness.h"

#include <giomm/menumodel.h>

namespace orvane::test {

desktop::SplitViewController& splitView(RunningApp& running) {
    auto* split = running.delegate().splitViewController();
    EXPECT_NE(split, nullptr);
    return *split;
}

desktop::AdvancedVC& packageList(RunningApp& running) { return splitView(running).packageList(); }

guint rowOf(desktop::AdvancedVC& list, const std::string& packageId) {
    for (guint row = 0; row < list.rowCount(); ++row) {
        if (list.row(row).kind == desktop::PackageRowData::Kind::Package && list.row(row).summary.id == packageId) {
            return row;
        }
    }
    ADD_FAILURE() << "no row for " << packageId;
    return 0;
}

desktop::PackageVC* ruleList(RunningApp& running) { return splitView(running).ruleList(); }

desktop::EditorPage* editorPage(RunningApp& running) {
    return dynamic_cast<desktop::EditorPage*>(splitView(running).detail());
}

desktop::PackageVC& openRuleList(RunningApp& running, const std::string& packageId) {
    auto& list = packageList(running);
    list.selectRow(rowOf(list, packageId));
    EXPECT_TRUE(pumpUntil([&] { return ruleList(running) != nullptr && ruleList(running)->packageId() == packageId; }));
    settle();
    return *ruleList(running);
}

std::vector<std::string> listedRuleIds(desktop::PackageVC& list) {
    std::vector<std::string> ids;
    auto rules = list.rules();
    for (guint i = 0; i < rules->get_n_items(); ++i) {
        auto item = std::dynamic_pointer_cast<desktop::RuleItem>(rules->get_object(i));
        ids.push_back(item ? item->rule().id : std::string());
    }
    return ids;
}

namespace {

void walkMenu(const Glib::RefPtr<Gio::MenuModel>& menu, std::vector<std::string>* labels,
              std::vector<std::string>* sections) {
    if (!menu) {
        return;
    }
    for (int i = 0; i < menu->get_n_items(); ++i) {
        Glib::VariantBase label = menu->get_item_attribute(i, Gio::MenuModel::Attribute::LABEL, Glib::VariantType("s"));
        auto section = menu->get_item_link(i, Gio::MenuModel::Link::SECTION);
        if (section) {
            if (sections != nullptr && label) {
                sections->push_back(Glib::VariantBase::cast_dynamic<Glib::Variant<Glib::ustring>>(label).get());
            }
            walkMenu(section, labels, sections);
        } else if (labels != nullptr && label) {
            labels->push_back(Glib::VariantBase::cast_dynamic<Glib::Variant<Glib::ustring>>(label).get());
        }
    }
}

} // namespace

std::vector<std::string> menuLabels(const Glib::RefPtr<Gio::MenuModel>& menu) {
    std::vector<std::string> labels;
    walkMenu(menu, &labels, nullptr);
    return labels;
}

std::vector<std::string> menuSectionTitles(const Glib::RefPtr<Gio::MenuModel>& menu) {
    std::vector<std::string> titles;
    walkMenu(menu, nullptr, &titles);
    return titles;
}

void closeMenu(RunningApp& running, Gtk::Widget& menu) {
    xKey(running.window(), GDK_KEY_Escape);
    EXPECT_FALSE(menu.get_visible());
    xClick(*packageList(running).headerCellAt(0)->widget().get_parent());
}

bool focusWithin(Gtk::Widget& widget) {
    auto* window = dynamic_cast<Gtk::Window*>(widget.get_root());
    auto* focus = window != nullptr ? window->get_focus() : nullptr;
    return focus != nullptr && (focus == &widget || focus->is_ancestor(widget));
}

GtkWindow* waitForDialog(Gtk::Window& parent) {
    GtkWindow* dialog = nullptr;
    // Looked up through GTK itself: a C++ wrapper made for the dialog would outlive it.
    EXPECT_TRUE(pumpUntil([&] {
        GList* toplevels = gtk_window_list_toplevels();
        for (GList* item = toplevels; item != nullptr; item = item->next) {
            auto* window = GTK_WINDOW(item->data);
            if (gtk_window_get_transient_for(window) == parent.gobj() && gtk_widget_get_visible(GTK_WIDGET(window)) &&
                GTK_IS_DIALOG(window)) {
                dialog = window;
            }
        }
        g_list_free(toplevels);
        return dialog != nullptr;
    }));
    return dialog;
}

} // namespace orvane::test
