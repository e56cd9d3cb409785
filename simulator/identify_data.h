#pragma once
// The 512 bytes a simulated drive answers to IDENTIFY DEVICE.

#include <array>
#include <cstdint>

#include "simulator/drive_description.h"

namespace simulator {

using Sector = std::array<std::uint8_t, 512>;

// Model, serial and firmware in their ATA words (bytes of each word swapped), capacity in words
// 60-61 and 100-103, the SMART and clock flags at their vendor offsets, and the integrity
// signature 0xA5 with its checksum in the last word (omitted when the drive lacks it).
Sector buildIdentifyData(const DriveDescription& drive);

// Writes text space-padded into `length` bytes of ATA words: the first character of each pair
// goes into the word's high byte, i.e. the second byte in memory.
void storeAtaString(std::uint8_t* bytes, std::size_t length, std::string_view text);

}  // namespace simulator
