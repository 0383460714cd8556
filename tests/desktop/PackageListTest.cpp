// The package list, driven as a user drives it: sections, counts, icons and switches; adding,
// renaming, exporting and deleting packages; and the list following the catalog's notifications.

#include "ListHarness.h"
#include "XInput.h"

#include "model/JsonEncoding.h"
#include "platform/NotificationCenter.h"
#include "prefs/BlockerPreferenceManager.h"
#include "support/Fixtures.h"
#include "support/Orvanectl.h"
#include "support/ReadOnlyFolder.h"

#include <gtkmm/popovermenu.h>

#include <X11/keysym.h>

using namespace orvane;
using namespace orvane::test;
using namespace std::chrono_literals;
using Kind = desktop::PackageRowData::Kind;

namespace {

class PackageListTest : public DesktopTest {
protected:
    PackageListTest() { markLaunchedBefore(); }

    // Custom packages on disk before the application starts.
    void customPackages(const std::vector<Package>& packages) { writeSharedPackages("CustomPackages.json", packages); }
};

std::vector<std::string> rowNames(desktop::AdvancedVC& list) {
    std::vector<std::string> names;
    for (guint row = 0; row < list.rowCount(); ++row) {
        const auto& data = list.row(row);
        switch (data.kind) {
        case Kind::Header: names.push_back("# " + std::string(sectionTitle(data.section))); break;
        case Kind::Package: names.push_back(data.summary.id); break;
        case Kind::AddNew: names.push_back("+"); break;
        }
    }
    return names;
}

// What the labels and buttons under a widget of GTK's own show, read through GTK alone.
std::vector<std::string> textsUnder(GtkWidget* root) {
    std::vector<std::string> texts;
    for (GtkWidget* child = gtk_widget_get_first_child(root); child != nullptr;
         child = gtk_widget_get_next_sibling(child)) {
        if (GTK_IS_LABEL(child)) {
            texts.emplace_back(gtk_label_get_text(GTK_LABEL(child)));
        } else if (GTK_IS_BUTTON(child) && gtk_button_get_label(GTK_BUTTON(child)) != nullptr) {
            texts.emplace_back(gtk_button_get_label(GTK_BUTTON(child)));
        }
        auto below = textsUnder(child);
        texts.insert(texts.end(), below.begin(), below.end());
    }
    return texts;
}

int rowHeight(desktop::AdvancedVC& list, Gtk::Widget& cell) {
    (void)list;
    // The list's row is the cell's parent's parent (row > host > cell).
    return cell.get_parent()->get_parent()->get_height();
}

} // namespace

TEST_F(PackageListTest, TheListShowsSectionsCountsIconsAndSwitches) {
    RunningApp running;
    auto& list = packageList(running);
    settle();
    // No custom package: the add row sits right under "Custom". The whitelist leads its section.
    EXPECT_EQ(rowNames(list), (std::vector<std::string>{"# Preinstalled", "block-ads", "# Configurable", "whitelist",
                                                        "block-url", "block-cookies", "hide-elements", "make-https",
                                                        "# Custom", "+"}));
    // The window opens on the first preinstalled package.
    EXPECT_EQ(list.lastSelectedRow(), 1u);
    ASSERT_NE(ruleList(running), nullptr);
    EXPECT_EQ(ruleList(running)->packageId(), "block-ads");

    // A click on a header selects nothing and changes nothing.
    auto* header = list.headerCellAt(2);
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->headerLabel().get_text(), "Configurable");
    xClick(header->widget());
    EXPECT_EQ(list.lastSelectedRow(), 1u);
    EXPECT_EQ(ruleList(running)->packageId(), "block-ads");
    // A click on a package selects it.
    auto* cookies = list.cellFor("block-cookies");
    ASSERT_NE(cookies, nullptr);
    xClick(cookies->countLabel());
    EXPECT_EQ(list.selectedPackageId(), "block-cookies");

    // Rows of 40 pixels, the add row 100.
    EXPECT_EQ(rowHeight(list, header->widget()), desktop::AdvancedVC::kRowHeight);
    EXPECT_EQ(rowHeight(list, cookies->widget()), desktop::AdvancedVC::kRowHeight);

    // Counts, icons, switches named after their package.
    auto* ads = list.cellFor("block-ads");
    ASSERT_NE(ads, nullptr);
    EXPECT_EQ(ads->countLabel().get_text(), "1 rule");
    EXPECT_EQ(cookies->countLabel().get_text(), "0 rules");
    EXPECT_TRUE(ads->icon().get_visible());
    EXPECT_EQ(ads->icon().get_pixel_size(), 20);
    EXPECT_TRUE(ads->preferenceSwitch().get_active());
    EXPECT_EQ(ads->packageLabel().get_text(), "Block Ads");
    EXPECT_FALSE(ads->packageLabel().get_editable());
    EXPECT_FALSE(ads->hasMenu());

    // Switching a package off is kept and rebuilds the content blocker without it.
    ads->preferenceSwitch().set_active(false);
    running.settleCore();
    ASSERT_TRUE(pumpUntil([&] { return readText(home_.shared() / "tmp.json").find("\"ads\"") == std::string::npos; }));
    const std::string packages = runOrvanectl({"packages"}).out;
    const auto line = packages.find("block-ads");
    ASSERT_NE(line, std::string::npos) << packages;
    EXPECT_EQ(packages.substr(line, packages.find('\n', line) - line).ends_with("\tdisabled"), true) << packages;
    EXPECT_FALSE(list.cellFor("block-ads")->preferenceSwitch().get_active());
}

TEST_F(PackageListTest, CountsFollowTheRulesAndTheirSwitches) {
    customPackages({makePackage("one", "One Rule", {blockRule("one-1")}),
                    makePackage("three", "Three Rules", {blockRule("three-1"), blockRule("three-2"), blockRule("three-3")})});
    ASSERT_EQ(runOrvanectl({"disable", "one", "one-1"}).exitCode, 0);
    ASSERT_EQ(runOrvanectl({"disable", "three", "three-1", "three-3"}).exitCode, 0);
    RunningApp running;
    auto& list = packageList(running);
    settle();
    ASSERT_NE(list.cellFor("one"), nullptr);
    EXPECT_EQ(list.cellFor("one")->countLabel().get_text(), "1 rule, 1 disabled");
    EXPECT_EQ(list.cellFor("three")->countLabel().get_text(), "3 rules, 2 disabled");
    // No custom package has an icon of its own: it takes no room.
    EXPECT_FALSE(list.cellFor("three")->icon().get_visible());

    // A rule switched on in the rule list: the selected row's count follows.
    auto& rules = openRuleList(running, "three");
    auto* cell = rules.cellFor("three-1");
    ASSERT_NE(cell, nullptr);
    cell->preferenceSwitch().set_active(true);
    running.settleCore();
    EXPECT_TRUE(pumpUntil([&] { return list.cellFor("three")->countLabel().get_text() == "3 rules, 1 disabled"; }));
}

TEST_F(PackageListTest, AddingAPackageKeepsItPendingUntilItIsNamed) {
    auto clock = std::make_shared<ManualClock>();
    RunningApp running(clock);
    auto& list = packageList(running);
    settle();
    const guint addRow = list.rowCount() - 1;
    ASSERT_TRUE(list.isAddNewPackageButton(addRow));
    // The add row's height, then a click on it.
    Gtk::Widget* addRowWidget = nullptr;
    for (Gtk::Widget* row = list.tableView().get_first_child(); row != nullptr; row = row->get_next_sibling()) {
        if (row->get_first_child() != nullptr && row->get_first_child()->get_first_child() != nullptr &&
            row->get_first_child()->get_first_child()->has_css_class("add-new-package")) {
            addRowWidget = row;
        }
    }
    ASSERT_NE(addRowWidget, nullptr);
    EXPECT_EQ(addRowWidget->get_height(), desktop::AdvancedVC::kAddRowHeight);
    xClick(*addRowWidget);

    // A "New Package" row just above the add row, selected, with the kind chooser beside it.
    ASSERT_EQ(list.rowCount(), addRow + 2);
    const auto& added = list.row(addRow);
    EXPECT_EQ(added.kind, Kind::Package);
    EXPECT_EQ(added.summary.name, "New Package");
    EXPECT_EQ(list.lastSelectedRow(), addRow);
    EXPECT_EQ(list.pendingCustomPackages(), std::vector<std::string>{added.summary.id});
    auto* editor = editorPage(running);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->request().editorID, "CustomBlockerCreator");
    EXPECT_EQ(editor->request().packageId, added.summary.id);
    // An empty package has no rule list to go back to.
    EXPECT_FALSE(editor->cancelButton().get_visible());

    // Its name takes the keyboard half a second later.
    const std::string id = added.summary.id;
    auto* cell = list.cellFor(id);
    ASSERT_NE(cell, nullptr);
    EXPECT_TRUE(cell->packageLabel().get_editable());
    clock->advance(400ms);
    settle();
    EXPECT_FALSE(focusWithin(cell->packageLabel()));
    clock->advance(100ms);
    ASSERT_TRUE(pumpUntil([&] { return focusWithin(cell->packageLabel()); }));

    // Confirming "New Package" changes nothing: still pending, still editable when shown again,
    // and not yet on disk.
    g_signal_emit_by_name(cell->packageLabel().gobj(), "activate");
    settle();
    list.reloadList();
    settle();
    EXPECT_EQ(list.pendingCustomPackages(), std::vector<std::string>{id});
    ASSERT_NE(list.cellFor(id), nullptr);
    EXPECT_TRUE(list.cellFor(id)->packageLabel().get_editable());
    EXPECT_EQ(readText(home_.shared() / "CustomPackages.json").find(id), std::string::npos);

    // A name of its own: saved, pending no more, read-only.
    cell = list.cellFor(id);
    cell->packageLabel().grab_focus();
    cell->packageLabel().set_text("Work Sites");
    g_signal_emit_by_name(cell->packageLabel().gobj(), "activate");
    ASSERT_TRUE(pumpUntil([&] { return list.row(rowOf(list, id)).summary.name == "Work Sites"; }));
    EXPECT_TRUE(list.pendingCustomPackages().empty());
    EXPECT_NE(readText(home_.shared() / "CustomPackages.json").find("Work Sites"), std::string::npos);
    EXPECT_FALSE(list.cellFor(id)->packageLabel().get_editable());
}

TEST_F(PackageListTest, ALongNameEndsInAnEllipsisAndTheRowKeepsItsWidth) {
    const std::string longName = "Sites of the whole family, the neighbours and everyone else we ever visited";
    customPackages({makePackage("long", longName), makePackage("short", "Short")});
    RunningApp running;
    auto& list = packageList(running);
    settle();
    auto* cell = list.cellFor("long");
    auto* other = list.cellFor("short");
    ASSERT_NE(cell, nullptr);
    ASSERT_NE(other, nullptr);
    const int paneWidth = list.widget().get_width();
    const int rowWidth = other->widget().get_width();

    // The whole name is the label's, cut where the row ends.
    EXPECT_EQ(cell->nameLabel().get_text().raw(), longName);
    EXPECT_TRUE(cell->nameLabel().get_visible());
    EXPECT_FALSE(cell->packageLabel().get_visible());
    EXPECT_TRUE(pango_layout_is_ellipsized(cell->nameLabel().get_layout()->gobj()));
    EXPECT_FALSE(pango_layout_is_ellipsized(other->nameLabel().get_layout()->gobj()));
    EXPECT_EQ(cell->widget().get_width(), rowWidth);
    EXPECT_EQ(list.widget().get_width(), paneWidth);

    // Renaming swaps the label for the field in the same place, and back.
    cell->packageLabel().activate_action("package.rename");
    settle();
    EXPECT_TRUE(cell->packageLabel().get_visible());
    EXPECT_FALSE(cell->nameLabel().get_visible());
    EXPECT_TRUE(focusWithin(cell->packageLabel()));
    EXPECT_EQ(cell->widget().get_width(), rowWidth);
    cell->packageLabel().set_text(longName + ", and more");
    g_signal_emit_by_name(cell->packageLabel().gobj(), "activate");
    ASSERT_TRUE(pumpUntil([&] { return list.row(rowOf(list, "long")).summary.name == longName + ", and more"; }));
    settle();
    cell = list.cellFor("long");
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->nameLabel().get_text().raw(), longName + ", and more");
    EXPECT_TRUE(cell->nameLabel().get_visible());
    EXPECT_FALSE(cell->packageLabel().get_visible());
    EXPECT_EQ(cell->widget().get_width(), rowWidth);
    EXPECT_EQ(list.widget().get_width(), paneWidth);
}

TEST_F(PackageListTest, TheContextMenuExportsRenamesAndDeletes) {
    customPackages({makePackage("mine", "Mine", {blockRule("mine-1"), blockRule("mine-2")}),
                    makePackage("empty", "Empty")});
    RunningApp running;
    auto& list = packageList(running);
    settle();

    // Menus: none for preinstalled packages, export for configurable ones, everything for custom ones.
    EXPECT_FALSE(list.cellFor("block-ads")->hasMenu());
    EXPECT_EQ(menuLabels(list.cellFor("block-url")->menuModel()), std::vector<std::string>{"Export to File"});
    auto* mine = list.cellFor("mine");
    ASSERT_NE(mine, nullptr);
    EXPECT_EQ(menuSectionTitles(mine->menuModel()), std::vector<std::string>{"Edit Package"});
    EXPECT_EQ(menuLabels(mine->menuModel()),
              (std::vector<std::string>{"Export to File", "Delete \"Mine\"", "Rename Package"}));
    // The Menu key on the focused row, a right click and a Control-click open it; Escape closes it.
    xClick(mine->countLabel());
    EXPECT_EQ(list.selectedPackageId(), "mine");
    xKey(running.window(), XK_Menu);
    EXPECT_TRUE(pumpUntil([&] { return mine->menuPopover().get_visible(); }));
    closeMenu(running, mine->menuPopover());
    xClick(mine->countLabel(), {.button = 3});
    EXPECT_TRUE(pumpUntil([&] { return mine->menuPopover().get_visible(); }));
    closeMenu(running, mine->menuPopover());
    xClick(mine->countLabel(), {.button = 1, .control = true});
    EXPECT_TRUE(pumpUntil([&] { return mine->menuPopover().get_visible(); }));
    closeMenu(running, mine->menuPopover());

    // Rename from the menu, and by double click.
    mine->packageLabel().activate_action("package.rename");
    settle();
    EXPECT_TRUE(focusWithin(mine->packageLabel()));
    mine->packageLabel().set_text("Mine, renamed");
    g_signal_emit_by_name(mine->packageLabel().gobj(), "activate");
    ASSERT_TRUE(pumpUntil([&] { return list.row(rowOf(list, "mine")).summary.name == "Mine, renamed"; }));
    xClick(list.cellFor("mine")->countLabel(), {.clicks = 2});
    EXPECT_TRUE(pumpUntil([&] { return list.cellFor("mine")->isRenaming(); }));
    // An empty name changes nothing.
    list.cellFor("mine")->packageLabel().set_text("");
    g_signal_emit_by_name(list.cellFor("mine")->packageLabel().gobj(), "activate");
    settle();
    EXPECT_EQ(list.row(rowOf(list, "mine")).summary.name, "Mine, renamed");
    EXPECT_EQ(list.cellFor("mine")->packageLabel().get_text(), "Mine, renamed");

    // Export through the save panel, the package's name suggested.
    const auto exported = home_.home() / "Exports";
    std::filesystem::create_directories(exported);
    auto exportTo = [&](const std::filesystem::path& folder) {
        list.cellFor("mine")->packageLabel().activate_action("package.export");
        GtkWindow* dialog = waitForDialog(running.window());
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(GTK_IS_FILE_CHOOSER(dialog));
        char* suggested = gtk_file_chooser_get_current_name(GTK_FILE_CHOOSER(dialog));
        EXPECT_STREQ(suggested, "Mine, renamed.orvanepkg");
        g_free(suggested);
        // Typed as a user may type it: the whole path in the name field.
        gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(dialog), (folder / "mine.orvanepkg").c_str());
        gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
        settle();
    };
    exportTo(exported);
    ASSERT_TRUE(pumpUntil([&] { return std::filesystem::exists(exported / "mine.orvanepkg"); }));
    EXPECT_NE(readText(exported / "mine.orvanepkg").find("mine-2"), std::string::npos);
    // A failed write tells the user.
    const auto locked = home_.home() / "Locked";
    std::filesystem::create_directories(locked);
    {
        ReadOnlyFolder readOnly(locked);
        if (readOnly.holds()) {
            exportTo(locked);
            ASSERT_TRUE(pumpUntil([&] { return running.controller().messageContainer() != nullptr; }));
            EXPECT_EQ(running.controller().messageContainer()->labels().at(0)->get_text(),
                      "There was an error saving package file.");
            click(running.controller().messageContainer()->button());
            ASSERT_TRUE(pumpUntil([&] { return running.controller().messageContainer() == nullptr; }));
        }
    }

    // An empty package goes at once.
    list.cellFor("empty")->packageLabel().activate_action("package.delete");
    ASSERT_TRUE(pumpUntil([&] { return list.cellFor("empty") == nullptr; }));

    // Deleting asks first; Cancel changes nothing.
    auto deleteMine = [&](int response) {
        list.cellFor("mine")->packageLabel().activate_action("package.delete");
        GtkWindow* alert = waitForDialog(running.window());
        ASSERT_NE(alert, nullptr);
        const std::vector<std::string> shown = textsUnder(GTK_WIDGET(alert));
        for (const char* expected : {"Are you sure?",
                                     "You cannot undo this action.\nDeleting a package also removes all rules it contains.",
                                     "Yes, delete \"Mine, renamed\" & 2 rules", "Cancel"}) {
            EXPECT_NE(std::find(shown.begin(), shown.end(), expected), shown.end()) << expected;
        }
        gtk_dialog_response(GTK_DIALOG(alert), response);
        settle();
    };
    deleteMine(GTK_RESPONSE_CANCEL);
    EXPECT_NE(list.cellFor("mine"), nullptr);
    EXPECT_NE(readText(home_.shared() / "CustomPackages.json").find("mine-1"), std::string::npos);
    // Deleting the only custom package selects the last configurable package.
    list.selectRow(rowOf(list, "mine"));
    deleteMine(GTK_RESPONSE_ACCEPT);
    ASSERT_TRUE(pumpUntil([&] { return list.cellFor("mine") == nullptr; }));
    EXPECT_EQ(readText(home_.shared() / "CustomPackages.json").find("mine-1"), std::string::npos);
    EXPECT_EQ(list.selectedPackageId(), "make-https");
    EXPECT_EQ(list.row(list.rowCount() - 2).kind, Kind::Header);
}

TEST_F(PackageListTest, TheListFollowsImportsAndSwitchesFromElsewhere) {
    customPackages({makePackage("mine", "Mine", {blockRule("mine-1")})});
    RunningApp running;
    auto& list = packageList(running);
    settle();

    // An opened package file adds its package.
    const auto file = home_.home() / "Shared.orvanepkg";
    writeText(file, *toJSONString(std::vector<Package>{makePackage("shared", "Shared", {blockRule("shared-1")})}));
    running.delegate().openFile(file);
    ASSERT_TRUE(pumpUntil([&] { return list.cellFor("shared") != nullptr; }));
    EXPECT_EQ(list.cellFor("shared")->countLabel().get_text(), "1 rule");

    // A switch changed on another machine: the store takes it, then the sync manager tells.
    auto elsewhere = BlockerPreferenceManager::create();
    elsewhere->setPackagesDisabled({makePackage("mine", "Mine")}, true);
    ASSERT_TRUE(pumpUntil([&] { return elsewhere->serialWriteQueue().isIdle(); }));
    NotificationCenter::shared().post("RemotePreferenceSync");
    EXPECT_TRUE(pumpUntil([&] { return !list.cellFor("mine")->preferenceSwitch().get_active(); }));
}
