// A file written under a unique temporary name in its final folder and
// renamed to its name once complete: a file with that name is always whole,
// and runs that write the same name at once never share a temporary.
#pragma once

#include <cstdio>
#include <string>

namespace standin {

class PendingFile {
public:
    // Creates "<path>.XXXXXX.part" (mode 0666 less the umask). Throws
    // HostError when the folder takes no new file.
    explicit PendingFile(std::string path);
    // Removes the temporary unless commit() renamed it.
    ~PendingFile();
    PendingFile(PendingFile&& other) noexcept;
    PendingFile& operator=(PendingFile&& other) noexcept;
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Open for writing until close() or commit(); owned by this object.
    std::FILE* file() const { return file_; }
    const std::string& path() const { return path_; }
    const std::string& temp_path() const { return temp_; }

    // Flushes and closes; throws HostError when a write failed.
    void close();
    // Closes when open, then renames the temporary to the path. Throws HostError.
    void commit();

private:
    void discard() noexcept;

    std::string path_, temp_;
    std::FILE* file_ = nullptr;
};

} // namespace standin
