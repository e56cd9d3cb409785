#include "tests/fwup/fwup_test_root.h"

#include <fstream>

namespace fwup::testing {

std::vector<std::uint8_t> imageBytes(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>((i * 7 + i / 512) % 251);
    return bytes;
}

std::filesystem::path FwupTestRoot::image(std::size_t size, const std::string& name) const {
    const auto path = root.path() / name;
    const auto bytes = imageBytes(size);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::vector<simulator::LoggedCommand> FwupTestRoot::commands(int number, const std::string& command) const {
    std::vector<simulator::LoggedCommand> found;
    for (auto& logged : simulator::readCommandLog(drive(number))) {
        if (logged.command == command) found.push_back(std::move(logged));
    }
    return found;
}

std::uint32_t FwupTestRoot::numberField(const simulator::LoggedCommand& logged, const char* name) {
    const auto entry = nlohmann::json::parse(logged.line);
    const auto found = entry.find(name);
    return found != entry.end() && found->is_number_unsigned() ? found->get<std::uint32_t>() : 0xFFFFFFFF;
}

}  // namespace fwup::testing
