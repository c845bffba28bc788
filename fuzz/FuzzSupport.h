// What the fuzz targets share: the input as a file, a check that stops the
// run, and the host that loads the effect.
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "Host.h"

// The input as a file, for readers that take a path: one file in a folder
// of the process's own (mkdtemp), written again for each input and removed
// with the folder at exit.
class FuzzFile {
public:
    FuzzFile()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "marrowtick-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        folder_ = pattern;
        path_ = (folder_ / "input").string();
    }
    ~FuzzFile()
    {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    FuzzFile(const FuzzFile&) = delete;
    FuzzFile& operator=(const FuzzFile&) = delete;

    // The file holding exactly these bytes.
    const std::string& write(const uint8_t* data, size_t size)
    {
        std::FILE* file = std::fopen(path_.c_str(), "wb");
        if (!file || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0)
            std::abort();
        return path_;
    }

private:
    std::filesystem::path folder_;
    std::string path_;
};

// Stops the run with a reason when a property does not hold.
inline void fuzz_check(bool ok, const char* target, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "%s fuzz: %s\n", target, what);
        std::abort();
    }
}

#ifdef MARROWTICK_MODULE_PATH
// One host with the effect loaded for the whole run; it is never destroyed,
// so it stays reachable.
inline standin::Host& loaded_host()
{
    static standin::Host* host = [] {
        auto* h = new standin::Host({MARROWTICK_MODULE_PATH});
        if (h->load() != PF_Err_NONE)
            std::abort();
        return h;
    }();
    return *host;
}
#endif
