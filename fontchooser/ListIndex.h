// Between the drop-down's entries and the family names: entry 0 is the
// default family, 1 the separator, 2 + i listed name i.
#pragma once

#include "PF_Types.h"

// The entry that shows `family`, found without regard to case among the
// listed names (strictly increasing by name_sort); 0 when it is not listed
// or is null.
A_long preselected_entry(const char* family, const char* const* listed, A_long listed_count);

// The family that the script's value names: `default_family` for 0, a listed
// name for 2 to listed_count + 1. Null for every other value (Cancel's -1,
// the separator, anything the list does not hold): nothing is to change.
const char* chosen_family(A_long choice, const char* const* listed, A_long listed_count,
                          const char* default_family);
