#include "PendingFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "Module.h"

namespace standin {

namespace {

constexpr char kSuffix[] = ".part";

// mkstemp makes 0600; a finished file gets the mode open(2) would give it.
// Read once at start-up: umask can only be read by setting it, which must not
// happen while other threads create files.
const mode_t g_file_mode = [] {
    const mode_t mask = umask(022);
    umask(mask);
    return 0666 & ~mask;
}();

} // namespace

PendingFile::PendingFile(std::string path) : path_(std::move(path)), temp_(path_ + ".XXXXXX" + kSuffix)
{
    const int fd = mkstemps(temp_.data(), int(sizeof kSuffix - 1));
    if (fd < 0)
        throw HostError("cannot write '" + path_ + "': " + std::strerror(errno));
    if (fchmod(fd, g_file_mode) != 0 || !(file_ = fdopen(fd, "wb"))) {
        const int err = errno;
        ::close(fd);
        unlink(temp_.c_str());
        throw HostError("cannot write '" + path_ + "': " + std::strerror(err));
    }
}

PendingFile::~PendingFile() { discard(); }

PendingFile::PendingFile(PendingFile&& other) noexcept
    : path_(std::move(other.path_)), temp_(std::exchange(other.temp_, {})), file_(std::exchange(other.file_, nullptr))
{
}

PendingFile& PendingFile::operator=(PendingFile&& other) noexcept
{
    if (this != &other) {
        discard();
        path_ = std::move(other.path_);
        temp_ = std::exchange(other.temp_, {});
        file_ = std::exchange(other.file_, nullptr);
    }
    return *this;
}

void PendingFile::discard() noexcept
{
    if (file_)
        std::fclose(std::exchange(file_, nullptr));
    if (!temp_.empty())
        unlink(std::exchange(temp_, {}).c_str());
}

void PendingFile::close()
{
    if (!file_)
        return;
    const bool written = !std::ferror(file_);
    const bool closed = std::fclose(std::exchange(file_, nullptr)) == 0;
    if (!written || !closed)
        throw HostError("cannot write '" + path_ + "': " + (errno ? std::strerror(errno) : "write failed"));
}

void PendingFile::commit()
{
    if (temp_.empty())
        throw HostError("'" + path_ + "' was already written");
    close();
    if (std::rename(temp_.c_str(), path_.c_str()) != 0)
        throw HostError("cannot rename '" + temp_ + "' to '" + path_ + "': " + std::strerror(errno));
    temp_.clear();
}

} // namespace standin
