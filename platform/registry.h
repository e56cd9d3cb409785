#pragma once
// The machine registry (HKEY_LOCAL_MACHINE): keys are backslash-separated paths compared
// without regard to case; values are REG_DWORD, REG_SZ or REG_BINARY. Calls return the
// platform's error codes: 0 success, 2 missing key or value, 5 access denied.
// Each value write is one transaction, so readers in other processes see either the old or
// the new value, and writers in several processes do not lose each other's writes.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win_error.h"

namespace platform::registry {

enum class ValueType : std::uint32_t { String = 1, Binary = 3, Dword = 4 };

// Access rights, with the values of the platform's KEY_* masks.
inline constexpr std::uint32_t kKeyQueryValue = 0x0001;
inline constexpr std::uint32_t kKeySetValue = 0x0002;
inline constexpr std::uint32_t kKeyCreateSubKey = 0x0004;
inline constexpr std::uint32_t kKeyRead = 0x20019;
inline constexpr std::uint32_t kKeyWrite = 0x20006;
inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;

struct Value {
    ValueType type = ValueType::Binary;
    std::vector<std::uint8_t> data;
};

class Key {
public:
    Key();
    ~Key();
    Key(Key&&) noexcept;
    Key& operator=(Key&&) noexcept;

    // RegOpenKeyExA: the key must exist.
    static std::uint32_t open(std::string_view path, std::uint32_t access, Key& key);
    // RegCreateKeyExA: opens the key, creating it and any missing parents.
    static std::uint32_t create(std::string_view path, std::uint32_t access, Key& key);
    // Deletes the key with all its subkeys and values.
    static std::uint32_t deleteTree(std::string_view path);

    bool isOpen() const { return impl_ != nullptr; }
    const std::string& path() const;

    std::uint32_t query(std::string_view name, Value& value) const;
    // A REG_DWORD of exactly four bytes; anything else reports 2 when missing, 13 when the type differs.
    std::uint32_t queryDword(std::string_view name, std::uint32_t& value) const;
    // A REG_SZ, without its terminating zero.
    std::uint32_t queryString(std::string_view name, std::string& value) const;

    std::uint32_t set(std::string_view name, ValueType type, std::span<const std::uint8_t> data);
    std::uint32_t setDword(std::string_view name, std::uint32_t value);
    // Writes the text with its terminating zero (length + 1 bytes).
    std::uint32_t setString(std::string_view name, std::string_view value);
    std::uint32_t deleteValue(std::string_view name);

    // Names of the values and direct subkeys, in name order.
    std::vector<std::string> valueNames() const;
    std::vector<std::string> subKeyNames() const;

    void close();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// While an object of this class lives, the registry writes of this process are published for
// other users once, when the last such object ends, instead of after each write: for writing
// many values that belong together (a controller's record) at the cost of one publication.
class PublicationBatch {
public:
    PublicationBatch();
    ~PublicationBatch();
    PublicationBatch(const PublicationBatch&) = delete;
    PublicationBatch& operator=(const PublicationBatch&) = delete;
};

// Publishes the registry for other users again when the last publication of this process
// failed (a full disk): the copy they read then catches up without waiting for another write.
void republishIfBehind();

// An id the registry got when it was made: another one means that the registry was started
// afresh (its file removed, replaced, or found damaged and moved aside). Empty when the
// registry cannot be read.
std::optional<std::uint64_t> instanceId();

// Moves what the write-ahead log holds into the registry's file. A process that still holds a
// registry file that was replaced removes the -wal at that name when it closes it: what matters
// (a key written back into a registry started afresh) is put where that cannot reach it.
void writeThrough();

using platform::kErrorInvalidData;

}  // namespace platform::registry
