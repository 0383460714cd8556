#pragma once

// What the WebKit view tests share: owned GObjects, a main loop run until a condition holds, the
// compiled content blocker as the browser loads it, a small local server and a view that loads a
// page until its title tells the outcome.

#include <glib-object.h>
#include <libsoup/soup.h>
#include <webkit/webkit.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace orvane::test {

template <typename Object>
struct Unref {
    void operator()(Object* object) const { g_object_unref(object); }
};
template <typename Object>
using Owned = std::unique_ptr<Object, Unref<Object>>;

// Runs the default main context until `done` holds; false when `limit` passed first. The timer
// only wakes the loop to give up; nothing waits for a fixed time.
bool runUntil(const std::function<bool()>& done, std::chrono::seconds limit = std::chrono::seconds(60));

// A 1×1 transparent PNG.
std::string_view pixelPng();

// A server on 127.0.0.1 handing every request to `handler`; its address ends in "/".
struct LocalServer {
    LocalServer(SoupServerCallback handler, void* data);
    Owned<SoupServer> server;
    std::string address;
};

// The filter that the rebuild compiled into `store`, as the browser loads it; null (and a test
// failure) when it cannot be loaded within `limit`.
WebKitUserContentFilter* compiledFilter(const std::filesystem::path& store,
                                        std::chrono::seconds limit = std::chrono::seconds(60));

// Loads `url` in a new view (through `proxy` when it is not empty) and answers the page's title
// once it starts with `titlePrefix`, or whatever it is when `limit` passes.
std::string visit(const std::string& url, WebKitUserContentFilter* filter, const std::string& titlePrefix,
                  const std::string& proxy = {}, std::chrono::seconds limit = std::chrono::seconds(60));

} // namespace orvane::test
