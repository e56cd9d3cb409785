#include "platform/version_info.h"

#include <elf.h>

#include <cstring>
#include <fstream>
#include <vector>

namespace platform {

namespace {

constexpr std::string_view kSectionName = ".lmx_version";
constexpr std::uintmax_t kLargestProgramFile = 512ULL * 1024 * 1024;

bool readAt(std::ifstream& in, std::uint64_t offset, void* target, std::size_t size) {
    in.seekg(static_cast<std::streamoff>(offset));
    return static_cast<bool>(in.read(static_cast<char*>(target), static_cast<std::streamsize>(size)));
}

// The bytes of the named section of a 64-bit little-endian ELF file, bounds-checked throughout.
std::optional<std::string> elfSection(const std::filesystem::path& file, std::string_view wanted) {
    std::error_code error;
    const auto fileSize = std::filesystem::file_size(file, error);
    if (error || fileSize > kLargestProgramFile) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    Elf64_Ehdr header{};
    if (!in || !readAt(in, 0, &header, sizeof header)) return std::nullopt;
    if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64 ||
        header.e_shentsize != sizeof(Elf64_Shdr) || header.e_shstrndx >= header.e_shnum) {
        return std::nullopt;
    }
    if (header.e_shoff > fileSize || header.e_shnum * sizeof(Elf64_Shdr) > fileSize - header.e_shoff) {
        return std::nullopt;
    }
    std::vector<Elf64_Shdr> sections(header.e_shnum);
    if (!readAt(in, header.e_shoff, sections.data(), sections.size() * sizeof(Elf64_Shdr))) return std::nullopt;
    const auto inFile = [&](const Elf64_Shdr& s) { return s.sh_offset <= fileSize && s.sh_size <= fileSize - s.sh_offset; };
    const Elf64_Shdr& names = sections[header.e_shstrndx];
    if (!inFile(names)) return std::nullopt;
    std::string nameTable(names.sh_size, '\0');
    if (!readAt(in, names.sh_offset, nameTable.data(), nameTable.size())) return std::nullopt;
    for (const Elf64_Shdr& section : sections) {
        if (section.sh_name >= nameTable.size() || section.sh_type == SHT_NOBITS || !inFile(section)) continue;
        if (std::string_view(nameTable.c_str() + section.sh_name) != wanted) continue;
        std::string bytes(section.sh_size, '\0');
        if (!readAt(in, section.sh_offset, bytes.data(), bytes.size())) return std::nullopt;
        return bytes;
    }
    return std::nullopt;
}

}  // namespace

std::optional<FileVersionInfo> getFileVersionInfo(const std::filesystem::path& file) {
    const auto section = elfSection(file, kSectionName);
    if (!section) return std::nullopt;
    FileVersionInfo info;
    std::string_view text(section->data(), section->find('\0') == std::string::npos ? section->size() : section->find('\0'));
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        if (const auto equals = line.find('='); equals != std::string_view::npos && equals > 0) {
            info.strings.emplace(std::string(line.substr(0, equals)), std::string(line.substr(equals + 1)));
        }
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    if (info.strings.empty()) return std::nullopt;
    return info;
}

std::optional<std::string> verQueryValue(const FileVersionInfo& info, std::string_view subBlock) {
    std::string prefix = "\\StringFileInfo\\";
    prefix += kVersionLanguageBlock;
    prefix += '\\';
    if (subBlock.size() <= prefix.size()) return std::nullopt;
    // The language block is compared without regard to case, as the platform does.
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(subBlock[i])) != std::toupper(static_cast<unsigned char>(prefix[i]))) {
            return std::nullopt;
        }
    }
    const auto found = info.strings.find(subBlock.substr(prefix.size()));
    if (found == info.strings.end()) return std::nullopt;
    return found->second;
}

}  // namespace platform
