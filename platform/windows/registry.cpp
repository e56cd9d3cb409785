#include "platform/registry.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <utility>

#include "platform/windows/registry_location.h"
#include "platform/windows/wide_text.h"

namespace platform::registry {

namespace {

// "A\\B\\C" with empty parts and outer separators removed; empty for an unusable path.
std::string normalisePath(std::string_view path) {
    std::string result;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('\\', start), path.size());
        if (end > start) {
            if (!result.empty()) result += '\\';
            result.append(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return result;
}

bool isText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

// The registry keeps texts in UTF-16; the suite's are UTF-8 with one terminating zero.
std::vector<std::uint8_t> storedText(std::span<const std::uint8_t> utf8) {
    std::string_view text(reinterpret_cast<const char*>(utf8.data()), utf8.size());
    while (!text.empty() && text.back() == '\0') text.remove_suffix(1);
    std::wstring wide = win32::widen(text);
    wide.push_back(L'\0');
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(wide.data());
    return {bytes, bytes + wide.size() * sizeof(wchar_t)};
}

std::vector<std::uint8_t> readText(const std::vector<std::uint8_t>& utf16) {
    std::wstring_view wide(reinterpret_cast<const wchar_t*>(utf16.data()), utf16.size() / sizeof(wchar_t));
    if (const auto end = wide.find(L'\0'); end != std::wstring_view::npos) wide = wide.substr(0, end);
    const std::string text = win32::narrow(wide);
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

// Names in the order the Linux registry lists them: without regard to (ASCII) case.
void sortWithoutCase(std::vector<std::string>& names) {
    const auto folded = [](const std::string& name) {
        std::string lower(name);
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return lower;
    };
    std::sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) { return folded(a) < folded(b); });
}

}  // namespace

// The Windows registry is one store that every process reads and writes directly, with access
// checked per key: there is no copy for other users to publish, so a batch has nothing to defer.
PublicationBatch::PublicationBatch() = default;
PublicationBatch::~PublicationBatch() = default;
void republishIfBehind() {}

// The Windows registry is never started afresh under a running system (its hives are loaded at
// boot and replaced only by a restore that needs a restart), so it keeps one id for its life. A
// key missing from it was removed on purpose and stays removed.
std::optional<std::uint64_t> instanceId() { return 1; }

// The honest equivalent of moving the write-ahead log into the file: the hive's pending changes
// written to the disk now instead of by the system's lazy flusher.
void writeThrough() {
    const auto root = win32::machineRegistryRoot();
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root.key, root.prefix.empty() ? nullptr : win32::widen(root.prefix).c_str(), 0, KEY_READ, &key) ==
        ERROR_SUCCESS) {
        ::RegFlushKey(key);
        ::RegCloseKey(key);
    }
}

struct Key::Impl {
    HKEY handle = nullptr;
    std::string path;
    ~Impl() {
        if (handle) ::RegCloseKey(handle);
    }
};

Key::Key() = default;
Key::~Key() = default;
Key::Key(Key&&) noexcept = default;
Key& Key::operator=(Key&&) noexcept = default;

// The key as it was named when opened: Windows keeps the stored spelling to itself.
const std::string& Key::path() const {
    static const std::string kNone;
    return impl_ ? impl_->path : kNone;
}

void Key::close() { impl_.reset(); }

std::uint32_t Key::open(std::string_view path, std::uint32_t access, Key& key) {
    key.close();
    const std::string normalised = normalisePath(path);
    if (normalised.empty()) return kErrorFileNotFound;
    const auto root = win32::machineRegistryRoot();
    HKEY handle = nullptr;
    const LSTATUS status = ::RegOpenKeyExW(root.key, win32::widen(root.prefix + normalised).c_str(), 0, access, &handle);
    if (status != ERROR_SUCCESS) return static_cast<std::uint32_t>(status);
    key.impl_ = std::make_unique<Impl>();
    key.impl_->handle = handle;
    key.impl_->path = normalised;
    return kErrorSuccess;
}

std::uint32_t Key::create(std::string_view path, std::uint32_t access, Key& key) {
    key.close();
    const std::string normalised = normalisePath(path);
    if (normalised.empty()) return kErrorInvalidParameter;
    const auto root = win32::machineRegistryRoot();
    HKEY handle = nullptr;
    const LSTATUS status = ::RegCreateKeyExW(root.key, win32::widen(root.prefix + normalised).c_str(), 0, nullptr,
                                             REG_OPTION_NON_VOLATILE, access, nullptr, &handle, nullptr);
    if (status != ERROR_SUCCESS) return static_cast<std::uint32_t>(status);
    key.impl_ = std::make_unique<Impl>();
    key.impl_->handle = handle;
    key.impl_->path = normalised;
    return kErrorSuccess;
}

std::uint32_t Key::deleteTree(std::string_view path) {
    const std::string normalised = normalisePath(path);
    if (normalised.empty()) return kErrorFileNotFound;
    const auto root = win32::machineRegistryRoot();
    // With a subkey named, RegDeleteTreeW removes that key itself too, not only what is below it.
    return static_cast<std::uint32_t>(::RegDeleteTreeW(root.key, win32::widen(root.prefix + normalised).c_str()));
}

std::uint32_t Key::query(std::string_view name, Value& value) const {
    if (!impl_) return kErrorInvalidHandle;
    const std::wstring wideName = win32::widen(name);
    std::vector<std::uint8_t> data(256);
    for (;;) {
        DWORD type = 0;
        auto size = static_cast<DWORD>(data.size());
        const LSTATUS status = ::RegQueryValueExW(impl_->handle, wideName.c_str(), nullptr, &type, data.data(), &size);
        if (status == ERROR_MORE_DATA) {
            data.resize(std::max<std::size_t>(size, data.size() * 2));
            continue;
        }
        if (status != ERROR_SUCCESS) return static_cast<std::uint32_t>(status);
        data.resize(size);
        value.type = static_cast<ValueType>(type);
        value.data = isText(type) ? readText(data) : std::move(data);
        return kErrorSuccess;
    }
}

std::uint32_t Key::queryDword(std::string_view name, std::uint32_t& value) const {
    Value stored;
    if (const auto error = query(name, stored); error != kErrorSuccess) return error;
    if (stored.type != ValueType::Dword || stored.data.size() != 4) return kErrorInvalidData;
    value = std::uint32_t{stored.data[0]} | std::uint32_t{stored.data[1]} << 8 | std::uint32_t{stored.data[2]} << 16 |
            std::uint32_t{stored.data[3]} << 24;
    return kErrorSuccess;
}

std::uint32_t Key::queryString(std::string_view name, std::string& value) const {
    Value stored;
    if (const auto error = query(name, stored); error != kErrorSuccess) return error;
    if (stored.type != ValueType::String) return kErrorInvalidData;
    const auto end = std::find(stored.data.begin(), stored.data.end(), std::uint8_t{0});
    value.assign(stored.data.begin(), end);
    return kErrorSuccess;
}

std::uint32_t Key::set(std::string_view name, ValueType type, std::span<const std::uint8_t> data) {
    if (!impl_) return kErrorInvalidHandle;
    const auto nativeType = static_cast<DWORD>(type);
    std::vector<std::uint8_t> text;
    if (isText(nativeType)) {
        text = storedText(data);
        data = text;
    }
    return static_cast<std::uint32_t>(::RegSetValueExW(impl_->handle, win32::widen(name).c_str(), 0, nativeType,
                                                       data.data(), static_cast<DWORD>(data.size())));
}

std::uint32_t Key::setDword(std::string_view name, std::uint32_t value) {
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                   static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    return set(name, ValueType::Dword, bytes);
}

std::uint32_t Key::setString(std::string_view name, std::string_view value) {
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(value.data()), value.size());
    return set(name, ValueType::String, bytes);
}

std::uint32_t Key::deleteValue(std::string_view name) {
    if (!impl_) return kErrorInvalidHandle;
    return static_cast<std::uint32_t>(::RegDeleteValueW(impl_->handle, win32::widen(name).c_str()));
}

std::vector<std::string> Key::valueNames() const {
    std::vector<std::string> names;
    if (!impl_) return names;
    DWORD longest = 0;
    if (::RegQueryInfoKeyW(impl_->handle, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longest,
                           nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        return names;
    }
    std::wstring buffer(longest + 1, L'\0');
    for (DWORD index = 0;; ++index) {
        auto length = static_cast<DWORD>(buffer.size());
        const LSTATUS status =
            ::RegEnumValueW(impl_->handle, index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_MORE_DATA) {  // a longer name written since the count was taken
            buffer.resize(buffer.size() * 2);
            --index;
            continue;
        }
        if (status != ERROR_SUCCESS) break;
        names.push_back(win32::narrow(std::wstring_view(buffer.data(), length)));
    }
    sortWithoutCase(names);
    return names;
}

std::vector<std::string> Key::subKeyNames() const {
    std::vector<std::string> names;
    if (!impl_) return names;
    // Key names are at most 255 characters.
    wchar_t buffer[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(std::size(buffer));
        if (::RegEnumKeyExW(impl_->handle, index, buffer, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.push_back(win32::narrow(std::wstring_view(buffer, length)));
    }
    sortWithoutCase(names);
    return names;
}

}  // namespace platform::registry
