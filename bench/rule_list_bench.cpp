// The rule list of a 50,000-rule package against a bare Gtk::ListView of 50,000 one-line labels,
// in one window, each figure a ratio of two sides timed in turn in every iteration:
//   - opening the list to its first drawn frame;
//   - one search keystroke to the next frame (the bare side filters the same names the same way);
//   - flipping one rule's switch, against opening the list: the main-thread work it causes, its
//     own and the update, layout and paint phases of the frame it asks for, then of all the
//     frames of the switch's slide, beside a bare Gtk::Switch's, and the time to its first frame;
//   - scrolling from the top to row 25,000 until it is drawn;
// and how often fixed scroll steps over rows of different heights had their position corrected.
// Run it on a display: tests/desktop/run-with-display.sh build/bin/rule_list_bench

#include "BenchSupport.h"

#include "app/LaunchSequence.h"
#include "app/OrvaneApplication.h"
#include "app/RuleListQuery.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "platform/UserDefaults.h"
#include "rules/PackageVC.h"
#include "window/SplitViewController.h"

#include <gdkmm/frameclock.h>
#include <gtkmm/adjustment.h>
#include <gtkmm/filter.h>
#include <gtkmm/filterlistmodel.h>
#include <gtkmm/label.h>
#include <gtkmm/listview.h>
#include <gtkmm/noselection.h>
#include <gtkmm/scrolledwindow.h>
#include <gtkmm/signallistitemfactory.h>
#include <gtkmm/stringlist.h>
#include <gtkmm/stringobject.h>
#include <gtkmm/switch.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>

using namespace orvane;
using namespace orvane::bench;

namespace {

constexpr std::size_t kRules = 50000;
constexpr guint kFarRow = 25000;
const std::string kPackageId = "bench-list";

using Clock = std::chrono::steady_clock;

// Seconds from `action` to the end of the next frame the window draws: the whole window redrawn,
// or, with `redrawAll` false, what the action itself asked to redraw.
struct NextFrame {
    double wait = 0;
    // The action's own time, before any frame.
    double action = 0;
    // The frame's own main-thread work: from the frame clock's before-paint to the end of its
    // paint phase (update, layout and paint), without the wait for the clock's tick.
    double work = 0;
};

// When the frame being drawn began: the frame clock's first before-paint since the watch began
// or was last reset.
class FrameStart {
public:
    explicit FrameStart(Glib::RefPtr<Gdk::FrameClock> clock) : clock_(std::move(clock)) {
        handler_ = g_signal_connect(clock_->gobj(), "before-paint", G_CALLBACK(+[](GdkFrameClock*, gpointer self) {
                                        auto& began = static_cast<FrameStart*>(self)->began_;
                                        if (!began) {
                                            began = Clock::now();
                                        }
                                    }),
                                    this);
    }
    ~FrameStart() { g_signal_handler_disconnect(clock_->gobj(), handler_); }
    FrameStart(const FrameStart&) = delete;
    FrameStart& operator=(const FrameStart&) = delete;

    // Seconds from the frame's start to `end`; 0 when no frame has begun.
    double until(Clock::time_point end) const {
        return began_ ? std::chrono::duration<double>(end - *began_).count() : 0.0;
    }
    void reset() { began_.reset(); }

private:
    Glib::RefPtr<Gdk::FrameClock> clock_;
    gulong handler_ = 0;
    std::optional<Clock::time_point> began_;
};

NextFrame toNextFrame(Gtk::Window& window, const std::function<void()>& action, bool redrawAll = true) {
    bool painted = false;
    Clock::time_point ended;
    const auto start = Clock::now();
    action();
    const double acted = std::chrono::duration<double>(Clock::now() - start).count();
    auto clock = window.get_frame_clock();
    const FrameStart began(clock);
    // After the window's own handler, which draws the frame.
    auto after = clock->signal_paint().connect(
        [&painted, &ended] {
            if (!painted) {
                ended = Clock::now();
                painted = true;
            }
        },
        true);
    if (redrawAll) {
        window.queue_draw();
    }
    if (!runMainLoopUntil([&painted] { return painted; }, std::chrono::seconds(120))) {
        throw std::runtime_error("the window drew no frame");
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    after.disconnect();
    return {seconds, acted, began.until(ended)};
}

// Until the window has drawn nothing for 100 ms (six frame periods).
void waitForQuiet(Gtk::Window& window) {
    using namespace std::chrono_literals;
    auto lastPaint = Clock::now();
    auto painted = window.get_frame_clock()->signal_paint().connect([&lastPaint] { lastPaint = Clock::now(); });
    runMainLoopUntil([&] { return Clock::now() - lastPaint > 100ms; }, std::chrono::seconds(120));
    painted.disconnect();
}

// Everything a change makes the window draw: the frames that follow it until none has come for
// 100 ms (six frame periods), each timed from the frame clock's before-paint to the end of its
// paint phase. A switch flipped slides over in a dozen frames.
struct Frames {
    double action = 0;
    // From the change to its first frame drawn, and that frame's own phases.
    double toFirst = 0;
    double firstWork = 0;
    // The phases of every frame.
    double work = 0;
    int count = 0;
};

Frames framesCausedBy(Gtk::Window& window, const std::function<void()>& action) {
    using namespace std::chrono_literals;
    Frames frames;
    auto clock = window.get_frame_clock();
    FrameStart began(clock);
    const auto start = Clock::now();
    auto lastPaint = start;
    auto after = clock->signal_paint().connect(
        [&] {
            const auto now = Clock::now();
            const double work = began.until(now);
            if (frames.count == 0) {
                frames.toFirst = std::chrono::duration<double>(now - start).count();
                frames.firstWork = work;
            }
            frames.work += work;
            ++frames.count;
            began.reset();
            lastPaint = now;
        },
        true);
    action();
    frames.action = std::chrono::duration<double>(Clock::now() - start).count();
    lastPaint = Clock::now();
    const bool settled =
        runMainLoopUntil([&] { return frames.count > 0 && Clock::now() - lastPaint > 100ms; }, std::chrono::seconds(120));
    after.disconnect();
    if (!settled) {
        throw std::runtime_error("the window drew no frame, or never stopped drawing");
    }
    return frames;
}

void settleFrames(Gtk::Window& window, int frames = 3) {
    for (int i = 0; i < frames; ++i) {
        toNextFrame(window, [] {});
    }
    drainMainQueue();
}

// The names the bare list filters, folded as the rule list's search folds them.
class BareFilter : public Gtk::Filter {
public:
    static Glib::RefPtr<BareFilter> create() { return Glib::make_refptr_for_instance<BareFilter>(new BareFilter()); }
    void setText(const std::string& text) {
        folded_ = RuleSearch::foldedName(text);
        changed(Change::MORE_STRICT);
    }

protected:
    BareFilter() : Glib::ObjectBase("OrvaneBenchBareFilter") {}
    bool match_vfunc(const Glib::RefPtr<Glib::ObjectBase>& item) override {
        auto* string = dynamic_cast<Gtk::StringObject*>(item.get());
        return string != nullptr && RuleSearch::foldedName(string->get_string()).find(folded_) != std::string::npos;
    }
    Match get_strictness_vfunc() override { return folded_.empty() ? Match::ALL : Match::SOME; }

private:
    std::string folded_;
};

// A bare list of one-line labels in the detail pane.
struct BareList {
    explicit BareList(Gtk::Box& pane, const std::vector<Glib::ustring>& names) : pane(pane) {
        strings = Gtk::StringList::create(names);
        filter = BareFilter::create();
        filtered = Gtk::FilterListModel::create(strings, filter);
        auto factory = Gtk::SignalListItemFactory::create();
        factory->signal_setup().connect([](const Glib::RefPtr<Gtk::ListItem>& item) {
            auto* label = Gtk::make_managed<Gtk::Label>();
            label->set_xalign(0);
            item->set_child(*label);
        });
        factory->signal_bind().connect([](const Glib::RefPtr<Gtk::ListItem>& item) {
            auto string = std::dynamic_pointer_cast<Gtk::StringObject>(item->get_item());
            static_cast<Gtk::Label*>(item->get_child())->set_text(string->get_string());
        });
        list = Gtk::make_managed<Gtk::ListView>(Gtk::NoSelection::create(filtered), factory);
        scroller = Gtk::make_managed<Gtk::ScrolledWindow>();
        scroller->set_policy(Gtk::PolicyType::NEVER, Gtk::PolicyType::AUTOMATIC);
        scroller->set_vexpand(true);
        scroller->set_child(*list);
        pane.append(*scroller);
    }
    ~BareList() { pane.remove(*scroller); }

    Gtk::Box& pane;
    Glib::RefPtr<Gtk::StringList> strings;
    Glib::RefPtr<BareFilter> filter;
    Glib::RefPtr<Gtk::FilterListModel> filtered;
    Gtk::ListView* list;
    Gtk::ScrolledWindow* scroller;
};

struct Figures {
    double openBare = 0, openRules = 0, openBareWork = 0, openRulesWork = 0;
    double keyBare = 0, keyRules = 0;
    double nextKeyBare = 0, nextKeyRules = 0, nextKeyDetached = 0;
    double flip = 0, flipWork = 0, flipFirstWork = 0, flipFramesWork = 0, idle = 0;
    double bareFlipWork = 0, bareFlipFirstWork = 0;
    int flipFrames = 0, bareFlipFrames = 0;
    double farBare = 0, farRules = 0;
    int corrections = 0, steps = 0;
    int bareCorrections = 0;
};

// Fixed steps down the list; answers how many left the scroll position elsewhere than asked.
int scrollSteps(Gtk::Window& window, const Glib::RefPtr<Gtk::Adjustment>& adjustment, int steps, double step) {
    int corrected = 0;
    for (int i = 0; i < steps; ++i) {
        const double asked = adjustment->get_value() + step;
        adjustment->set_value(asked);
        settleFrames(window, 2);
        if (std::abs(adjustment->get_value() - asked) > 0.5) {
            ++corrected;
        }
    }
    return corrected;
}

void run(int iterations) {
    BenchHome home;
    auto generated = generatePackages(kRules, "bench");
    Package package{kPackageId, "Generated List", {}};
    for (auto& each : generated) {
        for (auto& rule : each.rules) {
            package.rules.push_back(std::move(rule));
        }
    }
    std::vector<Glib::ustring> names;
    for (const auto& rule : package.rules) {
        names.emplace_back(rule.name);
    }
    const std::string farRuleId = package.rules[kFarRow].id;
    const auto text = toJSONString(std::vector<Package>{package});
    writeFile(home.resources() / "PreinstalledPackages.json", *text);
    writeFile(home.shared() / "PreinstalledPackages.json", *text);
    UserDefaults::standard().set("launchedOnce", true);
    UserDefaults::standard().set(didLaunchOnceBuildKey(), true);
    UserDefaults::standard().synchronize();
    // The list, not WebKit's compile of it, which runs in a child process of its own.
    ::setenv("ORVANE_FILTER_COMPILER", "/bin/true", 1);
    logToNowhere();

    auto app = desktop::OrvaneApplication::create(Gio::Application::Flags::NON_UNIQUE);
    app->register_application();
    app->activate();
    runMainLoopUntil([&] { return app->delegate()->hasLaunched() && app->delegate()->splitViewController(); },
                     std::chrono::seconds(120));
    auto& split = *app->delegate()->splitViewController();
    auto& window = app->delegate()->windowController().window();
    auto& pane = app->delegate()->windowController().detailPane();
    // An empty custom package's editor stands in the pane between the two sides.
    auto empty = split.services().packages().createPackage("Empty");
    auto clear = [&] {
        split.showRuleEditor(std::nullopt, empty->id);
        settleFrames(window);
    };
    clear();

    Figures figures;
    for (int i = 0; i < iterations; ++i) {
        {
            std::unique_ptr<BareList> bare;
            const NextFrame open = toNextFrame(window, [&] { bare = std::make_unique<BareList>(pane, names); });
            figures.openBare += open.wait;
            figures.openBareWork += open.action + open.work;
            settleFrames(window);
            figures.keyBare += toNextFrame(window, [&] { bare->filter->setText("1"); }).wait;
            figures.nextKeyBare += toNextFrame(window, [&] { bare->filter->setText("12"); }).wait;
            bare->filter->setText("");
            settleFrames(window);
            figures.farBare += toNextFrame(window, [&] {
                bare->list->activate_action("list.scroll-to-item", Glib::Variant<guint>::create(kFarRow));
            }).wait;
            settleFrames(window);
            if (i == 0) {
                bare->scroller->get_vadjustment()->set_value(0);
                settleFrames(window);
                figures.bareCorrections = scrollSteps(window, bare->scroller->get_vadjustment(), 25, 400);
            }
        }
        clear();
        const NextFrame open = toNextFrame(window, [&] { split.showRuleList(kPackageId); });
        figures.openRules += open.wait;
        figures.openRulesWork += open.action + open.work;
        settleFrames(window);
        auto* rules = split.ruleList();
        auto* first = rules->cellFor(package.rules.front().id);
        if (first == nullptr) {
            throw std::runtime_error("the first row is not on screen");
        }
        // Flipped in the list as it opened, before anything scrolls: a scrollbar that fades out
        // draws frames of its own.
        const NextFrame idle = toNextFrame(window, [] {});
        figures.idle += idle.wait;
        waitForQuiet(window);
        auto& flipped = first->preferenceSwitch();
        const Frames flip = framesCausedBy(window, [&] { flipped.set_active(!flipped.get_active()); });
        figures.flipWork += flip.action;
        figures.flipFirstWork += flip.firstWork;
        figures.flipFramesWork += flip.work;
        figures.flipFrames += flip.count;
        figures.flip += flip.toFirst;
        {
            // The same flip of a bare switch in the pane.
            Gtk::Switch bare;
            pane.append(bare);
            settleFrames(window);
            waitForQuiet(window);
            const Frames bareFlip = framesCausedBy(window, [&] { bare.set_active(!bare.get_active()); });
            figures.bareFlipWork += bareFlip.action + bareFlip.work;
            figures.bareFlipFirstWork += bareFlip.firstWork;
            figures.bareFlipFrames += bareFlip.count;
            pane.remove(bare);
        }
        settleFrames(window);
        figures.keyRules += toNextFrame(window, [&] { rules->searchEntry().set_text("1"); }).wait;
        figures.nextKeyRules += toNextFrame(window, [&] { rules->searchEntry().set_text("12"); }).wait;
        rules->searchEntry().set_text("");
        settleFrames(window);
        {
            // The same keystrokes with the list view let go of its model: the filter's share.
            auto model = rules->tableView().get_model();
            rules->tableView().set_model({});
            rules->searchEntry().set_text("1");
            const auto start = Clock::now();
            rules->searchEntry().set_text("12");
            figures.nextKeyDetached += std::chrono::duration<double>(Clock::now() - start).count();
            rules->searchEntry().set_text("");
            rules->tableView().set_model(model);
            settleFrames(window);
        }
        figures.farRules += toNextFrame(window, [&] {
            rules->tableView().activate_action("list.scroll-to-item", Glib::Variant<guint>::create(kFarRow));
        }).wait;
        settleFrames(window);
        if (rules->cellFor(farRuleId) == nullptr) {
            throw std::runtime_error("row 25,000 is not on screen");
        }
        rules->scrollView().get_vadjustment()->set_value(0);
        settleFrames(window);
        figures.corrections += scrollSteps(window, rules->scrollView().get_vadjustment(), 25, 400);
        figures.steps += 25;
        clear();
        runMainLoopUntil([&] { return split.services().switches().isIdle(); }, std::chrono::seconds(60));
    }
    const double n = iterations;
    std::printf("\nthe rule list of a 50,000-rule package / a bare list of 50,000 one-line labels (%d iterations)\n",
                iterations);
    std::printf("  opening to the first frame:        %7.1f ms / %7.1f ms = %.2f   (target under 2)\n",
                1000 * figures.openRules / n, 1000 * figures.openBare / n, figures.openRules / figures.openBare);
    std::printf("    its work (building, then the frame's phases): %5.1f ms / %5.1f ms = %.2f\n",
                1000 * figures.openRulesWork / n, 1000 * figures.openBareWork / n,
                figures.openRulesWork / figures.openBareWork);
    std::printf("  first search keystroke:            %7.1f ms / %7.1f ms = %.2f   (target under 2)\n",
                1000 * figures.keyRules / n, 1000 * figures.keyBare / n, figures.keyRules / figures.keyBare);
    std::printf("  next search keystroke:             %7.1f ms / %7.1f ms = %.2f   (target under 2)\n",
                1000 * figures.nextKeyRules / n, 1000 * figures.nextKeyBare / n,
                figures.nextKeyRules / figures.nextKeyBare);
    std::printf("    of which the filter (list view detached): %5.1f ms\n", 1000 * figures.nextKeyDetached / n);
    std::printf("  scrolling to row 25,000:           %7.1f ms / %7.1f ms = %.2f   (target under 2)\n",
                1000 * figures.farRules / n, 1000 * figures.farBare / n, figures.farRules / figures.farBare);
    const double flipCost = figures.flipWork + figures.flipFirstWork;
    const double slideCost = figures.flipWork + figures.flipFramesWork;
    std::printf("  one switch flipped, its work and its frame's / opening: %4.1f ms / %5.1f ms = %.1f %% (target under 5 %%)\n",
                1000 * flipCost / n, 1000 * figures.openRules / n, 100 * flipCost / figures.openRules);
    std::printf("    the flip itself:                     %5.1f ms = %.1f %%\n", 1000 * figures.flipWork / n,
                100 * figures.flipWork / figures.openRules);
    std::printf("    the phases of the frame it asks for: %5.1f ms = %.1f %%\n", 1000 * figures.flipFirstWork / n,
                100 * figures.flipFirstWork / figures.openRules);
    std::printf("    with all %.1f frames of the switch's slide: %5.1f ms = %.1f %%\n", figures.flipFrames / n,
                1000 * slideCost / n, 100 * slideCost / figures.openRules);
    std::printf("    a bare Gtk::Switch flipped in the same pane: %.1f ms in %.1f frames, its first frame %.1f ms\n",
                1000 * figures.bareFlipWork / n, figures.bareFlipFrames / n, 1000 * figures.bareFlipFirstWork / n);
    std::printf("    the flip to its first frame drawn, from a quiet window: %5.1f ms = %.1f %%\n",
                1000 * figures.flip / n, 100 * figures.flip / figures.openRules);
    std::printf("    (a whole frame of the window with nothing changed, asked for right after another: %.1f ms to it)\n",
                1000 * figures.idle / n);
    std::printf("  fixed scroll steps corrected:      %d of %d (bare one-line list: %d of 25)\n", figures.corrections,
                figures.steps, figures.bareCorrections);
    window.close();
    drainMainQueue();
}

} // namespace

int main(int argc, char** argv) {
    int iterations = 5;
    if (argc == 2) {
        iterations = std::max(1, std::atoi(argv[1]));
    }
    try {
        run(iterations);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "rule_list_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
