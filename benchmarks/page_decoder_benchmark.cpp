// Cost of checking and decoding the vendor pages of one poll.

#include <benchmark/benchmark.h>

#include <array>
#include <cstring>

#include "service/controller/page_decoders.h"
#include "tests/support/framed_page.h"

namespace {

using lmx::testing::Page;
using lmx::testing::framed;

void DecodeAllPagesOfAThreeSlotController(benchmark::State& state) {
    auto raid = framed(0xE5, 0xBE);
    std::memcpy(&raid[2], "Lumavex ZDAP-RS482                      ", 40);
    raid[87] = 0x01;
    auto standard = framed(0xE1, 0x1C);
    standard[3] = 0x11;
    standard[4] = 0x10;
    auto drives = framed(0xE2, 0xF4);
    Page smart{};
    smart[2] = 194;
    smart[7] = 35;
    for (auto _ : state) {
        lmx::ControllerStatusRecord record;
        lmx::clearRecord(record);
        const auto family = lmx::ControllerFamily::MollenThreeSlot;
        if (controller::checkRaidPage(raid, family)) controller::decodeRaidPage(raid, family, record);
        if (controller::checkStandardPage(standard, family)) controller::decodeStandardPage(standard, family, record);
        if (controller::checkDrivePage(drives, family)) controller::decodeDrivePage(drives, family, record);
        for (auto& slot : record.drive) controller::decodeSmartTemperature(smart, slot);
        benchmark::DoNotOptimize(record);
    }
}
BENCHMARK(DecodeAllPagesOfAThreeSlotController);

}  // namespace
