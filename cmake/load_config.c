/* The load configuration of a DLL built for the wizard (SDL2.dll): its own
   imports (VERSION.dll and WINMM.dll among them, which are not among the
   system's known DLLs) are looked for in the system's folder only, never
   beside the program that loads it, where a library of the same name may
   lie. The MinGW linker leaves the image's pointer to this structure
   empty: scripts/pe-load-config.py sets it after the link. */
#include <windows.h>

const IMAGE_LOAD_CONFIG_DIRECTORY64 _load_config_used = {
    .Size = sizeof(IMAGE_LOAD_CONFIG_DIRECTORY64),
    .Reserved1 = LOAD_LIBRARY_SEARCH_SYSTEM32, /* DependentLoadFlags */
};
