#pragma once

#include "app/PageInspector.h"

#include <glib.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

typedef struct _WebKitWebView WebKitWebView;
typedef struct _WebKitWebResource WebKitWebResource;
typedef struct _WebKitURIRequest WebKitURIRequest;
typedef struct _JSCValue JSCValue;
typedef struct _GCancellable GCancellable;


namespace orvane::inspection {

// The web view half of a page inspection, on WebKitGTK: it loads what the inspection asks for
// and tells it what the page did. The view has a network session of its own that keeps nothing
// (no cookies, no cache survive it) and caches nothing between loads.
//
// WebKitGTK has no frame objects in this process, so a script in every frame reports its
// address and the resources it loaded once it has finished loading; the byte sizes come from
// the view's resources with the same address.
class InspectionEngine {
public:
    struct Options {
        // Every load through this proxy ("http://host:port"); none: the one the usual variables
        // name (https_proxy, http_proxy, all_proxy), else the system's settings.
        std::optional<std::string> proxy;
        // Replaces the first load's time limit.
        std::optional<std::chrono::seconds> timeout;
    };

    explicit InspectionEngine(PageInspection& inspection, Options options = {});
    ~InspectionEngine();
    InspectionEngine(const InspectionEngine&) = delete;
    InspectionEngine& operator=(const InspectionEngine&) = delete;

    // Held by the engine; the caller may place it in a window.
    WebKitWebView* webView() { return view_; }
    PageInspection& inspection() { return inspection_; }

    // The address field was confirmed: starts the inspection, or shows why it cannot. Answers
    // whether it started.
    bool inspect(const std::string& typed);
    // Whether frames are still being measured or the page's size is still being taken.
    bool isMeasuring() const { return pendingFrames_ > 0 || measuringSize_; }
    // Finished, measured, and every frame's counts shown.
    bool isDone();

    // Runs after every change of the load's estimated progress (0 to 1), and once with `finished`
    // when the view stops loading.
    void setProgressObserver(std::function<void(double progress, bool finished)> observer) {
        progressObserver_ = std::move(observer);
    }

    // Runs for every frame as it is counted, with all of its resources and their sizes.
    void setFrameObserver(std::function<void(const FrameReport&)> observer) { frameObserver_ = std::move(observer); }

    // Called by the view's signals.
    void loadChanged(int event);
    bool loadFailed(const char* uri, const GError* error);
    bool loadFailedWithTlsErrors(const char* uri);
    void resourceLoadStarted(WebKitWebResource* resource, WebKitURIRequest* request);
    void resourceFailed(WebKitWebResource* resource, const GError* error);
    void frameReported(JSCValue* message);
    void progressChanged();

private:
    struct PendingFrame;
    void load(const PageInspection::LoadRequest& request);
    void armTimeOut(std::chrono::seconds limit);
    void disarmTimeOut();
    void keepTime();
    void measurePageSize();
    void frameMeasured(const std::shared_ptr<PendingFrame>& frame);

    PageInspection& inspection_;
    Options options_;
    WebKitWebView* view_ = nullptr;
    GCancellable* cancellable_ = nullptr;
    // The view's resources by address, kept until the next load.
    std::multimap<std::string, WebKitWebResource*> resources_;
    unsigned timeOut_ = 0;
    unsigned ticker_ = 0;
    int pendingFrames_ = 0;
    bool measuringSize_ = false;
    std::function<void(double, bool)> progressObserver_;
    std::function<void(const FrameReport&)> frameObserver_;
    std::shared_ptr<InspectionEngine*> self_ = std::make_shared<InspectionEngine*>(this);
};

} // namespace orvane::inspection
