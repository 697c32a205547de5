// The table and picture commands of the workbench: the dialog that asks for the file, around
// the file work of the files library. Each is refused in full screen, where no dialog can be
// shown over the picture; the clock stands still while its dialog is open.

#include <span>

#include "app/Application.h"
#include "files/FileCommands.h"
#include "files/FileFilters.h"
#include "frame/FileDialog.h"
#include "frame/FilterList.h"

namespace app {

namespace {

// The dialog's list: each entry of `filters` but the last (all files), shown with its
// pattern, then the all-files entry.
std::vector<base::FileFilter> DialogFilters(std::span<const base::FileFilter> filters) {
    frame::FilterList list;
    list.ClearFilters();
    for (const base::FileFilter& filter : filters.first(filters.size() - 1)) list.AddFilter(filter.Name, filter.Pattern, true);
    return list.FinishFilters(true);
}

// The path the user chose in a dialog, and the 1-based entry of its list that was selected.
struct Choice {
    bool Chosen { false };
    std::string Path;
    int Filter { 0 };
};

Choice Ask(frame::FileDialogKind kind, std::string_view title, std::span<const base::FileFilter> filters) {
    Choice choice;
    choice.Chosen = frame::FileDialog(kind, title, DialogFilters(filters), choice.Path, &choice.Filter);
    return choice;
}

}  // namespace

bool Application::RefusedInFullScreen() {
    if (!m_services.DisplayMode().FullScreen) return false;
    m_state.SetStatus("Ta funkcja nie działa w trybie pełnoekranowym", core::StatusWarningColor);
    return true;
}

void Application::ShowStatus(const files::FileStatus& status) { m_state.SetStatus(status.Text, status.Color); }

void Application::LoadTableCommand() {
    if (RefusedInFullScreen()) return;
    m_services.Pause();
    const Choice choice = Ask(frame::FileDialogKind::Open, "Wczytaj tablicę", files::LoadTableFilters);
    if (choice.Chosen) ShowStatus(files::LoadTableCommand(m_automaton, choice.Path));
    m_services.Resume();
}

void Application::SaveTableCommand() {
    if (RefusedInFullScreen()) return;
    m_services.Pause();
    const Choice choice = Ask(frame::FileDialogKind::Save, "Zapisz tablicę", files::SaveTableFilters);
    if (choice.Chosen) ShowStatus(files::SaveTableCommand(m_automaton, choice.Path, choice.Filter));
    m_services.Resume();
}

void Application::LoadImageCommand() {
    if (RefusedInFullScreen()) return;
    m_services.Pause();
    const Choice choice = Ask(frame::FileDialogKind::Open, "Wczytaj obrazek", files::LoadImageFilters);
    // The dialog is closed: the window is drawn again while the picture's script runs.
    m_services.Resume();
    if (choice.Chosen) RunScript([&] { ShowStatus(files::LoadImageCommand(m_automaton, choice.Path)); });
}

void Application::SaveImageCommand() {
    if (RefusedInFullScreen()) return;
    m_services.Pause();
    const Choice choice = Ask(frame::FileDialogKind::Save, "Zapisz obrazek", files::SaveImageFilters);
    // The dialog is closed: the window is drawn again while the picture's script runs.
    m_services.Resume();
    if (choice.Chosen) RunScript([&] { ShowStatus(files::SaveImageCommand(m_automaton, choice.Path, choice.Filter)); });
}

}  // namespace app
