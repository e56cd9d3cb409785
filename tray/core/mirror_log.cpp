#include "tray/core/mirror_log.h"

#include <cstring>
#include <fstream>

#include "tray/core/text_format.h"

namespace lmx::tray {

std::string mirrorLogDefaultName(const platform::SystemTime& localTime) {
    return formatText("%02d%02d%d_%02d%02d%02d_mirrorlog",
                      {std::int64_t{localTime.month}, std::int64_t{localTime.day}, std::int64_t{localTime.year},
                       std::int64_t{localTime.hour}, std::int64_t{localTime.minute}, std::int64_t{localTime.second}});
}

MirrorLogFile mirrorLogImage(const ControllerStatusRecord& record, const LogPages& pages) {
    MirrorLogFile image{};
    image.record = record;
    for (std::size_t page = 0; page < pages.size(); ++page) {
        if (pages[page].ok == 1) std::memcpy(image.page[page], pages[page].data.data(), kMirrorLogPageSize);
    }
    return image;
}

MirrorLogWrite writeMirrorLog(const std::filesystem::path& path, const MirrorLogFile& image) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) return MirrorLogWrite::NotCreated;
    file.write(reinterpret_cast<const char*>(&image), static_cast<std::streamsize>(sizeof image));
    file.close();
    return file ? MirrorLogWrite::Written : MirrorLogWrite::NotWritten;
}

}  // namespace lmx::tray
