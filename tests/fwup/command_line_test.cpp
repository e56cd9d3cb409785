// The tool's command line: the dialog's direct path taken whole, and the server modes.

#include <gtest/gtest.h>

#include "fwup/core/command_line.h"

namespace fwup {
namespace {

TEST(CommandLine, WithoutAnOptionTheWholeTextIsTheDialogsDirectPath) {
    EXPECT_EQ(parseCommandLine({}).kind, LaunchKind::Dialog);
    EXPECT_EQ(parseCommandLine({}).directPath, std::nullopt);

    const Launch quoted = parseCommandLine({"\"/srv/fw", "image.bin\"", "--list"});
    EXPECT_EQ(quoted.kind, LaunchKind::Dialog);
    EXPECT_EQ(quoted.directPath, "\"/srv/fw image.bin\" --list");

    EXPECT_EQ(parseCommandLine({""}).directPath, std::nullopt);
    EXPECT_EQ(parseCommandLine({"-list"}).directPath, "-list");
}

TEST(CommandLine, ServerModesTakeExactlyTheirArguments) {
    EXPECT_EQ(parseCommandLine({"--list"}).kind, LaunchKind::List);
    EXPECT_EQ(parseCommandLine({"--help"}).kind, LaunchKind::Help);

    const Launch update = parseCommandLine({"--update", "31", "/srv/fw image.bin"});
    EXPECT_EQ(update.kind, LaunchKind::Update);
    EXPECT_EQ(update.drive, 31);
    EXPECT_EQ(update.image, "/srv/fw image.bin");

    for (const std::vector<std::string>& wrong :
         std::vector<std::vector<std::string>>{{"--list", "0"},
                                               {"--help", "--list"},
                                               {"--update"},
                                               {"--update", "0"},
                                               {"--update", "0", "a", "b"},
                                               {"--update", "32", "a"},
                                               {"--update", "-1", "a"},
                                               {"--update", "1x", "a"},
                                               {"--update", "", "a"}}) {
        const Launch launch = parseCommandLine(wrong);
        EXPECT_EQ(launch.kind, LaunchKind::UsageError) << wrong.size();
        EXPECT_FALSE(launch.error.empty());
    }
}

}  // namespace
}  // namespace fwup
