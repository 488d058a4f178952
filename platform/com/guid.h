#pragma once
// Class, interface and type library identities (GUIDs). A Guid is written and
// read as "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" text, the form the
// component registry and the libraries' identity tables use; parsing takes
// either case and nothing else (no missing braces, no extra spaces), so a
// registry key always matches exactly one identity.
//
// Identities known at compile time are written with com::guid("{...}"),
// which is checked by the compiler: a malformed literal does not build.
// Everything here is constexpr and allocation-free apart from the QString
// conversions.

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace com {

struct Guid {
    std::uint32_t data1 = 0;             ///< first 8 hex digits
    std::uint16_t data2 = 0;             ///< next 4
    std::uint16_t data3 = 0;             ///< next 4
    std::array<std::uint8_t, 8> data4{}; ///< last 16 digits, in text order

    friend constexpr bool operator==(const Guid&, const Guid&) = default;

    /// The usual binary layout: data1..data3 little-endian, then data4 as is.
    constexpr std::array<std::uint8_t, 16> bytes() const;

    /// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case.
    QString toString() const;
    /// The Guid a braced text names, or nothing for any other text.
    static std::optional<Guid> fromString(QStringView text);
};

using CLSID = Guid;
using IID = Guid;

namespace detail {
constexpr int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

/// Reads `digits` hex digits at `pos`; -1 if any is not a hex digit.
constexpr std::int64_t hexField(std::string_view s, std::size_t pos, std::size_t digits) {
    std::int64_t v = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        const int d = hexDigit(s[pos + i]);
        if (d < 0)
            return -1;
        v = v * 16 + d;
    }
    return v;
}
} // namespace detail

/// Parses the braced text form; nothing for anything else.
constexpr std::optional<Guid> parseGuid(std::string_view s) {
    if (s.size() != 38 || s.front() != '{' || s.back() != '}' || s[9] != '-' || s[14] != '-' ||
        s[19] != '-' || s[24] != '-')
        return std::nullopt;
    Guid g;
    const std::int64_t d1 = detail::hexField(s, 1, 8);
    const std::int64_t d2 = detail::hexField(s, 10, 4);
    const std::int64_t d3 = detail::hexField(s, 15, 4);
    if (d1 < 0 || d2 < 0 || d3 < 0)
        return std::nullopt;
    g.data1 = static_cast<std::uint32_t>(d1);
    g.data2 = static_cast<std::uint16_t>(d2);
    g.data3 = static_cast<std::uint16_t>(d3);
    // data4: two bytes before the last dash, six after it.
    constexpr std::size_t at[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (std::size_t i = 0; i < 8; ++i) {
        const std::int64_t b = detail::hexField(s, at[i], 2);
        if (b < 0)
            return std::nullopt;
        g.data4[i] = static_cast<std::uint8_t>(b);
    }
    return g;
}

/// A compile-time identity: com::guid("{...}"). A malformed text is a
/// compile error.
consteval Guid guid(std::string_view s) {
    const std::optional<Guid> g = parseGuid(s);
    if (!g)
        throw "malformed GUID literal"; // not a constant expression: stops the build
    return *g;
}

constexpr std::array<std::uint8_t, 16> Guid::bytes() const {
    std::array<std::uint8_t, 16> b{};
    for (int i = 0; i < 4; ++i)
        b[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(data1 >> (8 * i));
    for (int i = 0; i < 2; ++i) {
        b[static_cast<std::size_t>(4 + i)] = static_cast<std::uint8_t>(data2 >> (8 * i));
        b[static_cast<std::size_t>(6 + i)] = static_cast<std::uint8_t>(data3 >> (8 * i));
    }
    for (std::size_t i = 0; i < 8; ++i)
        b[8 + i] = data4[i];
    return b;
}

/// The all-zero identity (IID_NULL, "no interface named").
inline constexpr Guid GUID_NULL{};
inline constexpr Guid IID_NULL{};

} // namespace com

template <> struct std::hash<com::Guid> {
    std::size_t operator()(const com::Guid& g) const noexcept;
};
