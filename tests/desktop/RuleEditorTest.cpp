// The rule editors, driven as a user drives them: which editor each package and rule opens, what
// an existing rule fills in, the domain table's editing, saves that store, saves that store
// nothing and saves that fail and keep the input.

#include "ListHarness.h"
#include "XInput.h"

#include "editors/CSSBlockerCreator.h"
#include "editors/CustomBlockerCreator.h"
#include "editors/DomainCreators.h"
#include "editors/URLBlockerCreator.h"
#include "platform/NotificationCenter.h"
#include "support/Fixtures.h"
#include "window/MessageView.h"

#include <X11/keysym.h>

#include <atomic>

using namespace orvane;
using namespace orvane::test;
using namespace std::chrono_literals;

namespace {

Rule hideRule(const std::string& id, const std::string& selector, std::vector<std::string> domains) {
    Rule rule = blockRule(id, ".*", "Hide " + selector);
    rule.blocker.action = Action{ActionType::Hide, selector};
    rule.blocker.trigger.domainFilter = DomainFilter{DomainFilterType::IfDomain, std::move(domains)};
    return rule;
}

class RuleEditorTest : public DesktopTest {
protected:
    RuleEditorTest() {
        markLaunchedBefore();
        writeSharedPackages("ConfigurablePackages.json",
                            {makePackage("whitelist", "Whitelist"), makePackage("block-url", "Block URLs"),
                             makePackage("block-cookies", "Block Cookies"),
                             makePackage("hide-elements", "Hide Page Elements",
                                         {hideRule("mixed", "div.ad", {"*a.example", "b.example"})}),
                             makePackage("make-https", "Make HTTPS-only")});
        writeSharedPackages("CustomPackages.json", {makePackage("custom", "Custom")});
    }

    // Counts the catalog's saves.
    std::atomic<int> saves_{0};
    ObserverRegistration savesSeen_{"DidSavePackages", [this](const Notification&) { ++saves_; }};
};

// The page a package row opens when it is selected.
template <typename Page> Page& selectPackage(RunningApp& running, const std::string& packageId) {
    auto& list = packageList(running);
    list.selectRow(rowOf(list, packageId));
    EXPECT_TRUE(pumpUntil([&] {
        auto* page = editorPage(running);
        return page != nullptr && page->request().packageId == packageId;
    }));
    settle();
    auto* page = dynamic_cast<Page*>(editorPage(running));
    EXPECT_NE(page, nullptr);
    return *page;
}

// The editor the rule list's "Edit Rule" opens.
template <typename Editor> Editor& editFromList(RunningApp& running, const std::string& ruleId) {
    auto* list = ruleList(running);
    EXPECT_NE(list, nullptr);
    auto* cell = list->cellFor(ruleId);
    EXPECT_NE(cell, nullptr);
    cell->activate_action("rule.edit");
    EXPECT_TRUE(pumpUntil([&] { return dynamic_cast<Editor*>(editorPage(running)) != nullptr; }));
    return *dynamic_cast<Editor*>(editorPage(running));
}

// The window's message after a failed save: its text, once the user has pressed its button.
std::string acknowledgeMessage(RunningApp& running, ManualClock* clock = nullptr) {
    EXPECT_TRUE(pumpUntil([&] { return running.controller().messageContainer() != nullptr; }));
    auto* message = running.controller().messageContainer();
    if (message == nullptr) {
        return {};
    }
    std::string text = message->labels().empty() ? std::string() : std::string(message->labels().front()->get_text());
    click(message->button());
    EXPECT_TRUE(pumpUntil([&] {
        if (clock != nullptr) {
            clock->advance(100ms);
        }
        return running.controller().messageContainer() == nullptr;
    }));
    return text;
}

std::optional<DomainFilter> storedFilter(const std::string& packageId, std::size_t rule = 0) {
    auto package = findPackage(packageId);
    if (!package || package->rules.size() <= rule) {
        return std::nullopt;
    }
    return package->rules[rule].blocker.trigger.domainFilter;
}

std::vector<std::string> rowTexts(desktop::DomainTable& table) {
    std::vector<std::string> texts;
    for (std::size_t row = 0; row < table.rowCount(); ++row) {
        texts.push_back(table.row(row).get_text());
    }
    return texts;
}

} // namespace

TEST_F(RuleEditorTest, ACookieRuleFromItsFirstSaveToItsDomainsEdited) {
    auto clock = std::make_shared<ManualClock>();
    RunningApp running(clock);

    // The empty cookie package opens its editor for a first rule: nothing filled in, no domain
    // table, and no Cancel, since there is no rule list to go back to.
    auto& fresh = selectPackage<desktop::CookiesCreator>(running, "block-cookies");
    EXPECT_EQ(fresh.nameField().get_text(), "");
    EXPECT_EQ(fresh.nameField().get_placeholder_text(), "Enter Rule Name (optional)");
    EXPECT_EQ(rowTexts(fresh.tableView()), std::vector<std::string>{""});
    EXPECT_FALSE(fresh.domainsTableStackView().get_visible());
    EXPECT_FALSE(fresh.cancelButton().get_visible());
    EXPECT_TRUE(fresh.loadTypeSegmentedControl().get_visible());

    // "If domain" shows the table. Enter in a filled row goes on to a new empty row; a filled
    // row left for another control takes the focus back to the empty row 100 ms later.
    fresh.domainFilterSelector().set_selected(1);
    EXPECT_TRUE(fresh.domainsTableStackView().get_visible());
    auto& table = fresh.tableView();
    table.row(0).grab_focus();
    table.row(0).set_text("a.example");
    g_signal_emit_by_name(table.row(0).gobj(), "activate");
    ASSERT_EQ(table.rowCount(), 2u);
    EXPECT_TRUE(focusWithin(table.row(1)));
    table.row(1).set_text("b.example");
    fresh.includeSubdomainsCheck().grab_focus();
    fresh.includeSubdomainsCheck().set_active(true);
    ASSERT_EQ(rowTexts(table), (std::vector<std::string>{"a.example", "b.example", ""}));
    EXPECT_FALSE(focusWithin(table.row(2)));
    clock->advance(100ms);
    EXPECT_TRUE(focusWithin(table.row(2)));
    // Leaving the empty row does not pull the focus back: Tab can leave the table.
    fresh.nameField().grab_focus();
    clock->advance(100ms);
    EXPECT_TRUE(focusWithin(fresh.nameField()));

    // The first rule saved: back to the package's rule list, which now holds it.
    click(fresh.saveButton());
    ASSERT_TRUE(pumpUntil([&] { return ruleList(running) != nullptr; }));
    running.settleCore();
    auto package = findPackage("block-cookies");
    ASSERT_EQ(package->rules.size(), 1u);
    const std::string ruleId = package->rules[0].id;
    EXPECT_EQ(package->rules[0].blocker.action.type, ActionType::BlockCookies);
    EXPECT_EQ(storedFilter("block-cookies"),
              (DomainFilter{DomainFilterType::IfDomain, {"*a.example", "*b.example"}}));
    EXPECT_EQ(listedRuleIds(*ruleList(running)), std::vector<std::string>{ruleId});
    EXPECT_TRUE(pumpUntil(
        [&] { return packageList(running).cellFor("block-cookies")->countLabel().get_text() == "1 rule"; }));

    // Edited: the domains without their "*", the box ticked, "If domain"; unchanged, it stores
    // nothing and goes back.
    auto& edited = editFromList<desktop::CookiesCreator>(running, ruleId);
    EXPECT_EQ(rowTexts(edited.tableView()), (std::vector<std::string>{"a.example", "b.example", ""}));
    EXPECT_TRUE(edited.includeSubdomainsCheck().get_active());
    EXPECT_EQ(edited.domainFilterSelector().get_selected(), 1u);
    EXPECT_TRUE(edited.domainsTableStackView().get_visible());
    EXPECT_TRUE(edited.cancelButton().get_visible());
    const int savesBefore = saves_;
    click(edited.saveButton());
    ASSERT_TRUE(pumpUntil([&] { return ruleList(running) != nullptr; }));
    running.settleCore();
    EXPECT_EQ(saves_, savesBefore);

    // The box unticked stores the domains alone.
    auto& unticked = editFromList<desktop::CookiesCreator>(running, ruleId);
    unticked.includeSubdomainsCheck().set_active(false);
    click(unticked.saveButton());
    ASSERT_TRUE(pumpUntil([&] { return ruleList(running) != nullptr; }));
    EXPECT_EQ(storedFilter("block-cookies"), (DomainFilter{DomainFilterType::IfDomain, {"a.example", "b.example"}}));

    // A cleared middle row goes when it is left; the empty last row, cleared and left, stays.
    auto& rows = editFromList<desktop::CookiesCreator>(running, ruleId);
    auto& domains = rows.tableView();
    domains.row(0).grab_focus();
    domains.row(0).set_text("");
    rows.nameField().grab_focus();
    EXPECT_EQ(rowTexts(domains), (std::vector<std::string>{"b.example", ""}));
    domains.row(1).grab_focus();
    rows.nameField().grab_focus();
    EXPECT_EQ(rowTexts(domains), (std::vector<std::string>{"b.example", ""}));

    // A failed save says why and keeps every field as the user left it.
    rows.nameField().set_text("Cookies of b");
    domains.row(1).grab_focus();
    domains.row(1).set_text("not a domain");
    click(rows.saveButton());
    EXPECT_EQ(acknowledgeMessage(running, clock.get()), "Invalid domain: 'not a domain'");
    ASSERT_EQ(editorPage(running), &rows);
    EXPECT_EQ(rows.errorLabel().get_text(), "Invalid domain: 'not a domain'");
    EXPECT_EQ(rows.nameField().get_text(), "Cookies of b");
    // The message took the focus from the filled last row, which grew the empty row after it.
    EXPECT_EQ(rowTexts(domains), (std::vector<std::string>{"b.example", "not a domain", ""}));
    EXPECT_EQ(storedFilter("block-cookies"), (DomainFilter{DomainFilterType::IfDomain, {"a.example", "b.example"}}));
    domains.row(1).set_text("c.example");
    // Escape is Cancel: nothing of the edit is stored.
    domains.row(1).grab_focus();
    xKey(running.window(), XK_Escape);
    ASSERT_TRUE(pumpUntil([&] { return ruleList(running) != nullptr; }));
    EXPECT_EQ(storedFilter("block-cookies"), (DomainFilter{DomainFilterType::IfDomain, {"a.example", "b.example"}}));
}

TEST_F(RuleEditorTest, EachPackageOpensTheEditorOfItsKindAndEachEditorSavesItsRule) {
    RunningApp running;

    // A new rule of an empty custom package: the kind chooser, without Cancel, the URL editor
    // first; the embedded editors make new rules only.
    auto& chooser = selectPackage<desktop::CustomBlockerCreator>(running, "custom");
    EXPECT_EQ(chooser.request().editorID, "CustomBlockerCreator");
    EXPECT_FALSE(chooser.cancelButton().get_visible());
    EXPECT_EQ(chooser.selectedSegment(), 0u);
    EXPECT_NE(dynamic_cast<desktop::URLBlockerCreator*>(&chooser.editor(0)), nullptr);
    click(chooser.actionTypeSegment(2));
    EXPECT_FALSE(chooser.editor(0).widget().get_visible());
    ASSERT_TRUE(chooser.editor(2).widget().get_visible());
    auto* css = dynamic_cast<desktop::CSSBlockerCreator*>(&chooser.editor(2));
    ASSERT_NE(css, nullptr);
    EXPECT_EQ(css->request().ruleId, std::nullopt);
    EXPECT_EQ(css->selectorTextField().get_placeholder_text(), "(for example, div#links)");
    // Enter in a field saves.
    css->selectorTextField().set_text("div.sponsored");
    g_signal_emit_by_name(css->selectorTextField().gobj(), "activate");
    ASSERT_TRUE(pumpUntil([&] { return ruleList(running) != nullptr; }));
    auto custom = findPackage("custom");
    ASSERT_EQ(custom->rules.size(), 1u);
    EXPECT_EQ(custom->rules[0].blocker.action, (Action{ActionType::Hide, "div.sponsored"}));

    // An existing hide rule of a custom package opens the CSS editor itself, filled in.
    auto& hide = editFromList<desktop::CSSBlockerCreator>(running, custom->rules[0].id);
    EXPECT_EQ(hide.selectorTextField().get_text(), "div.sponsored");
    EXPECT_FALSE(hide.domainsTableStackView().get_visible());
    click(hide.cancelButton());
    ASSERT_TRUE(pumpUntil([&] { return ruleList(running) != nullptr; }));

    // A url filter WebKit would refuse is not saved; a good one is, with its resource types and
    // load type.
    auto& url = selectPackage<desktop::URLBlockerCreator>(running, "block-url");
    const std::string placeholder = url.urlFilter().get_placeholder_text();
    EXPECT_TRUE(placeholder.starts_with("(") && placeholder.ends_with(")"));
    url.urlFilter().set_text("ads|banners");
    click(url.saveButton());
    EXPECT_NE(acknowledgeMessage(running).find("\"|\""), std::string::npos);
    ASSERT_EQ(editorPage(running), &url);
    EXPECT_EQ(url.urlFilter().get_text(), "ads|banners");
    EXPECT_TRUE(findPackage("block-url")->rules.empty());
    url.urlFilter().set_text("^https?://ads\\.example/");
    click(url.resourceTypeSegment(0));
    click(url.resourceTypeSegment(2));
    click(url.loadTypeSegment(2));
    click(url.saveButton());
    ASSERT_TRUE(pumpUntil([&] { return ruleList(running) != nullptr; }));
    auto blockURL = findPackage("block-url");
    ASSERT_EQ(blockURL->rules.size(), 1u);
    const Trigger& trigger = blockURL->rules[0].blocker.trigger;
    EXPECT_EQ(trigger.urlFilter, "^https?://ads\\.example/");
    EXPECT_EQ(trigger.resourceTypes, (std::vector<ResourceType>{ResourceType::Script, ResourceType::Image}));
    EXPECT_EQ(trigger.loadType, std::vector<LoadType>{LoadType::ThirdParty});
    auto& reopened = editFromList<desktop::URLBlockerCreator>(running, blockURL->rules[0].id);
    EXPECT_TRUE(reopened.resourceTypeSegment(0).get_active());
    EXPECT_FALSE(reopened.resourceTypeSegment(1).get_active());
    EXPECT_TRUE(reopened.loadTypeSegment(2).get_active());

    // The exemption and HTTPS editors are their domain table, without a domain filter or a
    // load type.
    auto& whitelist = selectPackage<desktop::WhitelistCreator>(running, "whitelist");
    EXPECT_TRUE(whitelist.domainsTableStackView().get_visible());
    EXPECT_FALSE(whitelist.domainFilterSelector().get_visible());
    EXPECT_FALSE(whitelist.loadTypeSegmentedControl().get_visible());
    whitelist.tableView().row(0).set_text("example.org");
    click(whitelist.saveButton());
    ASSERT_TRUE(pumpUntil([&] { return ruleList(running) != nullptr; }));
    EXPECT_EQ(findPackage("whitelist")->rules.at(0).blocker.action.type, ActionType::IgnorePreviousRules);
    EXPECT_EQ(storedFilter("whitelist"), (DomainFilter{DomainFilterType::IfDomain, {"example.org"}}));
    auto& https = selectPackage<desktop::MakeHttpsCreator>(running, "make-https");
    EXPECT_TRUE(https.domainsTableStackView().get_visible());
    EXPECT_FALSE(https.domainFilterSelector().get_visible());

    // A stored filter mixing "*a.example" and "b.example" opens with the box ticked, and saved
    // as it stands gives both domains their "*".
    openRuleList(running, "hide-elements");
    auto& mixed = editFromList<desktop::CSSBlockerCreator>(running, "mixed");
    EXPECT_TRUE(mixed.includeSubdomainsCheck().get_active());
    EXPECT_EQ(rowTexts(mixed.tableView()), (std::vector<std::string>{"a.example", "b.example", ""}));
    const int savesBefore = saves_;
    click(mixed.saveButton());
    ASSERT_TRUE(pumpUntil([&] { return ruleList(running) != nullptr; }));
    EXPECT_EQ(storedFilter("hide-elements"),
              (DomainFilter{DomainFilterType::IfDomain, {"*a.example", "*b.example"}}));
    EXPECT_TRUE(pumpUntil([&] { return saves_ > savesBefore; }));
}
