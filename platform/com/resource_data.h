#pragma once
// Identity data a library carries in its file, readable without loading it
// (resources.h reads it back). A library builds the bytes at compile time
// and places them in the ELF section named kResourceSection:
//
//   COM_RESOURCES constexpr auto kResources =
//       com::res::section(com::res::dataResource("NAME", bytes),
//                         com::res::versionString("ProductName", "Brellox"));
//
// Layout (all numbers 32-bit little-endian): the magic "CRS1", then records
// of kind, name size, data size, the name's bytes, the data's bytes and zero
// padding to a multiple of four; a record of kind 0 ends the list. Kind 1 is
// a named data resource, kind 2 a version string (UTF-8 value). Header only,
// constexpr: nothing runs at load time.

#include <array>
#include <cstddef>
#include <cstdint>

/// Places a variable in the resource section and keeps it though unused.
#define COM_RESOURCES __attribute__((section(".comres"), used))

namespace com {

inline constexpr char kResourceSection[] = ".comres";

namespace res {

inline constexpr std::uint32_t kEnd = 0;
inline constexpr std::uint32_t kData = 1;
inline constexpr std::uint32_t kVersionString = 2;
inline constexpr std::size_t kRecordHeader = 12;

template <std::size_t N> using Bytes = std::array<std::uint8_t, N>;

constexpr std::size_t padded(std::size_t n) {
    return (n + 3) / 4 * 4;
}

constexpr void putU32(std::uint8_t* at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

template <std::size_t NameN, std::size_t DataN>
constexpr auto record(std::uint32_t kind, const char (&name)[NameN], const Bytes<DataN>& data) {
    constexpr std::size_t nameSize = NameN - 1; // without the literal's NUL
    Bytes<padded(kRecordHeader + nameSize + DataN)> out{};
    putU32(out.data(), kind);
    putU32(out.data() + 4, static_cast<std::uint32_t>(nameSize));
    putU32(out.data() + 8, static_cast<std::uint32_t>(DataN));
    for (std::size_t i = 0; i < nameSize; ++i)
        out[kRecordHeader + i] = static_cast<std::uint8_t>(name[i]);
    for (std::size_t i = 0; i < DataN; ++i)
        out[kRecordHeader + nameSize + i] = data[i];
    return out;
}

/// A named data resource.
template <std::size_t NameN, std::size_t DataN>
constexpr auto dataResource(const char (&name)[NameN], const Bytes<DataN>& data) {
    return record(kData, name, data);
}

/// A version string ("ProductName" = "Brellox"); an empty value for entries
/// that only need to be present ("OLESelfRegister").
template <std::size_t NameN, std::size_t ValueN>
constexpr auto versionString(const char (&name)[NameN], const char (&value)[ValueN]) {
    Bytes<ValueN - 1> data{};
    for (std::size_t i = 0; i + 1 < ValueN; ++i)
        data[i] = static_cast<std::uint8_t>(value[i]);
    return record(kVersionString, name, data);
}

/// `data` preceded by its length as a 32-bit number.
template <std::size_t N> constexpr Bytes<4 + N> lengthPrefixed(const Bytes<N>& data) {
    Bytes<4 + N> out{};
    putU32(out.data(), static_cast<std::uint32_t>(N));
    for (std::size_t i = 0; i < N; ++i)
        out[4 + i] = data[i];
    return out;
}

/// The whole section: magic, the records, the end record.
template <std::size_t... N> constexpr auto section(const Bytes<N>&... records) {
    Bytes<4 + (N + ... + 0) + kRecordHeader> out{};
    out[0] = 'C';
    out[1] = 'R';
    out[2] = 'S';
    out[3] = '1';
    std::size_t at = 4;
    (
        [&] {
            for (std::uint8_t b : records)
                out[at++] = b;
        }(),
        ...);
    return out; // the end record is the zeroed tail
}

} // namespace res
} // namespace com
