#include "platform/gtk/DesktopFileChooser.h"

#include <fnmatch.h>
#include <gtk/gtk.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

namespace platform {

namespace {

bool StartGtk() {
    static const bool started = [] {
        // GTK would otherwise switch the process to the user's locale, and with it the
        // decimal separator of every number the program formats or parses.
        gtk_disable_setlocale();
        return gtk_init_check(nullptr, nullptr) != FALSE;
    }();
    return started;
}

gboolean MatchFilter(const GtkFileFilterInfo* info, gpointer data) {
    const auto* pattern = static_cast<const std::string*>(data);
    const char* name = info->display_name;
    return name != nullptr && MatchesFilterPattern(name, *pattern);
}

void DeletePattern(gpointer data) { delete static_cast<std::string*>(data); }

bool IsRegularFile(const char* path) {
    struct stat status {};
    return stat(path, &status) == 0 && S_ISREG(status.st_mode);
}

bool IsDirectory(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

std::string DirectoryOfPath(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void FinishPendingEvents() {
    while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

}  // namespace

bool MatchesFilterPattern(const std::string& fileName, const std::string& pattern) {
    size_t start = 0;
    while (start <= pattern.size()) {
        size_t end = pattern.find(';', start);
        if (end == std::string::npos) end = pattern.size();
        std::string one = pattern.substr(start, end - start);
        if (one == "*.*" || one == "*") return true;
        if (!one.empty() && fnmatch(one.c_str(), fileName.c_str(), FNM_CASEFOLD) == 0) return true;
        start = end + 1;
    }
    return false;
}

bool DesktopFileChooser::Choose(const FileChooserRequest& request, std::string& path, size_t& selectedFilter) {
    if (!StartGtk()) return false;
    GtkFileChooserAction action = request.Save ? GTK_FILE_CHOOSER_ACTION_SAVE : GTK_FILE_CHOOSER_ACTION_OPEN;
    GtkWidget* dialog = gtk_file_chooser_dialog_new(request.Title.c_str(), nullptr, action, "_Anuluj",
                                                    GTK_RESPONSE_CANCEL, request.Save ? "_Zapisz" : "_Otwórz",
                                                    GTK_RESPONSE_ACCEPT, nullptr);
    if (dialog == nullptr) return false;
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    gtk_file_chooser_set_local_only(chooser, TRUE);
    gtk_file_chooser_set_do_overwrite_confirmation(chooser, request.Save ? TRUE : FALSE);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);

    // Without a folder of its own the dialog starts in the current directory, which the last
    // choice made its folder (below).
    if (char* current = g_get_current_dir()) {
        gtk_file_chooser_set_current_folder(chooser, current);
        g_free(current);
    }
    if (!request.FileName.empty()) {
        if (request.Save)
            gtk_file_chooser_set_current_name(chooser, request.FileName.c_str());
        else
            gtk_file_chooser_set_filename(chooser, request.FileName.c_str());
    }

    std::vector<GtkFileFilter*> filters;
    for (const base::FileFilter& entry : request.Filters) {
        GtkFileFilter* filter = gtk_file_filter_new();
        gtk_file_filter_set_name(filter, entry.Name.c_str());
        gtk_file_filter_add_custom(filter, GTK_FILE_FILTER_DISPLAY_NAME, MatchFilter, new std::string(entry.Pattern),
                                   DeletePattern);
        gtk_file_chooser_add_filter(chooser, filter);  // the chooser takes the filter
        filters.push_back(filter);
    }
    if (request.SelectedFilter < filters.size()) gtk_file_chooser_set_filter(chooser, filters[request.SelectedFilter]);

    bool chosen = false;
    std::string chosenPath;
    for (;;) {
        if (gtk_dialog_run(GTK_DIALOG(dialog)) != GTK_RESPONSE_ACCEPT) break;
        std::unique_ptr<gchar, decltype(&g_free)> name(gtk_file_chooser_get_filename(chooser), g_free);
        if (!name) continue;
        // An open needs an existing file and a save an existing folder; anything else keeps
        // the dialog open.
        if (request.Save ? !IsDirectory(DirectoryOfPath(name.get())) : !IsRegularFile(name.get())) continue;
        chosenPath = name.get();
        chosen = true;
        break;
    }
    if (chosen) {
        GtkFileFilter* filter = gtk_file_chooser_get_filter(chooser);
        for (size_t i = 0; i < filters.size(); ++i)
            if (filters[i] == filter) selectedFilter = i;
        path = chosenPath;
        // Like the platform's standard dialogs, a choice makes its folder the current
        // directory, so the next dialog starts there.
        // Failing that (the folder vanished meanwhile), the old current directory stays.
        int changed = chdir(DirectoryOfPath(chosenPath).c_str());
        (void)changed;
    }
    gtk_widget_destroy(dialog);
    FinishPendingEvents();
    return chosen;
}

}  // namespace platform
