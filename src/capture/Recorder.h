#pragma once
// Recording a run frame by frame: to a movie when the path ends in ".mp4", ".webm", ".mkv" or
// ".gif" (FFmpeg's libraries), or to numbered pictures when the path's file name holds one
// "%d"-style number ("frames/life-%05d.png", pictures by their extension).
//
// Nothing appears under a final name before it is complete: a movie is written to a hidden
// temporary file beside its path and renamed on Finish; pictures are written to temporary
// files and all renamed on Finish. Abort (or destroying an unfinished recorder) removes them.

#include <memory>
#include <string>
#include <vector>

#include "capture/Image.h"
#include "files/TemporaryFile.h"

namespace capture {

class MovieEncoder;

// How a path is recorded.
enum class RecordingKind { None, Movie, Pictures };

// What a path asks for; None with a reason (a text for the user) when it is neither a movie
// nor a pattern of picture names.
RecordingKind RecordingKindOf(const std::string& path, std::string* reason = nullptr);

// The file name of picture `number` of a pattern that RecordingKindOf takes as Pictures:
// the number in place of its "%d", "%5d" or "%05d" (a width pads with blanks, 0 and a width
// with zeros), "%%" as "%".
std::string NumberedName(const std::string& pattern, int number);

class Recorder {
public:
    Recorder();
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // Starts a recording of width x height frames at `fps` frames a second (movies). False,
    // with the reason on the trail and nothing left behind, on failure.
    bool Open(const std::string& path, int width, int height, double fps);
    // Adds a frame of the size given to Open. False, with the reason on the trail, on
    // failure; the recording is then aborted.
    bool AddFrame(const Image& image);
    // Completes the recording and puts it under its final name(s). False, with the reason on
    // the trail and nothing left behind, on failure (a recording without frames included).
    bool Finish();
    // Drops the recording and whatever it wrote.
    void Abort();

    bool IsOpen() const { return m_kind != RecordingKind::None; }
    RecordingKind Kind() const { return m_kind; }
    const std::string& Path() const { return m_path; }
    int FramesWritten() const { return m_frames; }
    int Width() const { return m_width; }    // of the frames, in pixels
    int Height() const { return m_height; }
    // The encoder used ("libx264", "libvpx-vp9", "gif", ...; the picture format's extension
    // for pictures).
    const std::string& Codec() const { return m_codec; }

private:
    RecordingKind m_kind { RecordingKind::None };
    std::string m_path;
    std::string m_codec;
    int m_width { 0 }, m_height { 0 };
    int m_frames { 0 };
    std::unique_ptr<files::TemporaryFile> m_movieFile;
    std::unique_ptr<MovieEncoder> m_encoder;
    std::vector<std::unique_ptr<files::TemporaryFile>> m_pictures;
};

}  // namespace capture
