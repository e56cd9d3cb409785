// The simulator's drive description files (simulator/drive_files, drive_json) and the field
// assignments that change them ("raid.status", "overrides.E5"). The input is the file's text,
// optionally followed by a NUL, a field name, a NUL and the value's text.
//
// Properties: a file either loads or is refused with SimulatorError (no other exception); a
// description that loads passes the simulator's own checks, so that it can be saved; the text it
// saves loads again to the same drive, which saves the same text.

#include <exception>
#include <string>
#include <string_view>

#include "simulator/drive_description.h"
#include "simulator/drive_files.h"
#include "simulator/drive_json.h"
#include "simulator/field_assignment.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

std::string savedText(const simulator::DriveDescription& drive) { return simulator::toJson(drive).dump(2) + "\n"; }

void checkLoaded(const simulator::DriveDescription& drive) {
    FUZZ_CHECK(!simulator::findProblem(drive).has_value());
    const std::string saved = savedText(drive);
    simulator::DriveDescription again;
    try {
        again = simulator::parseDescription(saved, "PHYSICALDRIVE0");
    } catch (const simulator::SimulatorError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        FUZZ_CHECK(!"the saved text loads");
    }
    FUZZ_CHECK(savedText(again) == saved);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    const std::size_t split = all.find('\0');
    const std::string text(all.substr(0, split));
    std::string_view name, value;
    if (split != std::string_view::npos) {
        const std::string_view assignment = all.substr(split + 1);
        const std::size_t second = assignment.find('\0');
        name = assignment.substr(0, second);
        if (second != std::string_view::npos) value = assignment.substr(second + 1);
    }

    simulator::DriveDescription drive;
    try {
        drive = simulator::parseDescription(text, "PHYSICALDRIVE0");
    } catch (const simulator::SimulatorError&) {
        return 0;  // refused, as it should be when it is not a drive
    }
    checkLoaded(drive);

    if (name.empty()) return 0;
    // A change by field name, as lmxsim set makes it: all or nothing, and what it leaves loads.
    simulator::DriveJson document = simulator::toJson(drive);
    const std::string before = document.dump();
    try {
        simulator::assignField(document, name, value);
    } catch (const simulator::SimulatorError&) {
        FUZZ_CHECK(document.dump() == before);
        return 0;
    }
    try {
        drive = simulator::fromJson(document);
    } catch (const simulator::SimulatorError&) {
        return 0;  // lmxsim refuses to store it
    }
    checkLoaded(drive);
    return 0;
}
