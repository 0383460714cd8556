#include "panes/HelpScheme.h"

#include <webkit/webkit.h>

#include <memory>
#include <string>
#include <string_view>

namespace orvane::desktop {
namespace {

constexpr const char* kHelpResources = "/com/larkmoor/Orvane/panes/help";

const char* contentType(std::string_view path) {
    if (path.ends_with(".html")) {
        return "text/html";
    }
    if (path.ends_with(".css")) {
        return "text/css";
    }
    if (path.ends_with(".svg")) {
        return "image/svg+xml";
    }
    if (path.ends_with(".png")) {
        return "image/png";
    }
    return "application/octet-stream";
}

void serve(WebKitURISchemeRequest* request, gpointer) {
    const std::string path = webkit_uri_scheme_request_get_path(request);
    const std::string resource = kHelpResources + path;
    GError* error = nullptr;
    gsize size = 0;
    GInputStream* stream = nullptr;
    if (path.starts_with("/") && g_resources_get_info(resource.c_str(), G_RESOURCE_LOOKUP_FLAGS_NONE, &size,
                                                      nullptr, &error)) {
        stream = g_resources_open_stream(resource.c_str(), G_RESOURCE_LOOKUP_FLAGS_NONE, &error);
    }
    if (stream == nullptr) {
        if (error == nullptr) {
            error = g_error_new(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "No help page at %s", path.c_str());
        }
        webkit_uri_scheme_request_finish_error(request, error);
        g_error_free(error);
        return;
    }
    webkit_uri_scheme_request_finish(request, stream, static_cast<gint64>(size), contentType(path));
    g_object_unref(stream);
}

} // namespace

void registerHelpScheme() {
    static const bool registered = [] {
        WebKitWebContext* context = webkit_web_context_get_default();
        webkit_web_context_register_uri_scheme(context, kHelpScheme, serve, nullptr, nullptr);
        webkit_security_manager_register_uri_scheme_as_secure(webkit_web_context_get_security_manager(context),
                                                              kHelpScheme);
        return true;
    }();
    (void)registered;
}

} // namespace orvane::desktop
