#include "ListIndex.h"

#include <cstdlib>

#include "NameSort.h"

namespace {
constexpr A_long kFirstFamilyEntry = 2;
}

A_long preselected_entry(const char* family, const char* const* listed, A_long listed_count)
{
    if (!family || listed_count <= 0)
        return 0;
    const void* found = std::bsearch(&family, listed, std::size_t(listed_count), sizeof *listed,
                                     name_sort);
    if (!found)
        return 0;
    return A_long(static_cast<const char* const*>(found) - listed) + kFirstFamilyEntry;
}

const char* chosen_family(A_long choice, const char* const* listed, A_long listed_count,
                          const char* default_family)
{
    if (choice == 0)
        return default_family;
    if (choice >= kFirstFamilyEntry && choice - kFirstFamilyEntry < listed_count)
        return listed[choice - kFirstFamilyEntry];
    return nullptr;
}
