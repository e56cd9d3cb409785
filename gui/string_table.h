#pragma once
// Every user-visible text is loaded by its number through the resource switch: with the
// language library loaded (Language = 1), texts come from its string table; otherwise, and for
// loadOwnString, from the Japanese table compiled into the program.


#include <optional>
#include <string>
#include <string_view>

namespace lmx::gui {

// The language library's file name; the platform finds TXTRES_EN.so beside the program.
inline constexpr std::string_view kLanguageLibraryName = "TXTRES_EN.dll";

// Loads the language library once (it is never freed) and routes loadString to it. False, with
// the Japanese texts still in force, when the library or its string export is missing.
bool useLanguageLibrary(std::string_view name = kLanguageLibraryName);
// True once useLanguageLibrary succeeded.
bool languageLibraryLoaded();

// LoadString through the resource switch; empty when the current table has no such string.
std::optional<std::string> tryLoadString(int id);
// As tryLoadString, the empty text when the string is missing.
std::string loadString(int id);
// LoadString from the program's own resources (the Japanese texts), whatever the language.
std::string loadOwnString(int id);

// Tests: forget the language library so that the next test starts from the Japanese texts.
void resetLanguageForTesting();

}  // namespace lmx::gui
