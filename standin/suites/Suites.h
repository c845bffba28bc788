// The suite tables of the stand-in host, one source file each.
#pragma once

#include "PF_Callbacks.h"

namespace standin {

const void* ansi_suite_table();
const PF_ANSICallbacks& util_ansi_callbacks();
const void* utility_suite7_table();
const void* point_param_suite_table();
const void* color_param_suite_table();
const void* world_transform_suite_table();
const void* iterate8_suite_table();
const void* iterate16_suite_table();
// A table whose every entry records a misuse: for suites that are
// acquirable but whose operations the host does not offer.
const void* placeholder_suite_table();
// The entry that such a table holds; also for the entries of a real table
// that the host does not offer.
void unoffered_entry();

} // namespace standin
