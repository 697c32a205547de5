#pragma once
// A movie written through FFmpeg's libraries: the container by the target's extension, the
// first encoder of the container's list that the libraries have, frames converted from the
// world's pixels (and given a palette for GIF).

#include <memory>
#include <string>

#include "capture/Image.h"

namespace capture {

// Whether the extension (lower case, with its dot) is one of a movie: ".mp4", ".webm", ".mkv",
// ".gif".
bool IsMovieExtension(const std::string& extension);

class MovieEncoder {
public:
    MovieEncoder();
    ~MovieEncoder();  // drops an unfinished movie's resources (the file is the caller's)
    MovieEncoder(const MovieEncoder&) = delete;
    MovieEncoder& operator=(const MovieEncoder&) = delete;

    // Opens `file` (which exists and is replaced) for a movie of the container that
    // `extension` names, width x height frames at `fps` a second. Codecs that take only even
    // sizes get one more column or row repeating the edge. False, with the reason on the
    // trail, on failure.
    bool Open(const std::string& file, const std::string& extension, int width, int height, double fps);
    bool Add(const Image& image);
    // Drains the encoder, writes the container's index and closes the file; false, with the
    // reason on the trail, when anything of that failed (a full disk included).
    bool Finish();

    const std::string& Codec() const { return m_codec; }

private:
    struct State;
    std::unique_ptr<State> m_state;
    std::string m_codec;
};

}  // namespace capture
