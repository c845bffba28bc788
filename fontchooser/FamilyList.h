// The family list of one dialog run, built from a fontconfig font set: the
// list text that the script's drop-down receives, and the listed names.
#pragma once

#include <fontconfig/fontconfig.h>

#include "PF_Types.h"

// What the counting pass found: the fonts that qualify (a file, a style and
// a non-empty first family), and the bytes their list entries may take.
struct FamilyCount {
    A_long count = 0;
    A_long budget = 0; // sum of (script form of the family + 3); text needs budget + 1
};

// The fonts of `fonts` (null: none) that qualify, in set order. Stops before
// a font whose entry would take the budget past kMaxListBudget.
FamilyCount count_families(const FcFontSet* fonts);

// Collects the families of the first `count` qualifying fonts into names
// (count slots), sorts them with name_sort, and writes one entry per run of
// equal names into `text` (budget + 1 bytes, terminated), leaving out names
// that begin with '.' except the last of the sorted array. listed (count
// slots) receives the listed names exactly as the font set holds them, in
// strictly increasing name_sort order. Returns how many were listed.
// Every pointer stored is borrowed from `fonts` and dies with it.
A_long write_family_list(const FcFontSet* fonts, A_long count, const char** names, char* text,
                         const char** listed);

// Keeps the script's size well inside a host handle.
constexpr A_long kMaxListBudget = 1 << 26;
