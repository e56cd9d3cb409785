#include "service/controller/identification.h"

#include <gtest/gtest.h>

#include <numeric>

#include "service/controller/controller_commands.h"

namespace controller {
namespace {

IdentifyData identifyFor(const std::string& model) {
    IdentifyData data{};
    std::string padded = model;
    padded.resize(40, ' ');
    for (std::size_t i = 0; i < 40; i += 2) {
        data[54 + i] = static_cast<std::uint8_t>(padded[i + 1]);
        data[54 + i + 1] = static_cast<std::uint8_t>(padded[i]);
    }
    data[510] = 0xA5;
    const unsigned sum = std::accumulate(data.begin(), data.begin() + 511, 0u);
    data[511] = static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
    return data;
}

TEST(Identification, IntegrityNeedsSignatureAndZeroSum) {
    auto data = identifyFor("ZDA-GX460-TT3");
    EXPECT_TRUE(passesIdentifyIntegrity(data));
    data[100] ^= 1;
    EXPECT_FALSE(passesIdentifyIntegrity(data));
    auto unsigned_ = identifyFor("ZDA-GX460-TT3");
    unsigned_[510] = 0;
    unsigned_[511] = static_cast<std::uint8_t>(unsigned_[511] + 0xA5);  // sum still zero
    EXPECT_FALSE(passesIdentifyIntegrity(unsigned_));
}

TEST(Identification, ModelWordsAreByteSwapped) {
    const auto data = identifyFor("Lumavex ZDAP-RS482");
    EXPECT_EQ("Lumavex ZDAP-RS482                      ", identifyModel(data));
}

TEST(Identification, FlagsComeFromTheirBits) {
    IdentifyData data{};
    EXPECT_FALSE(identifyFlags(data).smartEnabled);
    data[170] = 0x01;
    data[258] = 0x80;
    data[290] = 0x01;
    auto flags = identifyFlags(data);
    EXPECT_TRUE(flags.smartEnabled);
    EXPECT_FALSE(flags.clockStateReported);  // needs byte 288 bit 0 too
    EXPECT_FALSE(flags.clockIsSet);
    data[288] = 0x01;
    flags = identifyFlags(data);
    EXPECT_TRUE(flags.clockStateReported);
    EXPECT_TRUE(flags.clockIsSet);
}

TEST(ControllerClock, ValueIsMillisecondsSince1970) {
    const auto fileTime = platform::systemTimeToFileTime({2009, 1, 0, 1, 0, 0, 0, 0}).value();
    EXPECT_EQ(1'230'768'000'000ULL, controllerClockValue(fileTime));
    EXPECT_EQ(0x11E8F7D4C00ULL, controllerClockValue(fileTime));
}

}  // namespace
}  // namespace controller
