#pragma once
// Puts a version record into the program file that contains this macro's expansion. On Linux
// the record is an ELF section ".lmx_version" holding "Name=Value" lines; the reader in
// version_info.h finds it without running the program.

#define LMX_VERSION_RECORD_TEXT(productName, productVersion, legalCopyright) \
    "ProductName=" productName "\n"                                            \
    "ProductVersion=" productVersion "\n"                                      \
    "LegalCopyright=" legalCopyright "\n"

#define LMX_DEFINE_VERSION_RECORD(productName, productVersion, legalCopyright)                 \
    extern "C" __attribute__((used, section(".lmx_version"))) const char lmxVersionRecord[] = \
        LMX_VERSION_RECORD_TEXT(productName, productVersion, legalCopyright)
