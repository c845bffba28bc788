// The name of the input picture: one file, or a numbered sequence in which
// one run of '#' (as wide as the run) or one %d / %0Nd stands for the frame
// number, zero-padded. In a %-pattern "%%" is a literal '%'; in a #-pattern
// every '%' is literal. A name without either is one file, taken byte for
// byte ("100%.png"). The name is never handed to printf.
#pragma once

#include <string>

namespace standin {

class FramePattern {
public:
    // Throws HostError with a one-line reason when the name holds more than
    // one frame number, or a %-conversion other than %d, %0Nd and %%
    // beside one.
    explicit FramePattern(const std::string& name);

    bool numbered() const { return numbered_; }
    // The file of frame `index` (>= 0); the name itself when not numbered.
    std::string path(long index) const;

private:
    std::string before_, after_; // around the number; before_ is the whole name when not numbered
    int width_ = 0;              // zero-padded to at least this many digits
    bool numbered_ = false;
};

} // namespace standin
