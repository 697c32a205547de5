#pragma once
// The framework's one top-level window on SDL: creation with a client size and a style, the
// style change between windowed and full screen, title, cursor visibility and mouse capture.
// Window calls after creation ignore SDL's results: nothing could be done about them.

#include <cstdint>
#include <source_location>
#include <string>
#include <string_view>

struct SDL_Window;

namespace platform {

enum class WindowStyle {
    FullScreen,           // borderless; the graphics device puts it in full screen
    Fixed,                // caption and minimise box, no sizing frame
    ResizableWithMaximum, // sizing frame; the size has an upper limit
    Resizable,            // sizing frame, every box
};

struct WindowSettings {
    std::string Title;            // UTF-8
    int ClientWidth { 800 };      // pixels
    int ClientHeight { 600 };     // pixels
    WindowStyle Style { WindowStyle::Resizable };
    // Client-area limits in pixels for a resizable window; 0 or less means no limit.
    int MinWidth { 0 }, MinHeight { 0 }, MaxWidth { 0 }, MaxHeight { 0 };
    bool OpenGL { true };         // the window will carry an OpenGL context
};

class SdlWindow {
public:
    SdlWindow() = default;
    SdlWindow(const SdlWindow&) = delete;
    SdlWindow& operator=(const SdlWindow&) = delete;
    ~SdlWindow() { Destroy(); }

    // Starts SDL's video subsystem (counted: each successful start needs one stop). On failure
    // records "(SDL) ..." and `message` at the caller's position, and returns false.
    static bool StartVideo(std::string_view message, std::source_location where = std::source_location::current());
    static void StopVideo();

    // Creates the window, shown; on failure records "(SDL) ..." and `message` at the caller's
    // position.
    bool Create(const WindowSettings& settings, std::string_view message,
                std::source_location where = std::source_location::current());
    void Destroy();
    bool Exists() const { return m_window != nullptr; }
    SDL_Window* Handle() const { return m_window; }
    uint32_t Id() const;

    void SetTitle(const std::string& utf8Title);
    // The client area in pixels; 0 x 0 without a window.
    void ClientSize(int& width, int& height) const;

    // Gives the window the frame of another style (borderless for full screen, with or without
    // a sizing frame in a window), keeping the window. Full screen itself is the device's.
    void ApplyStyle(const WindowSettings& settings);
    // Gives a windowed window its client size and limits, moves it to the screen's top left
    // corner, shows it and takes it out of the always-on-top band.
    void PlaceWindowed(const WindowSettings& settings);

    // Moves the show counter one step; the cursor is visible while the counter is 0 or more.
    void ShowCursor(bool show);
    int CursorCounter() const { return m_cursorCounter; }

    void CaptureMouse();
    void ReleaseMouse();
    bool MouseCaptured() const { return m_captured; }

private:
    void ApplyLimits(const WindowSettings& settings);

    SDL_Window* m_window { nullptr };
    int m_cursorCounter { 0 };
    bool m_captured { false };
};

}  // namespace platform
