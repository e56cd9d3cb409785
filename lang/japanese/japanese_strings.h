#pragma once
// The program's own string table: the Japanese texts compiled into the program.

#include <optional>
#include <string_view>
#include <vector>

namespace lmx::lang {

// The Japanese text (UTF-8) of string `id`; empty when the table has no such string.
std::optional<std::string_view> japaneseString(int id);
// Every id of the table, ascending.
std::vector<int> japaneseStringIds();

}  // namespace lmx::lang
