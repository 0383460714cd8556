// The report form: filled from the inspector's last address, showing what will be sent; a failed
// send keeps everything, and sending again once the cloud can be reached posts exactly that.

#include "DesktopHarness.h"

#include "app/ProblemReports.h"
#include "platform/Log.h"
#include "support/TemporaryDirectory.h"

#include <gtkmm/button.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/entry.h>
#include <gtkmm/label.h>
#include <gtkmm/textview.h>

#include <cstdlib>

using namespace orvane;
using namespace orvane::test;

namespace {

using ReportFormTest = DesktopTest;

// What the form shows it will send, key by key.
std::vector<std::pair<std::string, std::string>> values(desktop::ReportVC& form) {
    std::vector<std::pair<std::string, std::string>> shown;
    for (const char* key : {"type", "url", "comment", "device", "appVersion", "osVersion"}) {
        shown.emplace_back(key, form.preview(key).get_text());
    }
    return shown;
}

} // namespace

TEST_F(ReportFormTest, AFailedSendKeepsTheFormAndSendingAgainPostsWhatItShows) {
    markLaunchedBefore();
    // The home has no cloud account to begin with (ORVANE_CLOUD=none).
    RunningApp running;
    running.settleCore();
    running.app().noteInspectedAddress("https://news.example.com/story?id=42&ref=front");

    running.app().activate_action("report-problem");
    auto* form = running.app().reportForm();
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(pumpUntil([&] { return form->window().get_mapped(); }));
    EXPECT_EQ(form->address().get_text().raw(), "https://news.example.com/story?id=42&ref=front");
    EXPECT_TRUE(form->typeButton(ReportType::brokenSite).get_active());
    const ReportingMachine machine = reportingMachine();
    EXPECT_EQ(form->preview("url").get_text().raw(), "https://news.example.com/story?id=42&ref=front");
    EXPECT_NE(form->preview("comment").get_text().find("no comment"), std::string::npos);
    EXPECT_EQ(form->preview("device").get_text().raw(), machine.device);
    EXPECT_EQ(form->preview("appVersion").get_text().raw(), applicationVersion() + " (" + buildNumber() + ")");
    EXPECT_EQ(form->preview("osVersion").get_text().raw(), machine.osVersion);
    EXPECT_TRUE(form->sendButton().get_sensitive());

    // An address that is no web address cannot be sent.
    form->address().set_text("not an address");
    settle();
    EXPECT_FALSE(form->sendButton().get_sensitive());
    EXPECT_TRUE(form->address().has_css_class("error"));
    form->address().set_text("example.org/shop?item=7");
    form->typeButton(ReportType::somethingNotBlocked).set_active(true);
    form->comment().get_buffer()->set_text("  A video ad plays above the article.\n");
    settle();
    EXPECT_EQ(form->preview("type").get_text().raw(), "somethingNotBlocked");
    EXPECT_EQ(form->preview("url").get_text().raw(), "https://example.org/shop?item=7");
    EXPECT_EQ(form->preview("comment").get_text().raw(), "A video ad plays above the article.");
    const auto shown = values(*form);

    LogCapture log;
    click(form->sendButton());
    EXPECT_TRUE(form->isSending());
    EXPECT_FALSE(form->sendButton().get_sensitive());
    ASSERT_TRUE(pumpUntil([&] { return !form->isSending(); })) << joined(log);
    EXPECT_NE(form->status().get_text().find("wasn't sent"), std::string::npos) << form->status().get_text();
    EXPECT_TRUE(form->status().has_css_class("error"));
    bool errorLogged = false;
    for (const auto& line : log.lines()) {
        errorLogged |= line.starts_with("Error reporting: ");
    }
    EXPECT_TRUE(errorLogged) << joined(log);
    // Nothing is lost: the fields and what they send are as they were, and Send is offered again.
    EXPECT_EQ(form->address().get_text().raw(), "example.org/shop?item=7");
    EXPECT_TRUE(form->typeButton(ReportType::somethingNotBlocked).get_active());
    EXPECT_EQ(values(*form), shown);
    EXPECT_TRUE(form->sendButton().get_sensitive());

    // Closing and opening the form again keeps it too, even with a newer inspected address.
    form->window().close();
    running.app().noteInspectedAddress("https://other.example.com/");
    running.app().activate_action("report-problem");
    ASSERT_TRUE(pumpUntil([&] { return form->window().get_mapped(); }));
    EXPECT_EQ(values(*form), shown);

    // The user signs in to a cloud and sends again.
    TemporaryDirectory cloud;
    const std::string account = "sqlite:" + (cloud.path() / "Cloud").string();
    ::setenv("ORVANE_CLOUD", account.c_str(), 1);
    click(form->sendButton());
    ASSERT_TRUE(pumpUntil([&] { return !form->isSending(); })) << joined(log);
    EXPECT_TRUE(form->status().has_css_class("success")) << form->status().get_text();
    // The same report is not sent twice by accident.
    EXPECT_FALSE(form->sendButton().get_sensitive());

    auto posted = postedReports(account);
    ASSERT_TRUE(std::holds_alternative<std::vector<PostedReport>>(posted));
    const auto& reports = std::get<std::vector<PostedReport>>(posted);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].values, shown);
}
