// The input layer's picture for each frame: a PNG, a numbered PNG sequence
// ("in/%04d.png" or "in/####.png", one file a frame: FramePattern.h) or,
// when no file is given, a test picture of colour bars over a grey ramp.
#pragma once

#include <string>

#include "FramePattern.h"
#include "World.h"

namespace standin {

class InputPicture {
public:
    // Empty source: the test picture. Throws HostError for a bad pattern.
    explicit InputPicture(std::string source = {});

    bool is_sequence() const;
    // The file that frame `index` reads ("" for the test picture).
    std::string path_for(long index) const;
    // The layer at full resolution. A file must be width x height when
    // both are > 0; a width or height of 0 takes the file's. Throws
    // HostError (missing file, wrong size...).
    World frame(long index, A_long width, A_long height, bool deep) const;

    // The test picture: opaque, the same for every frame.
    static World test_picture(A_long width, A_long height, bool deep);

private:
    std::string source_;
    FramePattern pattern_;
};

} // namespace standin
