#include "platform/file_replace.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/linux/replace_in_folder.h"
#include "platform/linux/socket_io.h"
#include "platform/win_error.h"

namespace platform {

bool replaceFile(const std::filesystem::path& file, std::string_view bytes) {
    const auto parent = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    const socket_io::Descriptor folder(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid()) {
        setLastError(errno == ENOENT || errno == ENOTDIR ? kErrorPathNotFound : kErrorAccessDenied);
        return false;
    }
    return replaceFileInFolder(folder.get(), file.filename().string(), bytes);
}

}  // namespace platform
