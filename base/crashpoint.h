#pragma once

// Named points where a test build can stop the process abruptly, as a power cut or a
// `kill -9` would: no destructor, no rollback, no flush runs. A point fires only when
// the build has crash points (CMake option BALANTRIX_CRASH_POINTS) and the environment
// variable BALANTRIX_CRASH_AT names it; otherwise hit() does nothing.
namespace CrashPoint {
void hit(const char* name);
// Whether this build can stop at named points at all.
bool compiledIn();
}  // namespace CrashPoint
