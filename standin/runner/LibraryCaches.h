// What the effect's libraries keep for the life of the process.
#pragma once

namespace runner {

// Frees cairo's font caches and fontconfig's default configuration, so that a
// leak check at exit sees only what was really lost. Call once no cairo
// object is left, at the end of the program.
void release_library_caches();

} // namespace runner
