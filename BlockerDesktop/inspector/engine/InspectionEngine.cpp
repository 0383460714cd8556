#include "inspector/engine/InspectionEngine.h"

#include "inspector/engine/FrameScript.h"
#include "platform/JsonText.h"
#include "platform/MainQueue.h"

#include <webkit/webkit.h>

#include <set>
#include <utility>

namespace orvane::inspection {
namespace {

using Failure = PageInspection::Failure;

template <typename Object>
struct Unref {
    void operator()(Object* object) const { g_object_unref(object); }
};
template <typename Object>
using Owned = std::unique_ptr<Object, Unref<Object>>;

InspectionEngine& engineOf(gpointer data) { return *static_cast<InspectionEngine*>(data); }

void onLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer self) { engineOf(self).loadChanged(event); }

gboolean onLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* error, gpointer self) {
    return engineOf(self).loadFailed(uri, error) ? TRUE : FALSE;
}

gboolean onLoadFailedWithTlsErrors(WebKitWebView*, gchar* uri, GTlsCertificate*, GTlsCertificateFlags, gpointer self) {
    return engineOf(self).loadFailedWithTlsErrors(uri) ? TRUE : FALSE;
}

void onResourceLoadStarted(WebKitWebView*, WebKitWebResource* resource, WebKitURIRequest* request, gpointer self) {
    engineOf(self).resourceLoadStarted(resource, request);
}

void onResourceFailed(WebKitWebResource* resource, GError* error, gpointer self) {
    engineOf(self).resourceFailed(resource, error);
}

void onScriptMessage(WebKitUserContentManager*, JSCValue* message, gpointer self) {
    engineOf(self).frameReported(message);
}

void onProgress(GObject*, GParamSpec*, gpointer self) { engineOf(self).progressChanged(); }

// What a resource's data says of its size. WebKit answers a single NUL byte for some resources
// it holds no data for (an error page's, a fetch's, a frame's document); their response's
// length counts then, and failing that what the page measured.
std::uint64_t measuredSize(const guchar* data, gsize length, WebKitWebResource* resource, std::uint64_t fallback) {
    if (data != nullptr && !(length == 1 && data[0] == 0)) {
        return length;
    }
    if (WebKitURIResponse* response = webkit_web_resource_get_response(resource)) {
        if (const guint64 declared = webkit_uri_response_get_content_length(response); declared > 0) {
            return declared;
        }
    }
    return data != nullptr && fallback == 0 ? length : fallback;
}

std::optional<std::string> proxyFromEnvironment() {
    for (const char* name : {"https_proxy", "HTTPS_PROXY", "http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"}) {
        if (const char* value = g_getenv(name); value != nullptr && *value != '\0') {
            return std::string(value);
        }
    }
    return std::nullopt;
}

} // namespace

// One frame's report while the sizes of its resources come in.
struct InspectionEngine::PendingFrame {
    std::weak_ptr<InspectionEngine*> engine;
    FrameReport report;
    std::size_t outstanding = 0;
};

InspectionEngine::InspectionEngine(PageInspection& inspection, Options options)
    : inspection_(inspection), options_(std::move(options)), cancellable_(g_cancellable_new()) {
    Owned<WebKitNetworkSession> session(webkit_network_session_new_ephemeral());
    if (!options_.proxy) {
        options_.proxy = proxyFromEnvironment();
    }
    if (options_.proxy) {
        WebKitNetworkProxySettings* proxy = webkit_network_proxy_settings_new(options_.proxy->c_str(), nullptr);
        webkit_network_session_set_proxy_settings(session.get(), WEBKIT_NETWORK_PROXY_MODE_CUSTOM, proxy);
        webkit_network_proxy_settings_free(proxy);
    }
    // A context of its own, so that no other view's memory cache serves this one. Within a load
    // the cache works as a browser's does (a resource the page preloaded is not fetched again);
    // every inspection starts from an empty one.
    Owned<WebKitWebContext> context(webkit_web_context_new());
    Owned<WebKitUserContentManager> content(webkit_user_content_manager_new());
    WebKitUserScript* script =
        webkit_user_script_new_for_world(kFrameScript, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                                         WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, kScriptWorld, nullptr, nullptr);
    webkit_user_content_manager_add_script(content.get(), script);
    webkit_user_script_unref(script);
    webkit_user_content_manager_register_script_message_handler(content.get(), kMessageHandler, kScriptWorld);
    g_signal_connect(content.get(), (std::string("script-message-received::") + kMessageHandler).c_str(),
                     G_CALLBACK(onScriptMessage), this);

    view_ = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "network-session", session.get(), "web-context",
                                         context.get(), "user-content-manager", content.get(), nullptr));
    g_object_ref_sink(view_);
    webkit_web_view_set_editable(view_, FALSE);
    g_signal_connect(view_, "load-changed", G_CALLBACK(onLoadChanged), this);
    g_signal_connect(view_, "load-failed", G_CALLBACK(onLoadFailed), this);
    g_signal_connect(view_, "load-failed-with-tls-errors", G_CALLBACK(onLoadFailedWithTlsErrors), this);
    g_signal_connect(view_, "resource-load-started", G_CALLBACK(onResourceLoadStarted), this);
    g_signal_connect(view_, "notify::estimated-load-progress", G_CALLBACK(onProgress), this);
}

InspectionEngine::~InspectionEngine() {
    g_cancellable_cancel(cancellable_);
    disarmTimeOut();
    if (ticker_ != 0) {
        g_source_remove(ticker_);
    }
    g_signal_handlers_disconnect_by_data(view_, this);
    g_signal_handlers_disconnect_by_data(webkit_web_view_get_user_content_manager(view_), this);
    for (auto& [uri, resource] : resources_) {
        g_signal_handlers_disconnect_by_data(resource, this);
        g_object_unref(resource);
    }
    webkit_web_view_stop_loading(view_);
    g_object_unref(view_);
    g_object_unref(cancellable_);
}

bool InspectionEngine::inspect(const std::string& typed) {
    const auto request = inspection_.start(typed);
    if (!request) {
        return false;
    }
    // Counts, sizes and page measurements still under way belong to the page before.
    g_cancellable_cancel(cancellable_);
    g_object_unref(cancellable_);
    cancellable_ = g_cancellable_new();
    pendingFrames_ = 0;
    measuringSize_ = false;
    webkit_web_view_stop_loading(view_);
    auto first = *request;
    if (options_.timeout) {
        first.timeout = *options_.timeout;
    }
    keepTime();
    if (!first.ignoreCachedData) {
        load(first);
        return true;
    }
    // The session keeps nothing on disk; what an earlier inspection left in its memory goes too.
    struct Start {
        std::weak_ptr<InspectionEngine*> engine;
        PageInspection::LoadRequest request;
    };
    WebKitWebsiteDataManager* data =
        webkit_network_session_get_website_data_manager(webkit_web_view_get_network_session(view_));
    webkit_website_data_manager_clear(
        data, WEBKIT_WEBSITE_DATA_ALL, 0, cancellable_,
        [](GObject* manager, GAsyncResult* result, gpointer data) {
            std::unique_ptr<Start> start(static_cast<Start*>(data));
            GError* error = nullptr;
            webkit_website_data_manager_clear_finish(WEBKIT_WEBSITE_DATA_MANAGER(manager), result, &error);
            const bool cancelled = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
            g_clear_error(&error);
            if (auto engine = start->engine.lock(); engine && !cancelled) {
                (*engine)->load(start->request);
            }
        },
        new Start{self_, first});
    return true;
}

void InspectionEngine::load(const PageInspection::LoadRequest& request) {
    for (auto& [uri, resource] : resources_) {
        g_signal_handlers_disconnect_by_data(resource, this);
        g_object_unref(resource);
    }
    resources_.clear();
    armTimeOut(request.timeout);
    webkit_web_view_load_uri(view_, request.url.c_str());
}

void InspectionEngine::armTimeOut(std::chrono::seconds limit) {
    disarmTimeOut();
    // Not g_timeout_add_seconds: it fires on whole seconds of the clock, up to one early.
    timeOut_ = g_timeout_add(
        static_cast<guint>(std::chrono::duration_cast<std::chrono::milliseconds>(limit).count()),
        [](gpointer data) -> gboolean {
            auto& self = engineOf(data);
            self.timeOut_ = 0;
            self.inspection_.timedOut();
            webkit_web_view_stop_loading(self.view_);
            return G_SOURCE_REMOVE;
        },
        this);
}

void InspectionEngine::disarmTimeOut() {
    if (timeOut_ != 0) {
        g_source_remove(timeOut_);
        timeOut_ = 0;
    }
}

void InspectionEngine::keepTime() {
    if (ticker_ != 0) {
        return;
    }
    ticker_ = g_timeout_add(
        static_cast<guint>(PageInspection::kTimerInterval.count()),
        [](gpointer data) -> gboolean {
            auto& self = engineOf(data);
            if (!self.inspection_.isTiming()) {
                self.ticker_ = 0;
                return G_SOURCE_REMOVE;
            }
            self.inspection_.refreshTime();
            return G_SOURCE_CONTINUE;
        },
        this);
}

bool InspectionEngine::isDone() {
    if (inspection_.figures().state != InspectionFigures::State::Finished || isMeasuring()) {
        return false;
    }
    inspection_.waitForClassifications();
    drainMainQueue();
    return !isMeasuring();
}

void InspectionEngine::loadChanged(int event) {
    const char* uri = webkit_web_view_get_uri(view_);
    switch (static_cast<WebKitLoadEvent>(event)) {
    case WEBKIT_LOAD_REDIRECTED:
        inspection_.redirected(true, uri != nullptr ? uri : "");
        break;
    case WEBKIT_LOAD_COMMITTED:
        if (uri != nullptr && inspection_.isInspectedCommit(uri)) {
            webkit_web_view_set_zoom_level(view_, 0.3);
        }
        break;
    case WEBKIT_LOAD_FINISHED:
        if (progressObserver_) {
            progressObserver_(1.0, true);
        }
        break;
    case WEBKIT_LOAD_STARTED:
        break;
    }
}

bool InspectionEngine::loadFailed(const char* uri, const GError* error) {
    const bool cancelled = g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED);
    // Only a certificate failure asks for another load, and it has a signal of its own.
    inspection_.loadFailed(uri != nullptr ? uri : "", cancelled ? Failure::Cancelled : Failure::Other,
                           error != nullptr ? error->message : "");
    if (inspection_.figures().state == InspectionFigures::State::Finished) {
        disarmTimeOut();
    }
    // The error line says what went wrong; the preview stays as it was.
    return true;
}

bool InspectionEngine::loadFailedWithTlsErrors(const char* uri) {
    const auto retry = inspection_.loadFailed(uri != nullptr ? uri : "", Failure::UntrustedCertificate,
                                              "Unacceptable TLS certificate");
    if (retry) {
        // Not from inside the view's own signal: the failed load ends first.
        runOnMain([weak = std::weak_ptr<InspectionEngine*>(self_), retry = *retry] {
            if (auto self = weak.lock()) {
                webkit_web_view_stop_loading((*self)->view_);
                (*self)->load(retry);
            }
        });
    } else if (inspection_.figures().state == InspectionFigures::State::Finished) {
        disarmTimeOut();
    }
    // No error page: the retry, or the error line, is the answer.
    return true;
}

void InspectionEngine::resourceLoadStarted(WebKitWebResource* resource, WebKitURIRequest* request) {
    const char* uri = webkit_uri_request_get_uri(request);
    resources_.emplace(uri != nullptr ? uri : "", WEBKIT_WEB_RESOURCE(g_object_ref(resource)));
    // The main resource's failures arrive through the view's own signals. A certificate failure
    // of a picture or script is that resource's failure only: loading it over HTTP as the page
    // would put the picture in place of the page.
    if (resource != webkit_web_view_get_main_resource(view_)) {
        g_signal_connect(resource, "failed", G_CALLBACK(onResourceFailed), this);
    }
}

void InspectionEngine::resourceFailed(WebKitWebResource* resource, const GError* error) {
    const char* uri = webkit_web_resource_get_uri(resource);
    const bool cancelled = g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED);
    inspection_.loadFailed(uri != nullptr ? uri : "", cancelled ? Failure::Cancelled : Failure::Other,
                           error != nullptr ? error->message : "");
    if (inspection_.figures().state == InspectionFigures::State::Finished) {
        disarmTimeOut();
    }
}

void InspectionEngine::progressChanged() {
    if (progressObserver_) {
        progressObserver_(webkit_web_view_get_estimated_load_progress(view_), false);
    }
}

void InspectionEngine::frameReported(JSCValue* message) {
    if (!jsc_value_is_string(message)) {
        return;
    }
    gchar* text = jsc_value_to_string(message);
    const auto document = parseJson(text);
    g_free(text);
    if (!document || !document->IsObject() || !document->HasMember("href") || !(*document)["href"].IsString()) {
        return;
    }
    auto frame = std::make_shared<PendingFrame>();
    frame->engine = self_;
    frame->report.frameURL = (*document)["href"].GetString();
    std::set<std::string> listed;
    if (document->HasMember("resources") && (*document)["resources"].IsArray()) {
        for (const auto& entry : (*document)["resources"].GetArray()) {
            if (!entry.IsObject() || !entry.HasMember("url") || !entry["url"].IsString()) {
                continue;
            }
            std::uint64_t size = 0;
            if (entry.HasMember("size") && entry["size"].IsNumber() && entry["size"].GetDouble() > 0) {
                size = static_cast<std::uint64_t>(entry["size"].GetDouble());
            }
            // A page that fetched one address twice (a preload and its use, say) loaded one resource.
            const std::string url = entry["url"].GetString();
            if (!listed.insert(url).second) {
                continue;
            }
            frame->report.resources.push_back({url, size});
        }
    }
    ++pendingFrames_;
    for (std::size_t index = 0; index < frame->report.resources.size(); ++index) {
        const auto found = resources_.find(frame->report.resources[index].url);
        if (found == resources_.end()) {
            continue;
        }
        // The data comes later than the load's end; the frame is counted once it is all in.
        struct Request {
            std::shared_ptr<PendingFrame> frame;
            std::size_t index;
            WebKitWebResource* resource;
        };
        ++frame->outstanding;
        webkit_web_resource_get_data(
            found->second, cancellable_,
            [](GObject* source, GAsyncResult* result, gpointer data) {
                std::unique_ptr<Request> request(static_cast<Request*>(data));
                gsize length = 0;
                GError* error = nullptr;
                guchar* bytes =
                    webkit_web_resource_get_data_finish(WEBKIT_WEB_RESOURCE(source), result, &length, &error);
                const bool cancelled = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
                g_clear_error(&error);
                auto& resource = request->frame->report.resources[request->index];
                resource.bytes = measuredSize(bytes, length, request->resource, resource.bytes);
                g_free(bytes);
                auto engine = request->frame->engine.lock();
                if (cancelled || !engine) {
                    return;
                }
                if (--request->frame->outstanding == 0) {
                    (*engine)->frameMeasured(request->frame);
                }
            },
            new Request{frame, index, found->second});
    }
    if (frame->outstanding == 0) {
        frameMeasured(frame);
    }
}

void InspectionEngine::frameMeasured(const std::shared_ptr<PendingFrame>& frame) {
    --pendingFrames_;
    if (frameObserver_) {
        frameObserver_(frame->report);
    }
    if (inspection_.frameFinished(frame->report)) {
        disarmTimeOut();
        measurePageSize();
    }
}

void InspectionEngine::measurePageSize() {
    measuringSize_ = true;
    struct Measure {
        std::weak_ptr<InspectionEngine*> engine;
        GCancellable* cancellable;
    };
    webkit_web_view_save(
        view_, WEBKIT_SAVE_MODE_MHTML, cancellable_,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            std::unique_ptr<Measure> measure(static_cast<Measure*>(data));
            Owned<GInputStream> archive(webkit_web_view_save_finish(WEBKIT_WEB_VIEW(source), result, nullptr));
            if (!archive) {
                if (auto engine = measure->engine.lock(); engine && !g_cancellable_is_cancelled(measure->cancellable)) {
                    (*engine)->measuringSize_ = false;
                    (*engine)->inspection_.showPageSize(std::nullopt);
                }
                g_object_unref(measure->cancellable);
                return;
            }
            Owned<GOutputStream> sink(g_memory_output_stream_new_resizable());
            GOutputStream* target = sink.get();
            GCancellable* cancellable = measure->cancellable;
            g_output_stream_splice_async(
                target, archive.get(),
                static_cast<GOutputStreamSpliceFlags>(G_OUTPUT_STREAM_SPLICE_CLOSE_SOURCE |
                                                      G_OUTPUT_STREAM_SPLICE_CLOSE_TARGET),
                G_PRIORITY_DEFAULT, cancellable,
                [](GObject* stream, GAsyncResult* spliced, gpointer data) {
                    std::unique_ptr<Measure> measure(static_cast<Measure*>(data));
                    Owned<GOutputStream> sink(G_OUTPUT_STREAM(stream));
                    const gssize copied = g_output_stream_splice_finish(sink.get(), spliced, nullptr);
                    const bool cancelled = g_cancellable_is_cancelled(measure->cancellable);
                    g_object_unref(measure->cancellable);
                    auto engine = measure->engine.lock();
                    if (cancelled || !engine) {
                        return;
                    }
                    (*engine)->measuringSize_ = false;
                    (*engine)->inspection_.showPageSize(copied >= 0 ? std::optional<std::uint64_t>(copied)
                                                                    : std::nullopt);
                },
                measure.release());
            // The splice holds what it needs; the sink is released in its completion.
            sink.release();
        },
        new Measure{self_, G_CANCELLABLE(g_object_ref(cancellable_))});
}

} // namespace orvane::inspection
