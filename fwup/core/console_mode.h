#pragma once
// The command-line modes for servers without a desktop: --list prints the device list and
// --update N FILE runs the download of the dialog on drive N, with its progress on standard
// error and its result on standard output.

#include <atomic>
#include <ostream>
#include <string>

#include "fwup/core/command_line.h"

namespace fwup {

struct ConsoleStreams {
    std::ostream& out;
    std::ostream& err;
    bool errIsConsole = false;  // the progress line rewrites itself
};

// The header of column titles, then one line per drive; cells separated by tabs.
int runList(const ConsoleStreams& streams);
// The download; exit status 0 for success, else the result code.
int runUpdate(int drive, const std::string& image, const ConsoleStreams& streams, std::atomic<bool>& cancelRequest);

// --list, --update or --help on the process's standard streams: one copy of the tool at a
// time; during an update Ctrl+C cancels after the block in flight.
int runConsoleMode(const Launch& launch);

}  // namespace fwup
