#include "dialogs/Dialogs.h"

#include <gtk/gtk.h>

#include <memory>

namespace orvane::desktop {
namespace {

template <typename Done> struct Pending {
    Done done;
};

template <typename Done> gpointer hold(Done done) {
    return std::make_unique<Pending<Done>>(Pending<Done>{std::move(done)}).release();
}

template <typename Done> std::unique_ptr<Pending<Done>> take(gpointer data) {
    return std::unique_ptr<Pending<Done>>(static_cast<Pending<Done>*>(data));
}

using PathDone = std::function<void(std::optional<std::filesystem::path>)>;
using ConfirmDone = std::function<void(bool)>;

GtkFileFilter* makeFilter(const std::string& name, const std::string& pattern) {
    GtkFileFilter* filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, name.c_str());
    gtk_file_filter_add_pattern(filter, pattern.c_str());
    return filter;
}

std::optional<std::filesystem::path> pathOf(GFile* file) {
    if (file == nullptr) {
        return std::nullopt;
    }
    std::unique_ptr<char, decltype(&g_free)> path(g_file_get_path(file), g_free);
    g_object_unref(file);
    return path ? std::optional<std::filesystem::path>(path.get()) : std::nullopt;
}

} // namespace

#if GTK_CHECK_VERSION(4, 10, 0)

void chooseFileToSave(Gtk::Window& parent, const std::string& title, const std::string& suggestedName,
                      const std::string& filterName, const std::string& pattern, PathDone done) {
    GtkFileDialog* dialog = gtk_file_dialog_new();
    gtk_file_dialog_set_title(dialog, title.c_str());
    gtk_file_dialog_set_modal(dialog, TRUE);
    gtk_file_dialog_set_initial_name(dialog, suggestedName.c_str());
    GtkFileFilter* filter = makeFilter(filterName, pattern);
    gtk_file_dialog_set_default_filter(dialog, filter);
    g_object_unref(filter);
    gtk_file_dialog_save(
        dialog, parent.gobj(), nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            auto pending = take<PathDone>(data);
            GFile* file = gtk_file_dialog_save_finish(GTK_FILE_DIALOG(source), result, nullptr);
            pending->done(pathOf(file));
        },
        hold<PathDone>(std::move(done)));
    g_object_unref(dialog);
}

void confirm(Gtk::Window& parent, const Alert& alert, ConfirmDone done) {
    GtkAlertDialog* dialog = gtk_alert_dialog_new("%s", alert.message.c_str());
    gtk_alert_dialog_set_detail(dialog, alert.detail.c_str());
    const char* buttons[] = {alert.confirmTitle.c_str(), alert.cancelTitle.c_str(), nullptr};
    gtk_alert_dialog_set_buttons(dialog, buttons);
    gtk_alert_dialog_set_cancel_button(dialog, 1);
    gtk_alert_dialog_set_default_button(dialog, 1);
    gtk_alert_dialog_choose(
        dialog, parent.gobj(), nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            auto pending = take<ConfirmDone>(data);
            pending->done(gtk_alert_dialog_choose_finish(GTK_ALERT_DIALOG(source), result, nullptr) == 0);
        },
        hold<ConfirmDone>(std::move(done)));
    g_object_unref(dialog);
}

#else

void chooseFileToSave(Gtk::Window& parent, const std::string& title, const std::string& suggestedName,
                      const std::string& filterName, const std::string& pattern, PathDone done) {
    GtkFileChooserNative* chooser =
        gtk_file_chooser_native_new(title.c_str(), parent.gobj(), GTK_FILE_CHOOSER_ACTION_SAVE, nullptr, nullptr);
    gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(chooser), TRUE);
    gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(chooser), suggestedName.c_str());
    GtkFileFilter* filter = makeFilter(filterName, pattern);
    gtk_file_chooser_add_filter(GTK_FILE_CHOOSER(chooser), filter);
    g_object_unref(filter);
    g_signal_connect_data(
        chooser, "response", G_CALLBACK(+[](GtkNativeDialog* dialog, int response, gpointer data) {
            auto* pending = static_cast<Pending<PathDone>*>(data);
            std::optional<std::filesystem::path> path;
            if (response == GTK_RESPONSE_ACCEPT) {
                path = pathOf(gtk_file_chooser_get_file(GTK_FILE_CHOOSER(dialog)));
            }
            // Answered once: the handler goes with the dialog, which goes now.
            auto done = std::move(pending->done);
            g_object_unref(dialog);
            done(path);
        }),
        hold<PathDone>(std::move(done)), [](gpointer data, GClosure*) { take<PathDone>(data); }, GConnectFlags(0));
    gtk_native_dialog_show(GTK_NATIVE_DIALOG(chooser));
}

void confirm(Gtk::Window& parent, const Alert& alert, ConfirmDone done) {
    GtkWidget* dialog = gtk_message_dialog_new(parent.gobj(), GTK_DIALOG_MODAL, GTK_MESSAGE_WARNING, GTK_BUTTONS_NONE,
                                               "%s", alert.message.c_str());
    gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(dialog), "%s", alert.detail.c_str());
    gtk_dialog_add_button(GTK_DIALOG(dialog), alert.confirmTitle.c_str(), GTK_RESPONSE_ACCEPT);
    gtk_dialog_add_button(GTK_DIALOG(dialog), alert.cancelTitle.c_str(), GTK_RESPONSE_CANCEL);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
    g_signal_connect_data(
        dialog, "response", G_CALLBACK(+[](GtkDialog* self, int response, gpointer data) {
            auto* pending = static_cast<Pending<ConfirmDone>*>(data);
            auto done = std::move(pending->done);
            gtk_window_destroy(GTK_WINDOW(self));
            done(response == GTK_RESPONSE_ACCEPT);
        }),
        hold<ConfirmDone>(std::move(done)), [](gpointer data, GClosure*) { take<ConfirmDone>(data); },
        GConnectFlags(0));
    gtk_window_present(GTK_WINDOW(dialog));
}

#endif

} // namespace orvane::desktop
