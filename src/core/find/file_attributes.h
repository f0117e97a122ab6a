#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <sys/types.h>

namespace quorvel {

enum class TFileAttribute : std::uint8_t { ffArchive, ffReadonly, ffHidden, ffSystem, ffDirectory };

// A set of file attributes, as the finder's attribute filter and its search record use it.
class TFileAttributes {
public:
    constexpr TFileAttributes() = default;
    constexpr TFileAttributes(std::initializer_list<TFileAttribute> items) {
        for (TFileAttribute item : items)
            insert(item);
    }

    static constexpr TFileAttributes all() {
        using enum TFileAttribute;
        return {ffArchive, ffReadonly, ffHidden, ffSystem, ffDirectory};
    }

    constexpr bool contains(TFileAttribute item) const { return (m_bits & bit(item)) != 0; }
    constexpr void insert(TFileAttribute item) { m_bits = static_cast<std::uint8_t>(m_bits | bit(item)); }
    constexpr void erase(TFileAttribute item) { m_bits = static_cast<std::uint8_t>(m_bits & ~bit(item)); }
    constexpr bool empty() const { return m_bits == 0; }
    constexpr bool intersects(TFileAttributes other) const { return (m_bits & other.m_bits) != 0; }

    constexpr bool operator==(const TFileAttributes&) const = default;

private:
    static constexpr std::uint8_t bit(TFileAttribute item) {
        return static_cast<std::uint8_t>(1u << static_cast<unsigned>(item));
    }

    std::uint8_t m_bits = 0;
};

// The attributes of a file-system entry on this system: read-only when its owner may not
// write it, hidden when its name starts with ".", a folder when it is one. Every entry that
// is not a folder carries the archive mark (there is no archive bit to clear here); folders
// do not, so that a filter without ffDirectory leaves folders out. Nothing is a system file.
TFileAttributes attributesOf(std::string_view name, mode_t mode);

// The attribute test of the finder's filter: with `exact` the sets must be equal; otherwise
// the entry passes when it has no attribute at all or shares one with `wanted`.
bool attributesPass(TFileAttributes entry, TFileAttributes wanted, bool exact);

} // namespace quorvel
