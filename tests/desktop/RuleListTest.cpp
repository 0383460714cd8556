// The rule list, driven as a user drives it: search and filter, row heights, switches that end in
// "tmp.json", the editors it opens, deleting rules, and the list following saves and switches
// made elsewhere.

#include "ListHarness.h"
#include "XInput.h"

#include "platform/NotificationCenter.h"
#include "prefs/BlockerPreferenceManager.h"
#include "support/Fixtures.h"
#include "support/Orvanectl.h"

#include <gdkmm/frameclock.h>
#include <gtkmm/label.h>

#include <X11/keysym.h>

using namespace orvane;
using namespace orvane::test;
using namespace std::chrono_literals;

namespace {

Rule withDomains(Rule rule, std::vector<std::string> domains) {
    rule.blocker.trigger.domainFilter = DomainFilter{DomainFilterType::IfDomain, std::move(domains)};
    return rule;
}

Rule hideRule(const std::string& id, const std::string& selector) {
    Rule rule = blockRule(id, ".*", "Hide " + selector);
    rule.blocker.action = Action{ActionType::Hide, selector};
    return rule;
}

Rule cookieRule(const std::string& id) {
    Rule rule = blockRule(id, ".*", "No cookies");
    rule.blocker.action = Action{ActionType::BlockCookies, std::nullopt};
    return rule;
}

// A label in the descriptions' 12-point font, to measure what a description should take.
void setTwelvePoints(Gtk::Label& label) {
    auto attributes = Pango::AttrList();
    auto size = Pango::Attribute::create_attr_size(12 * PANGO_SCALE);
    attributes.insert(size);
    label.set_attributes(attributes);
}

class RuleListTest : public DesktopTest {
protected:
    RuleListTest() {
        markLaunchedBefore();
        writeSharedPackages(
            "ConfigurablePackages.json",
            {makePackage("whitelist", "Whitelist"),
             makePackage("block-url", "Block URLs",
                         {blockRule("r-name", "pixel", "Tracker Pixels"),
                          withDomains(blockRule("r-domain", "img", "Block images"), {"mytracker.example"}),
                          blockRule("r-url", "tracker\\.js", "Scripts"), blockRule("r-other", "other", "Other")}),
             makePackage("block-cookies", "Block Cookies", {cookieRule("k-1")}),
             makePackage("hide-elements", "Hide Page Elements"), makePackage("make-https", "Make HTTPS-only")});
        writeSharedPackages("CustomPackages.json",
                            {makePackage("custom", "Custom", {hideRule("c-hide", "div.ad"), blockRule("c-block", "banner")})});
    }
};

// What the sync manager does when the switches kept in the cloud change: the store takes the
// other machine's values, then "RemotePreferenceSync" is posted.
void switchOffElsewhere(const std::string& packageId, const std::string& ruleId) {
    auto elsewhere = BlockerPreferenceManager::create();
    const auto package = findPackage(packageId);
    ASSERT_TRUE(package);
    const auto rule = std::find_if(package->rules.begin(), package->rules.end(),
                                   [&](const Rule& each) { return each.id == ruleId; });
    ASSERT_NE(rule, package->rules.end());
    elsewhere->setRulesDisabled({*rule}, *package, true);
    ASSERT_TRUE(pumpUntil([&] { return elsewhere->serialWriteQueue().isIdle(); }));
    NotificationCenter::shared().post("RemotePreferenceSync");
}

// What a row should be: its description wrapped at the row's width less 30 pixels in the
// 12-point font, measured with a wrapping label, plus 45.
int expectedHeight(desktop::RuleCell& cell) {
    Gtk::Label reference(cell.description());
    reference.set_wrap(true);
    reference.set_wrap_mode(Pango::WrapMode::WORD_CHAR);
    setTwelvePoints(reference);
    int minimum = 0;
    int natural = 0;
    int ignored = 0;
    reference.measure(Gtk::Orientation::VERTICAL, cell.get_width() - 30, minimum, natural, ignored, ignored);
    return natural + 45;
}

// Clicks a row on its name, which the row draws itself.
void clickName(desktop::RuleCell& cell, Pointer pointer = {}) {
    xClickAt(cell, desktop::RuleCell::kSideMargin + 10, desktop::RuleCell::kTitleTop + 5, pointer);
}

bool focusIsIn(Gtk::Window& window, Gtk::Widget& widget) {
    auto* focus = window.get_focus();
    return focus != nullptr && (focus == &widget || focus->is_ancestor(widget));
}

} // namespace

TEST_F(RuleListTest, SearchAndFilterFindWhatTheUserAsksFor) {
    RunningApp running;
    auto& rules = openRuleList(running, "block-url");
    EXPECT_EQ(listedRuleIds(rules), (std::vector<std::string>{"r-name", "r-domain", "r-url", "r-other"}));
    gchar* placeholder = nullptr;
    g_object_get(rules.searchEntry().gobj(), "placeholder-text", &placeholder, nullptr);
    EXPECT_STREQ(placeholder, "Search");
    g_free(placeholder);

    // Ctrl+F goes to the search field.
    running.window().set_focus(rules.tableView());
    xKey(running.window(), XK_f, true);
    EXPECT_TRUE(focusIsIn(running.window(), rules.searchEntry()));

    // A lower-case word finds a capitalised name and a domain, never a url filter.
    rules.searchEntry().set_text("tracker");
    settle();
    EXPECT_EQ(listedRuleIds(rules), (std::vector<std::string>{"r-name", "r-domain"}));
    // The rows on screen show what is listed, with the listed rules' own texts.
    rules.searchEntry().set_text("other");
    settle();
    ASSERT_NE(rules.cellFor("r-other"), nullptr);
    EXPECT_EQ(rules.cellFor("r-other")->title(), "Other");
    EXPECT_EQ(rules.cellFor("r-other")->description(), descriptionText(findPackage("block-url")->rules[3]));
    EXPECT_EQ(rules.cellFor("r-name"), nullptr);
    EXPECT_EQ(rules.cellFor("r-domain"), nullptr);
    rules.searchEntry().set_text("TRACKERS");
    settle();
    EXPECT_TRUE(listedRuleIds(rules).empty());
    EXPECT_TRUE(rules.showsNoRulesCell());
    rules.searchEntry().set_text("");
    settle();
    EXPECT_EQ(rules.rowCount(), 4u);
    ASSERT_NE(rules.cellFor("r-other"), nullptr);
    EXPECT_EQ(rules.cellFor("r-other")->title(), "Other");

    // Nothing is disabled: "disabled only" shows the single 20-pixel row.
    click(rules.filterSegment(EnabledFilter::DisabledOnly));
    settle();
    EXPECT_EQ(rules.lastFilter(), EnabledFilter::DisabledOnly);
    EXPECT_TRUE(rules.showsNoRulesCell());
    EXPECT_FALSE(rules.scrollView().get_visible());
    EXPECT_EQ(rules.noRulesCell().get_height(), 20);
    // The segment already chosen does nothing.
    click(rules.filterSegment(EnabledFilter::DisabledOnly));
    settle();
    EXPECT_TRUE(rules.filterSegment(EnabledFilter::DisabledOnly).get_active());
    EXPECT_TRUE(rules.showsNoRulesCell());
    click(rules.filterSegment(EnabledFilter::EnabledOnly));
    settle();
    EXPECT_EQ(rules.rowCount(), 4u);
    click(rules.filterSegment(EnabledFilter::ShowAll));
    settle();

    // A row is its description wrapped at the row's width less 30 pixels in the 12-point font,
    // plus 45: measured here with a wrapping label of that font.
    running.window().set_default_size(760, 600);
    settle();
    auto* cell = rules.cellFor("r-domain");
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->description(), descriptionText(findPackage("block-url")->rules[1]));
    EXPECT_EQ(cell->get_height(), expectedHeight(*cell));
    // The description has two lines (its domain line), so the row is taller than a one-line row.
    EXPECT_GT(cell->get_height(), rules.cellFor("r-other")->get_height());
}

TEST_F(RuleListTest, RowsOnScreenFitTheirRulesWhereverTheListGoes) {
    // Rules of one line, of two (a domain line) and of several (many domains), twice as many as
    // GTK keeps rows for.
    std::vector<Rule> rules;
    for (int i = 0; i < 400; ++i) {
        Rule rule = blockRule("m-" + std::to_string(i), "ads", "Rule " + std::to_string(i));
        if (i % 7 == 0) {
            std::vector<std::string> domains;
            for (int d = 0; d < 12; ++d) {
                domains.push_back("shop-" + std::to_string(d) + ".example");
            }
            rule = withDomains(rule, domains);
        } else if (i % 3 == 0) {
            rule = withDomains(rule, {"shop.example"});
        }
        rules.push_back(rule);
    }
    writeSharedPackages("CustomPackages.json", {makePackage("many", "Many", rules)});
    RunningApp running;
    running.settleCore();
    running.window().set_default_size(760, 600);
    auto& list = openRuleList(running, "many");
    settle();
    auto adjustment = list.scrollView().get_vadjustment();
    // What the window draws next: rows are measured as they come on screen, never after.
    auto nextFrame = [&] {
        bool painted = false;
        auto paint = running.window().get_frame_clock()->signal_paint().connect([&] { painted = true; }, true);
        EXPECT_TRUE(pumpUntil([&] { return painted; }));
        paint.disconnect();
    };
    auto rowsOnScreenFit = [&](const std::string& where) {
        int shown = 0;
        for (const auto& id : listedRuleIds(list)) {
            if (auto* cell = list.cellFor(id)) {
                EXPECT_EQ(cell->get_height(), expectedHeight(*cell)) << id << ", " << where;
                ++shown;
            }
        }
        EXPECT_GT(shown, 3) << where;
    };
    rowsOnScreenFit("opened");

    // The rows off screen take other rules as a search narrows the list; each row on screen,
    // scrolling down, fits its own.
    list.searchEntry().set_text("1");
    settle();
    // "Rule 1…" by name, and every rule of many domains by "shop-1.example".
    const auto found = std::count_if(rules.begin(), rules.end(), [](const Rule& rule) {
        return rule.name.find('1') != std::string::npos ||
               (rule.blocker.trigger.domainFilter && rule.blocker.trigger.domainFilter->values.size() > 1);
    });
    ASSERT_EQ(listedRuleIds(list).size(), std::size_t(found));
    for (int step = 0; step < 6; ++step) {
        rowsOnScreenFit("search, step " + std::to_string(step));
        adjustment->set_value(adjustment->get_value() + 150);
        settle();
    }
    list.searchEntry().set_text("");
    settle();

    // A jump far down shows fitting rows in its first frame, and so do the rows coming on screen
    // from above.
    list.tableView().activate_action("list.scroll-to-item", Glib::Variant<guint>::create(300));
    nextFrame();
    EXPECT_NE(list.cellFor("m-300"), nullptr);
    rowsOnScreenFit("after the jump");
    for (int step = 0; step < 5; ++step) {
        adjustment->set_value(adjustment->get_value() - 500);
        nextFrame();
        rowsOnScreenFit("up, step " + std::to_string(step));
    }

    // Scrolling down in fixed steps from the top moves the list by each step: no row's height
    // changes under the view as it comes.
    adjustment->set_value(0);
    settle();
    for (int step = 0; step < 20; ++step) {
        const double asked = adjustment->get_value() + 400;
        adjustment->set_value(asked);
        nextFrame();
        EXPECT_NEAR(adjustment->get_value(), asked, 0.5) << "step " << step;
        rowsOnScreenFit("down, step " + std::to_string(step));
    }

    // A wider window wraps the descriptions anew.
    const int narrow = list.tableView().get_width();
    running.window().set_default_size(1000, 600);
    ASSERT_TRUE(pumpUntil([&] { return list.tableView().get_width() > narrow; }));
    settle();
    rowsOnScreenFit("wider");
}

TEST_F(RuleListTest, ALongDescriptionShowsItsFirstLinesAndTellsAScreenReaderAll) {
    std::string selectors = "#ad-slot-0";
    for (int i = 1; i < 400; ++i) {
        selectors += ", #ad-slot-" + std::to_string(i);
    }
    writeSharedPackages("CustomPackages.json",
                        {makePackage("custom", "Custom", {hideRule("c-long", selectors), hideRule("c-hide", "div.ad")})});
    RunningApp running;
    running.settleCore();
    auto& rules = openRuleList(running, "custom");
    auto* cell = rules.cellFor("c-long");
    ASSERT_NE(cell, nullptr);
    // The row names the rule and gives the whole description to a screen reader.
    auto* accessible = GTK_ACCESSIBLE(cell->gobj());
    char* wrong = gtk_test_accessible_check_property(accessible, GTK_ACCESSIBLE_PROPERTY_LABEL, ("Hide " + selectors).c_str());
    EXPECT_EQ(wrong, nullptr);
    g_free(wrong);
    wrong = gtk_test_accessible_check_property(accessible, GTK_ACCESSIBLE_PROPERTY_DESCRIPTION, cell->description().c_str());
    EXPECT_EQ(wrong, nullptr);
    g_free(wrong);
    EXPECT_NE(cell->description().find("#ad-slot-399"), std::string::npos);

    Gtk::Label line("Hide");
    setTwelvePoints(line);
    int minimum = 0;
    int lineHeight = 0;
    int ignored = 0;
    line.measure(Gtk::Orientation::VERTICAL, -1, minimum, lineHeight, ignored, ignored);
    const int shown = cell->descriptionHeight();
    EXPECT_GT(shown, 5 * lineHeight);
    EXPECT_LE(shown, 6 * lineHeight);
    EXPECT_EQ(cell->get_height(), shown + 45);
}

TEST_F(RuleListTest, PreinstalledRulesSwitchButDoNotEdit) {
    RunningApp running;
    running.settleCore();
    auto& rules = openRuleList(running, "block-ads");
    EXPECT_TRUE(rules.isPreinstalledPackage());
    EXPECT_FALSE(rules.newRuleButton().get_visible());
    auto* cell = rules.cellFor("ads-1");
    ASSERT_NE(cell, nullptr);
    EXPECT_FALSE(cell->hasMenu());
    EXPECT_EQ(cell->title(), "Block ads");
    // Neither a double click nor the menu edits it.
    clickName(*cell, {.clicks = 2});
    clickName(*cell, {.button = 3});
    EXPECT_FALSE(cell->menuPopover().get_visible());
    EXPECT_EQ(ruleList(running), &rules);

    // The switch: the list keeps its rows, the switch is kept, and "tmp.json" follows.
    int changes = 0;
    rules.rules()->signal_items_changed().connect([&changes](guint, guint, guint) { ++changes; });
    ASSERT_NE(readText(home_.shared() / "tmp.json").find("\"ads\""), std::string::npos);
    xClick(cell->preferenceSwitch());
    // The switch slides over before it is off.
    ASSERT_TRUE(pumpUntil([&] { return !cell->preferenceSwitch().get_active(); }));
    running.settleCore();
    ASSERT_TRUE(pumpUntil([&] { return readText(home_.shared() / "tmp.json").find("\"ads\"") == std::string::npos; }))
        << readText(home_.shared() / "tmp.json");
    EXPECT_NE(runOrvanectl({"rules", "block-ads", "--filter", "disabled"}).out.find("ads-1"), std::string::npos);
    cell->preferenceSwitch().set_active(true);
    running.settleCore();
    ASSERT_TRUE(pumpUntil([&] { return readText(home_.shared() / "tmp.json").find("\"ads\"") != std::string::npos; }));
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(rules.cellFor("ads-1"), cell);
}

TEST_F(RuleListTest, RulesOfTheUsersPackagesOpenTheirEditorsAndDelete) {
    RunningApp running;
    auto& custom = openRuleList(running, "custom");
    ASSERT_TRUE(custom.newRuleButton().get_visible());

    // A new rule in a custom package: the kind chooser; Cancel goes back to the list.
    click(custom.newRuleButton());
    auto* editor = editorPage(running);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->request().editorID, "CustomBlockerCreator");
    EXPECT_EQ(editor->request().ruleId, std::nullopt);
    ASSERT_TRUE(editor->cancelButton().get_visible());
    click(editor->cancelButton());
    ASSERT_NE(ruleList(running), nullptr);

    // An existing rule opens the editor of its action's kind, from the menu and by double click.
    auto* hide = ruleList(running)->cellFor("c-hide");
    ASSERT_NE(hide, nullptr);
    EXPECT_EQ(menuLabels(hide->menuModel()), (std::vector<std::string>{"Edit Rule", "Delete Rule"}));
    clickName(*hide, {.button = 3});
    EXPECT_TRUE(pumpUntil([&] { return hide->menuPopover().get_visible(); }));
    closeMenu(running, hide->menuPopover());
    clickName(*hide, {.control = true});
    EXPECT_TRUE(pumpUntil([&] { return hide->menuPopover().get_visible(); }));
    EXPECT_EQ(editorPage(running), nullptr);
    closeMenu(running, hide->menuPopover());
    hide->activate_action("rule.edit");
    settle();
    ASSERT_NE(editorPage(running), nullptr);
    EXPECT_EQ(editorPage(running)->request().editorID, "CSSBlockerCreator");
    EXPECT_EQ(editorPage(running)->request().ruleId, "c-hide");
    click(editorPage(running)->cancelButton());
    ASSERT_NE(ruleList(running), nullptr);
    auto* block = ruleList(running)->cellFor("c-block");
    ASSERT_NE(block, nullptr);
    clickName(*block, {.clicks = 2});
    ASSERT_TRUE(pumpUntil([&] { return editorPage(running) != nullptr; }));
    EXPECT_EQ(editorPage(running)->request().editorID, "URLBlockerCreator");
    click(editorPage(running)->cancelButton());

    // A configurable package always opens its own kind.
    auto& cookies = openRuleList(running, "block-cookies");
    click(cookies.newRuleButton());
    ASSERT_NE(editorPage(running), nullptr);
    EXPECT_EQ(editorPage(running)->request().editorID, "CookiesCreator");
    click(editorPage(running)->cancelButton());
    ruleList(running)->cellFor("k-1")->activate_action("rule.edit");
    settle();
    ASSERT_NE(editorPage(running), nullptr);
    EXPECT_EQ(editorPage(running)->request().editorID, "CookiesCreator");

    // Deleting asks nothing; the package's count follows; the last rule gone opens a new one.
    auto& list = openRuleList(running, "custom");
    list.cellFor("c-block")->activate_action("rule.delete");
    settle();
    EXPECT_EQ(listedRuleIds(*ruleList(running)), std::vector<std::string>{"c-hide"});
    EXPECT_EQ(readText(home_.shared() / "CustomPackages.json").find("c-block"), std::string::npos);
    EXPECT_TRUE(pumpUntil([&] { return packageList(running).cellFor("custom")->countLabel().get_text() == "1 rule"; }));
    ruleList(running)->cellFor("c-hide")->activate_action("rule.delete");
    settle();
    ASSERT_NE(editorPage(running), nullptr);
    EXPECT_EQ(editorPage(running)->request().editorID, "CustomBlockerCreator");
    EXPECT_FALSE(editorPage(running)->cancelButton().get_visible());
    EXPECT_TRUE(pumpUntil([&] { return packageList(running).cellFor("custom")->countLabel().get_text() == "0 rules"; }));
}

TEST_F(RuleListTest, RefreshesKeepTheFilterAndSearch) {
    RunningApp running;
    auto& rules = openRuleList(running, "block-url");
    rules.searchEntry().set_text("tracker");
    settle();
    ASSERT_EQ(listedRuleIds(rules).size(), 2u);

    // A rule saved as an editor saves it: "DidSavePackages" brings it in, the search stays.
    EditorInput input;
    input.name = "Tracker Frames";
    input.urlFilter = "frame";
    ASSERT_TRUE(splitView(running).services().rules().saveRule("block-url", ConfigurablePackageType::BlockURL, input,
                                                               std::nullopt));
    ASSERT_TRUE(pumpUntil([&] { return listedRuleIds(rules).size() == 3u; }));
    EXPECT_EQ(rules.searchEntry().get_text(), "tracker");
    EXPECT_EQ(ruleList(running), &rules);

    // A switch changed on another machine ("RemotePreferenceSync"): the row follows, and the
    // disabled filter finds it.
    rules.searchEntry().set_text("");
    switchOffElsewhere("block-url", "r-other");
    ASSERT_TRUE(pumpUntil([&] { return !rules.cellFor("r-other")->preferenceSwitch().get_active(); }));
    click(rules.filterSegment(EnabledFilter::DisabledOnly));
    settle();
    EXPECT_EQ(listedRuleIds(rules), std::vector<std::string>{"r-other"});
    // The first row, which showed an enabled rule, now shows this one as it is.
    ASSERT_NE(rules.cellFor("r-other"), nullptr);
    EXPECT_FALSE(rules.cellFor("r-other")->preferenceSwitch().get_active());
    NotificationCenter::shared().post("RemotePreferenceSync");
    settle();
    EXPECT_EQ(rules.lastFilter(), EnabledFilter::DisabledOnly);
    EXPECT_EQ(listedRuleIds(rules), std::vector<std::string>{"r-other"});
}

TEST_F(RuleListTest, ARuleAddedByAnotherProcessAppearsInTheOpenList) {
    RunningApp running;
    auto& rules = openRuleList(running, "block-url");
    const auto added = runOrvanectl({"add", "block-url", "--url-filter", "from-another-process", "--name", "From CLI"});
    ASSERT_EQ(added.exitCode, 0) << added.err;
    EXPECT_TRUE(pumpUntil([&] { return listedRuleIds(rules).size() == 5u; }, 30s));
    EXPECT_EQ(ruleList(running), &rules);
    EXPECT_EQ(packageList(running).cellFor("block-url")->countLabel().get_text(), "5 rules");
}
