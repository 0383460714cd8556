#include "platform/Trash.h"

#include <gio/gio.h>

#include <memory>

namespace orvane {
namespace {

struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct ErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};

} // namespace

bool moveToTrash(const std::filesystem::path& path, std::string* error) {
    std::unique_ptr<GFile, ObjectUnref> file(g_file_new_for_path(path.c_str()));
    GError* raw = nullptr;
    const bool trashed = g_file_trash(file.get(), nullptr, &raw);
    std::unique_ptr<GError, ErrorFree> failure(raw);
    if (!trashed && error != nullptr) {
        *error = failure ? failure->message : "unknown error";
    }
    return trashed;
}

} // namespace orvane
