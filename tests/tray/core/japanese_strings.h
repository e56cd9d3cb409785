#pragma once
// The tray application's Japanese string table entries that the core loads, for tests.

#include "tray/core/string_source.h"

namespace lmx::tray::testing {

class JapaneseStrings final : public StringSource {
public:
    std::string load(int id) const override;
};

}  // namespace lmx::tray::testing
