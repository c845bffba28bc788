// The stand-in host as every test holds it: when it goes, the test fails on
// any misuse it recorded that the test did not take and check.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <system_error>

#include "Host.h"

class TestHost : public standin::Host {
public:
    using standin::Host::Host;
    ~TestHost()
    {
        // A live instance is set down here, so that its setdown is checked too.
        if (in_data().sequence_data) {
            try {
                destroy_instance();
            } catch (const standin::HostError&) {
            }
        }
        EXPECT_EQ(ledger().first_misuse(), "") << "the stand-in host recorded a misuse";
    }

    // For a test that provokes a misuse: the first one's text, which the
    // test then checks; the host keeps watching for the next.
    std::string take_misuse() { return ledger().take_misuse(); }

    // A suite's table through the basic suite, as the effect acquires it.
    template <typename Suite>
    const Suite* acquire(const char* name, int version)
    {
        const void* table = nullptr;
        EXPECT_EQ(suites().basic_suite()->AcquireSuite(name, version, &table), 0) << name;
        return static_cast<const Suite*>(table);
    }

    // Empties the ledger, failing the test first on a misuse in it.
    void clear_ledger()
    {
        EXPECT_EQ(ledger().first_misuse(), "") << "the stand-in host recorded a misuse";
        ledger().clear();
    }
};

// A folder of the test's own (mkdtemp), removed with what it holds.
class ScratchDir {
public:
    ScratchDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "marrowtick-test-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::filesystem::filesystem_error("mkdtemp", pattern, std::error_code(errno, std::generic_category()));
        path = pattern;
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::filesystem::path path;
};

// A file name in a folder of this process's own, which goes at exit.
inline std::string scratch_file(const std::string& name)
{
    static const ScratchDir scratch;
    return (scratch.path / name).string();
}
