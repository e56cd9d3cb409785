#pragma once
// What the platform's program files need of the compiler, in one place, so that another
// platform changes only this header: where a program file keeps its version record (read by
// version_info), how a loaded library exports a function by its plain name, and how a program's
// file is named. Included by headers and by lang/TXTRES_EN, which links nothing.

#if defined(_WIN32)

// Windows: the version record that version_info reads is the program's VERSIONINFO resource
// (cmake/windows/version_resource.rc.in, added by lmx_add_version_resource); the text the
// record's macro defines stays in the file for a reader of its bytes, but nothing reads it.
#define LMX_VERSION_RECORD_PLACE __attribute__((used))

// Windows: an entry of the library's export table, found by GetProcAddress.
#define LMX_LIBRARY_EXPORT __declspec(dllexport)

// Windows: what a program's name ends with in its file name.
#define LMX_PROGRAM_FILE_SUFFIX ".exe"

#else

// Linux: an ELF section of its own, kept even though nothing refers to it.
#define LMX_VERSION_RECORD_PLACE __attribute__((used, section(".lmx_version")))

// Linux: a symbol the dynamic loader finds (dlsym), whatever the default visibility.
#define LMX_LIBRARY_EXPORT __attribute__((visibility("default")))

// Linux: a program file is named as the program.
#define LMX_PROGRAM_FILE_SUFFIX ""

#endif
