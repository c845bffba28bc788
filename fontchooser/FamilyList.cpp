#include "FamilyList.h"

#include <cstdlib>
#include <cstring>

#include "NameSort.h"
#include "ScriptString.h"

namespace {

// The one test both passes apply: the first value of "file", "family" and
// "style", read in that order; the family must not be empty.
const char* qualifying_family(const FcPattern* font)
{
    FcChar8* value = nullptr;
    if (FcPatternGetString(font, "file", 0, &value) != FcResultMatch)
        return nullptr;
    FcChar8* family = nullptr;
    if (FcPatternGetString(font, "family", 0, &family) != FcResultMatch)
        return nullptr;
    if (FcPatternGetString(font, "style", 0, &value) != FcResultMatch)
        return nullptr;
    return family[0] ? reinterpret_cast<const char*>(family) : nullptr;
}

// "name", plus a comma unless it is the last entry.
char* append_entry(char* end, const char* name, bool comma)
{
    *end++ = '"';
    end = write_script_string(end, name);
    *end++ = '"';
    if (comma)
        *end++ = ',';
    *end = '\0';
    return end;
}

} // namespace

FamilyCount count_families(const FcFontSet* fonts)
{
    FamilyCount found;
    for (int i = 0; fonts && i < fonts->nfont; ++i) {
        const char* family = qualifying_family(fonts->fonts[i]);
        if (!family)
            continue;
        const std::size_t entry = script_string_length(family) + 3;
        if (entry > std::size_t(kMaxListBudget - found.budget))
            break;
        found.budget += A_long(entry);
        ++found.count;
    }
    return found;
}

A_long write_family_list(const FcFontSet* fonts, A_long count, const char** names, char* text,
                         const char** listed)
{
    A_long collected = 0;
    for (int i = 0; fonts && i < fonts->nfont && collected < count; ++i)
        if (const char* family = qualifying_family(fonts->fonts[i]))
            names[collected++] = family;
    count = collected;

    std::qsort(names, std::size_t(count), sizeof *names, name_sort);

    char* end = text;
    *end = '\0';
    A_long k = 0;
    // Of each run of equal names, the one sorted last is listed.
    for (A_long i = 0; i + 1 < count; ++i) {
        if (name_sort(&names[i], &names[i + 1]) != 0 && names[i][0] != '.') {
            end = append_entry(end, names[i], true);
            listed[k++] = names[i];
        }
    }
    // The last name ends the final run and is listed whatever it begins with.
    if (count > 0) {
        append_entry(end, names[count - 1], false);
        listed[k++] = names[count - 1];
    }
    return k;
}
