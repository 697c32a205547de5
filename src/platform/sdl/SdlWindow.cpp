#include "platform/sdl/SdlWindow.h"

#include <SDL.h>

#include "platform/sdl/SdlCheck.h"

namespace platform {

namespace {

// SDL's own limit for an unlimited maximum size.
constexpr int NoMaximum = 16384;

bool Windowed(WindowStyle style) { return style != WindowStyle::FullScreen; }

bool Resizable(WindowStyle style) {
    return style == WindowStyle::Resizable || style == WindowStyle::ResizableWithMaximum;
}

}  // namespace

bool SdlWindow::StartVideo(std::string_view message, std::source_location where) {
    // The framework captures the mouse itself, from a press to the next button event.
    SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        CheckSdl(message, where);
        return false;
    }
    return true;
}

void SdlWindow::StopVideo() { SDL_QuitSubSystem(SDL_INIT_VIDEO); }

bool SdlWindow::Create(const WindowSettings& settings, std::string_view message, std::source_location where) {
    Destroy();
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (settings.OpenGL) flags |= SDL_WINDOW_OPENGL;
    if (Resizable(settings.Style)) flags |= SDL_WINDOW_RESIZABLE;
    if (!Windowed(settings.Style)) flags |= SDL_WINDOW_BORDERLESS;
    m_window = SDL_CreateWindow(settings.Title.c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                settings.ClientWidth, settings.ClientHeight, flags);
    if (m_window == nullptr) {
        CheckSdl(message, where);
        return false;
    }
    ApplyLimits(settings);
    SDL_ShowWindow(m_window);
    return true;
}

void SdlWindow::Destroy() {
    if (m_window == nullptr) return;
    ReleaseMouse();
    SDL_DestroyWindow(m_window);
    m_window = nullptr;
}

uint32_t SdlWindow::Id() const { return m_window ? SDL_GetWindowID(m_window) : 0; }

void SdlWindow::SetTitle(const std::string& utf8Title) {
    if (m_window) SDL_SetWindowTitle(m_window, utf8Title.c_str());
}

void SdlWindow::ClientSize(int& width, int& height) const {
    width = height = 0;
    if (m_window) SDL_GetWindowSize(m_window, &width, &height);
}

void SdlWindow::ApplyLimits(const WindowSettings& settings) {
    if (!Resizable(settings.Style)) return;
    // SDL wants both limits of a pair; a missing one becomes the widest possible.
    if (settings.MinWidth > 0 || settings.MinHeight > 0)
        SDL_SetWindowMinimumSize(m_window, settings.MinWidth > 0 ? settings.MinWidth : 1,
                                 settings.MinHeight > 0 ? settings.MinHeight : 1);
    if (settings.MaxWidth > 0 || settings.MaxHeight > 0)
        SDL_SetWindowMaximumSize(m_window, settings.MaxWidth > 0 ? settings.MaxWidth : NoMaximum,
                                 settings.MaxHeight > 0 ? settings.MaxHeight : NoMaximum);
}

void SdlWindow::ApplyStyle(const WindowSettings& settings) {
    if (m_window == nullptr) return;
    SDL_SetWindowBordered(m_window, Windowed(settings.Style) ? SDL_TRUE : SDL_FALSE);
    SDL_SetWindowResizable(m_window, Resizable(settings.Style) ? SDL_TRUE : SDL_FALSE);
}

void SdlWindow::PlaceWindowed(const WindowSettings& settings) {
    if (m_window == nullptr || !Windowed(settings.Style)) return;
    SDL_SetWindowSize(m_window, settings.ClientWidth, settings.ClientHeight);
    ApplyLimits(settings);
    SDL_SetWindowPosition(m_window, 0, 0);
    SDL_ShowWindow(m_window);
    SDL_SetWindowAlwaysOnTop(m_window, SDL_FALSE);
}

void SdlWindow::ShowCursor(bool show) {
    m_cursorCounter += show ? 1 : -1;
    SDL_ShowCursor(m_cursorCounter >= 0 ? SDL_ENABLE : SDL_DISABLE);
}

void SdlWindow::CaptureMouse() {
    m_captured = true;
    SDL_CaptureMouse(SDL_TRUE);
}

void SdlWindow::ReleaseMouse() {
    if (!m_captured) return;
    m_captured = false;
    SDL_CaptureMouse(SDL_FALSE);
}

}  // namespace platform
