#pragma once
// The firmware tool's own version, which its program file's version record and its About box
// carry.

#define LMX_FWUP_VERSION_RECORD "1, 5, 1, 1"

namespace fwup {

inline constexpr const char* kAboutVersionLine = "LMXDuo_fwupTool Version 1.5.1.1";
inline constexpr const char* kAboutSecondLineText = "Lumavex ZDA firmware update";

}  // namespace fwup
