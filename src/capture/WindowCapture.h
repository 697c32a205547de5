#pragma once
// The workbench's picture and recording keys: F12 saves a picture of the window's world area,
// F9 starts and stops a recording of it to a movie, both in the user's pictures folder under
// names numbered after the definition's ("life-0003.png", "life-0001.mp4").
//
// The window asks for them from its key handler and hands over each frame once it is drawn
// (after the scene ends, before it is presented): the world area is then read from the back
// buffer, so what is saved is exactly what the window shows. Every outcome is a status for
// the status line; failures are statuses, never errors that end the run (the trail is left
// empty).

#include <string>

#include "capture/Recorder.h"
#include "files/FileStatus.h"
#include "platform/Device.h"

namespace capture {

class WindowCapture {
public:
    // `definitionPath` names the pictures; `folder` is where they go (PicturesFolder() when
    // empty, asked at the first picture or recording).
    explicit WindowCapture(std::string definitionPath, std::string folder = {});

    // Where the pictures and movies go from now on.
    void SetFolder(std::string folder) { m_folder = std::move(folder); }

    // F12: the next frame handed over is saved as a picture.
    void RequestPicture() { m_pictureRequested = true; }
    // F9: starts a recording with the next frame handed over, or finishes the one under way.
    // The status says what happened (a finished recording, or a failed finish).
    files::FileStatus ToggleRecording();
    bool Recording() const { return m_recorder.IsOpen() || m_recordingRequested; }

    // A frame is drawn on `device` (an OpenGL device) at `time` seconds of the framework's
    // clock. Saves the picture asked for, and adds a frame to the recording when a frame of
    // the movie is due (RecordingFps a second, whatever the window's frame rate). A status is
    // returned when there is something to show (`shown` true): the picture's path, a failure,
    // a recording started or stopped.
    files::FileStatus FrameDrawn(platform::Device& device, double time, bool& shown);

    // What the status line says while recording: "Nagrywanie: " + path + " (" + frames + ")";
    // empty before the first frame of a recording.
    std::string RecordingText() const;

    static constexpr double RecordingFps = 30;

private:
    const std::string& Folder();

    std::string m_definitionPath;
    std::string m_folder;
    bool m_pictureRequested { false };
    bool m_recordingRequested { false };
    double m_nextFrameTime { 0 };  // seconds of the framework's clock
    Recorder m_recorder;
};

}  // namespace capture
