#pragma once
// The systemd unit of an installed service, filled in from the one template the install
// rules use as well (platform/linux/systemd/service.unit.in).

#include <optional>
#include <string>
#include <string_view>

namespace platform::systemd {

// The template with its placeholders replaced: the display name for Description= and the
// program's path for ExecStart=, each escaped for a unit file (a '%' doubled, a path with
// blanks quoted). Empty when a value holds a line break or a control character, which no
// escaping carries into a unit file.
std::optional<std::string> serviceUnitText(std::string_view displayName, std::string_view imagePath);

}  // namespace platform::systemd
