#include "StateFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "Files.h"

namespace runner {

namespace {

constexpr std::size_t kBlockSize = 258;

void warn(const std::string& what)
{
    std::fprintf(stderr, "marrowtick: %s\n", what.c_str());
}

// Reads at most max_bytes + 1 bytes, so a longer file shows as too long.
bool read_file(const std::string& path, std::size_t max_bytes, std::vector<uint8_t>& bytes,
               std::string& why)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        why = std::strerror(errno);
        return false;
    }
    bytes.resize(max_bytes + 1);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    const bool ok = !std::ferror(file);
    if (!ok)
        why = std::strerror(errno);
    std::fclose(file);
    return ok;
}

// A temporary file beside `path`, renamed over it once complete: a reader
// sees the old file or the new one, never a part.
bool write_atomically(const std::string& path, const std::vector<uint8_t>& bytes, std::string& why)
{
    std::string temp = path + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    struct stat old {};
    const mode_t mode = stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    bool ok = fchmod(fd, mode) == 0;
    for (std::size_t done = 0; ok && done < bytes.size();) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        done += ok ? std::size_t(n) : 0;
    }
    ok = ok && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && std::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        why = std::strerror(errno);
        unlink(temp.c_str());
    }
    return ok;
}

} // namespace

StateFile::StateFile(std::string file) : name_(std::move(file)), path_(link_target(name_))
{
    // A FIFO would block the read; a folder or a device is no state.
    struct stat st {};
    if (stat(path_.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        throw std::runtime_error("--state " + name_ + ": not a regular file");
}

std::string StateFile::invalid_reason(const std::vector<uint8_t>& block)
{
    if (block.size() > kBlockSize)
        return "it is longer than " + std::to_string(kBlockSize) + " bytes";
    if (block.size() < kBlockSize)
        return "it holds " + std::to_string(block.size()) + " bytes, not " +
               std::to_string(kBlockSize);
    if (block[0] != 1)
        return "its first byte is " + std::to_string(block[0]) + ", not 1";
    if (block[kBlockSize - 2] != 0)
        return "its font name is not terminated";
    return "";
}

PF_Err StateFile::open(standin::Host& host)
{
    if (path_.empty() || (access(path_.c_str(), F_OK) != 0 && errno == ENOENT))
        return host.create_instance();

    std::vector<uint8_t> stored;
    std::string why;
    if (!read_file(path_, kBlockSize, stored, why))
        why = "cannot be read (" + why + ")";
    else if (std::string reason = invalid_reason(stored); !reason.empty())
        why = "is not a state block: " + reason;
    if (why.empty()) {
        const PF_Err err = host.reopen(stored);
        if (err == PF_Err_NONE)
            return err;
        why = "could not be reopened: the effect answered error " + std::to_string(err);
    }
    may_write_ = false;
    warn(name_ + " " + why + "; going on with a fresh instance and leaving the file as it is");
    return host.create_instance();
}

std::string StateFile::unwritable_reason() const
{
    if (path_.empty() || !may_write_)
        return "";
    // Renaming over a file that the user may not write would replace it.
    struct stat st {};
    if (stat(path_.c_str(), &st) == 0 && (access(path_.c_str(), W_OK) != 0 || !(st.st_mode & 0222)))
        return "cannot write " + name_ + ": it is read-only";
    // The temporary that write_atomically would make.
    std::string probe = path_ + ".XXXXXX";
    const int fd = mkstemp(probe.data());
    if (fd < 0)
        return "cannot write " + name_ + ": " + std::strerror(errno);
    close(fd);
    unlink(probe.c_str());
    return "";
}

bool StateFile::store(standin::Host& host)
{
    block_.clear();
    if (const PF_Err err = host.save(block_)) {
        warn("saving the instance failed with error " + std::to_string(err));
        return false;
    }
    if (const std::string reason = invalid_reason(block_); !reason.empty()) {
        warn("the effect's saved block is not a state block: " + reason);
        return false;
    }
    if (path_.empty() || !may_write_)
        return true;
    if (const std::string why = unwritable_reason(); !why.empty()) {
        warn(why);
        return false;
    }
    std::string why;
    if (!write_atomically(path_, block_, why)) {
        warn("cannot write " + name_ + ": " + why);
        return false;
    }
    return true;
}

} // namespace runner
