// Address sanitizer settings of every fuzz target; ASAN_OPTIONS still
// overrides them.
//
// Freed memory is held back for a while so that a use after free is caught.
// The default of 256 MB makes every target cycle through that much memory
// over a few thousand inputs, and the page faults and cache misses of the
// cycle cost more than the reading itself (the shader target ran at half its
// speed). One input frees far less than 16 MB, so a use after free within
// an input is still caught.
extern "C" const char* __asan_default_options()
{
    return "quarantine_size_mb=16";
}
