#pragma once
// The tray core's texts from the program's string table (the resource switch included).

#include <string>

#include "gui/string_table.h"
#include "tray/core/string_source.h"

namespace lmx::tray {

class StringTableSource final : public StringSource {
public:
    std::string load(int id) const override { return gui::loadString(id); }
};

}  // namespace lmx::tray
