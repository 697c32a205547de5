#include "capture/WindowCapture.h"

#include "capture/Pictures.h"
#include "capture/WorldArea.h"
#include "errors/ErrorTrail.h"

namespace capture {

using core::StatusInfoColor;
using core::StatusWarningColor;

WindowCapture::WindowCapture(std::string definitionPath, std::string folder)
    : m_definitionPath(std::move(definitionPath)), m_folder(std::move(folder)) {}

const std::string& WindowCapture::Folder() {
    if (m_folder.empty()) m_folder = PicturesFolder();
    return m_folder;
}

files::FileStatus WindowCapture::ToggleRecording() {
    if (m_recordingRequested) {  // asked for and taken back before a frame was drawn
        m_recordingRequested = false;
        return {"Nagrywanie przerwane", StatusInfoColor};
    }
    if (!m_recorder.IsOpen()) {
        m_recordingRequested = true;
        return {"Nagrywanie zacznie się z następną klatką", StatusInfoColor};
    }
    const std::string path = m_recorder.Path();
    const int frames = m_recorder.FramesWritten();
    files::FileStatus status {"Nagranie zostało zapisane: " + path + " (klatki: " + std::to_string(frames) + ")", StatusInfoColor};
    if (!m_recorder.Finish()) status = {"Błąd - nie można zapisać nagrania " + path, StatusWarningColor};
    errors::ClearErrors();
    return status;
}

files::FileStatus WindowCapture::FrameDrawn(platform::Device& device, double time, bool& shown) {
    shown = false;
    files::FileStatus status;
    const bool frameDue = m_recorder.IsOpen() && time >= m_nextFrameTime;
    if (!m_pictureRequested && !m_recordingRequested && !frameDue) return status;

    Image image;
    if (!ReadWorldArea(device, image)) {
        errors::ClearErrors();
        m_pictureRequested = m_recordingRequested = false;
        m_recorder.Abort();
        shown = true;
        return {"Błąd - nie można odczytać obrazu świata", StatusWarningColor};
    }
    if (m_pictureRequested) {
        m_pictureRequested = false;
        shown = true;
        const std::string path = NextNumberedPath(Folder(), m_definitionPath, ".png");
        status = !path.empty() && SaveImage(image, path) ? files::FileStatus {"Obrazek został zapisany: " + path, StatusInfoColor}
                                                         : files::FileStatus {"Błąd - nie można zapisać obrazka", StatusWarningColor};
        errors::ClearErrors();
    }
    if (m_recordingRequested) {
        m_recordingRequested = false;
        shown = true;
        const std::string path = NextNumberedPath(Folder(), m_definitionPath, ".mp4");
        if (path.empty() || !m_recorder.Open(path, image.Width, image.Height, RecordingFps)) {
            errors::ClearErrors();
            return {"Błąd - nie można nagrywać do " + (path.empty() ? Folder() : path), StatusWarningColor};
        }
        m_nextFrameTime = time;
        status = {RecordingText(), StatusInfoColor};
    }
    if (m_recorder.IsOpen() && time >= m_nextFrameTime) {
        if (image.Width != m_recorder.Width() || image.Height != m_recorder.Height()) {
            // The window changed its size: the movie keeps its own, so it ends with what it has.
            shown = true;
            files::FileStatus finished = ToggleRecording();
            if (finished.Succeeded()) finished.Text += "; zmienił się rozmiar okna";
            return finished;
        }
        if (!m_recorder.AddFrame(image)) {
            const std::string path = m_recorder.Path();
            m_recorder.Abort();
            errors::ClearErrors();
            shown = true;
            return {"Błąd - nagrywanie do " + path + " przerwane", StatusWarningColor};
        }
        // The movie's clock: one frame each period; a window that lags skips periods.
        m_nextFrameTime += 1.0 / RecordingFps;
        if (m_nextFrameTime < time) m_nextFrameTime = time + 1.0 / RecordingFps;
    }
    return status;
}

std::string WindowCapture::RecordingText() const {
    if (!m_recorder.IsOpen()) return {};
    return "Nagrywanie: " + m_recorder.Path() + " (" + std::to_string(m_recorder.FramesWritten()) + ")";
}

}  // namespace capture
