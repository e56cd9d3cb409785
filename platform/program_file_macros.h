#pragma once
// What the platform's program files need of the compiler, in one place, so that another
// platform changes only this header: where a program file keeps its version record (read by
// version_info), and how a loaded library exports a function by its plain name. Included by
// headers and by lang/TXTRES_EN, which links nothing.

// Linux: an ELF section of its own, kept even though nothing refers to it.
#define LMX_VERSION_RECORD_PLACE __attribute__((used, section(".lmx_version")))

// Linux: a symbol the dynamic loader finds (dlsym), whatever the default visibility.
#define LMX_LIBRARY_EXPORT __attribute__((visibility("default")))
