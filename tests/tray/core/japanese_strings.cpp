#include "tests/tray/core/japanese_strings.h"

#include "lang/japanese/japanese_strings.h"

namespace lmx::tray::testing {

std::string JapaneseStrings::load(int id) const {
    const auto text = lang::japaneseString(id);
    return text ? std::string(*text) : std::string();
}

}  // namespace lmx::tray::testing
