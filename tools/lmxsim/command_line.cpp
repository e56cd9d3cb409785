#include "tools/lmxsim/command_line.h"

#include <charconv>
#include <set>

#include "platform/system_root.h"

namespace lmxsim {

namespace {

// Commands that work on one drive and so take its number first.
const std::set<std::string> kDriveCommands = {"create", "set", "pull", "insert", "show", "log", "firmware", "remove"};
const std::set<std::string> kRootCommands = {"list"};

int driveNumber(const std::string& text) {
    int number = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || number < 0) {
        throw UsageError("\"" + text + "\" is not a drive number (0, 1, 2 …)");
    }
    return number;
}

}  // namespace

Invocation parseCommandLine(const std::vector<std::string>& words) {
    Invocation invocation;
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word == "--help" || word == "-h" || word == "help") return Invocation{};
        if (word == "--root") {
            if (i + 1 == words.size()) throw UsageError("--root needs a directory");
            invocation.root = words[++i];
        } else if (word.starts_with("--root=")) {
            invocation.root = word.substr(7);
        } else if (word.starts_with("--")) {
            invocation.options.push_back(word);
        } else {
            positional.push_back(word);
        }
    }
    if (positional.empty()) throw UsageError("no command given (lmxsim --help lists them)");
    invocation.command = positional.front();
    std::size_t next = 1;
    if (kDriveCommands.contains(invocation.command)) {
        if (positional.size() < 2) throw UsageError(invocation.command + " needs a drive number");
        invocation.drive = driveNumber(positional[1]);
        next = 2;
    } else if (!kRootCommands.contains(invocation.command)) {
        throw UsageError("unknown command \"" + invocation.command + "\" (lmxsim --help lists the commands)");
    }
    invocation.arguments.assign(positional.begin() + static_cast<std::ptrdiff_t>(next), positional.end());
    return invocation;
}

std::string helpText() {
    std::string text = R"(lmxsim - simulated Lumavex ZDA controllers and disks for LMX Duowatch

Usage: lmxsim [--root DIR] COMMAND [N] [ARGUMENTS] [OPTIONS]

A simulated drive is the file DIR/devices/PHYSICALDRIVEn; the suite opens it as
\\.\PHYSICALDRIVEn. DIR is the system root: --root, else $LMXDUOWATCH_ROOT, else
@ROOT@. N is the drive number (the service watches 0 to 5).

Commands:
  create N controller MODEL [--members=K]
                      a controller of MODEL (a model table entry, e.g. "Lumavex ZDAP-RS482",
                      "ZDA-JW100", "ZDA-GX460-TT3") with defaults for its family; K of its
                      member slots hold a drive (default: all). Replaces any drive N.
  create N disk [MODEL] [--no-signature]
                      an ordinary ATA disk (IDENTIFY only); --no-signature leaves out the
                      0xA5 integrity signature so that IDENTIFY fails its check.
  create N silent [--answer-after=MS]
                      a drive that opens but never answers: each command fails with error
                      121 after its time-out, or after MS milliseconds.
  set N FIELD=VALUE ...
                      changes fields of drive N, all or none; names as `show` prints them,
                      joined with dots (raid.status, members.0.temperature, faults.failNext,
                      overrides.E5). VALUE: a number (decimal or 0x hex), true/false, text,
                      a comma list (faults.brokenFrames=E5,E1), null to clear, or @FILE to
                      use a binary file's bytes as hex (page contents).
  pull N SLOT         empties member slot SLOT (0-based); its drive's identity is kept.
  insert N SLOT       puts the drive back into member slot SLOT.
  show N              prints drive N's file.
  list                lists the drives of the root.
  log N [--clear]     prints drive N's command log, one JSON object per line; --clear empties it.
  firmware N [FILE] [--clear]
                      writes the DOWNLOAD MICROCODE data drive N received to FILE (without
                      FILE: prints the number of bytes and blocks); --clear discards it.
  remove N            removes drive N with its command log and firmware.

Examples:
  lmxsim create 2 controller "Lumavex ZDAP-RS482"
  lmxsim set 2 raid.status=2 raid.rebuildProgress=128 members.1.rebuilding=true
  lmxsim pull 2 1
  lmxsim set 2 members.0.temperature=61
  lmxsim set 2 raid.patrol=running raid.patrolProgress=0x8000
  lmxsim set 2 faults.rejectDirect=50 faults.failNext=2 faults.brokenFrames=E2
  lmxsim set 2 faults.satSenseKey=0x0B faults.senseFormat=fixed
  lmxsim set 2 overrides.E5=@raid-page.bin
  lmxsim log 2
  lmxsim firmware 2 received.bin
  lmxsim remove 2

Exit status: 0 done, 1 the command failed, 2 the command line is wrong.
)";
    // The default root is the platform's own.
    text.replace(text.find("@ROOT@"), 6, platform::defaultSystemRoot());
    return text;
}

}  // namespace lmxsim
