#include "Files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace runner {

std::string unreadable_file(const std::string& path)
{
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return errno == ENOENT ? "is missing" : std::string("cannot be read: ") + std::strerror(errno);
    if (!S_ISREG(st.st_mode))
        return "is not a regular file";
    if (access(path.c_str(), R_OK) != 0)
        return std::string("cannot be read: ") + std::strerror(errno);
    return "";
}

std::string unreadable_png(const std::string& path)
{
    if (std::string why = unreadable_file(path); !why.empty())
        return why;
    png_byte signature[8] = {};
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return std::string("cannot be read: ") + std::strerror(errno);
    const std::size_t got = std::fread(signature, 1, sizeof signature, file);
    std::fclose(file);
    return got == sizeof signature && png_sig_cmp(signature, 0, sizeof signature) == 0 ? "" : "is not a PNG file";
}

std::string link_target(const std::string& path)
{
    namespace fs = std::filesystem;
    fs::path at = path;
    std::error_code err;
    // As many links as the system follows before it gives up (ELOOP).
    for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(at, err)); ++hops) {
        const fs::path to = fs::read_symlink(at, err);
        if (err)
            break;
        at = to.is_absolute() ? to : at.parent_path() / to;
    }
    return at.string();
}

} // namespace runner
