#pragma once
// Puts a version record into the program file that contains this macro's expansion: "Name=Value"
// lines in the place the platform's program files keep it (program_file_macros.h), where the
// reader in version_info.h finds it without running the program.

#include "platform/program_file_macros.h"

#define LMX_VERSION_RECORD_TEXT(productName, productVersion, legalCopyright) \
    "ProductName=" productName "\n"                                            \
    "ProductVersion=" productVersion "\n"                                      \
    "LegalCopyright=" legalCopyright "\n"

#define LMX_DEFINE_VERSION_RECORD(productName, productVersion, legalCopyright)      \
    extern "C" LMX_VERSION_RECORD_PLACE const char lmxVersionRecord[] = \
        LMX_VERSION_RECORD_TEXT(productName, productVersion, legalCopyright)
