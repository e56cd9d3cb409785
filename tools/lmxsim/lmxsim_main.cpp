// lmxsim: creates, changes, lists and removes the simulated drives of a system root.

#include <iostream>
#include <string>
#include <vector>

#include "platform/command_line.h"
#include "platform/system_root.h"
#include "simulator/drive_description.h"
#include "tools/lmxsim/command_line.h"
#include "tools/lmxsim/commands.h"

int main(int argc, char** argv) {
    const platform::Utf8CommandLine utf8(argc, argv);
    const std::vector<std::string> words(argv + 1, argv + argc);
    try {
        const lmxsim::Invocation invocation = lmxsim::parseCommandLine(words);
        if (invocation.command.empty()) {
            std::cout << lmxsim::helpText();
            return 0;
        }
        const std::filesystem::path root =
            invocation.root ? std::filesystem::path(*invocation.root) : platform::systemRoot();
        lmxsim::runCommand(invocation, root, std::cout);
        return 0;
    } catch (const lmxsim::UsageError& error) {
        std::cerr << "lmxsim: " << error.what() << "\n";
        return 2;
    } catch (const simulator::SimulatorError& error) {
        std::cerr << "lmxsim: " << error.what() << "\n";
        return 1;
    } catch (const std::exception& error) {
        std::cerr << "lmxsim: " << error.what() << "\n";
        return 1;
    }
}
