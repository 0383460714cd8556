#pragma once

#include "DesktopHarness.h"
#include "XInput.h"

#include "packages/AdvancedVC.h"
#include "rules/PackageVC.h"
#include "editors/EditorPage.h"
#include "window/SplitViewController.h"

#include <gtk/gtk.h>

#include <string>
#include <vector>

namespace orvane::test {

// The package list and the detail pane of a running application.
desktop::SplitViewController& splitView(RunningApp& running);
desktop::AdvancedVC& packageList(RunningApp& running);
// The row of a package in the package list (fails the test when it has none).
guint rowOf(desktop::AdvancedVC& list, const std::string& packageId);
// The rule list in the detail pane, or nothing when an editor is there.
desktop::PackageVC* ruleList(RunningApp& running);
desktop::EditorPage* editorPage(RunningApp& running);
// Selects the package as a click does and waits for its rule list.
desktop::PackageVC& openRuleList(RunningApp& running, const std::string& packageId);

// The ids of the rules the rule list shows, in order.
std::vector<std::string> listedRuleIds(desktop::PackageVC& list);
// The labels of a menu's items, through its sections; its sections' titles.
std::vector<std::string> menuLabels(const Glib::RefPtr<Gio::MenuModel>& menu);
std::vector<std::string> menuSectionTitles(const Glib::RefPtr<Gio::MenuModel>& menu);

// Closes a context menu as a user does, with Escape. Under Xvfb, with no window manager, the
// menu's pointer grab then takes the next click, so a click on the first header (which does
// nothing) goes first.
void closeMenu(RunningApp& running, Gtk::Widget& menu);

// Whether the keyboard focus is in the widget (an entry gives it to its text inside).
bool focusWithin(Gtk::Widget& widget);

// A dialog of the window's that has come up (alert or file chooser), or fails the test.
GtkWindow* waitForDialog(Gtk::Window& parent);

} // namespace orvane::test
