#pragma once
// What the libc++ of Debian's emscripten (libc++ 13) lacks of C++20 and the
// program uses: std::bit_cast, std::ranges::any_of and the floating-point
// to_chars/from_chars.
// The browser build includes this before every file (-include), so the
// program's own sources stay as they are for the desktop. Each piece
// steps aside once the library has it.
#include <version>

#if defined(__EMSCRIPTEN__) && defined(_LIBCPP_VERSION)
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>

namespace std {

#if !defined(__cpp_lib_bit_cast)
template <class To, class From> constexpr To bit_cast(const From& from) noexcept {
    static_assert(sizeof(To) == sizeof(From));
    return __builtin_bit_cast(To, from);
}
#endif

#if _LIBCPP_VERSION < 14000
// With a precision, to_chars is defined as printf's %.*e, %.*f or %.*g in
// the "C" locale, which is what snprintf gives here (musl has no other).
inline to_chars_result __sw_to_chars(char* first, char* last, double value, chars_format fmt, int precision) {
    const char* spec = fmt == chars_format::scientific ? "%.*e"
                       : fmt == chars_format::fixed    ? "%.*f"
                       : fmt == chars_format::hex      ? "%.*a"
                                                       : "%.*g";
    const int n = std::snprintf(nullptr, 0, spec, precision, value);
    if (n < 0 || n > last - first)
        return {last, errc::value_too_large};
    char tmp[n + 1];
    std::snprintf(tmp, sizeof tmp, spec, precision, value);
    std::memcpy(first, tmp, static_cast<size_t>(n));
    return {first + n, errc()};
}
inline to_chars_result to_chars(char* first, char* last, double value, chars_format fmt, int precision) {
    return __sw_to_chars(first, last, value, fmt, precision);
}
inline to_chars_result to_chars(char* first, char* last, float value, chars_format fmt, int precision) {
    return __sw_to_chars(first, last, static_cast<double>(value), fmt, precision);
}

// from_chars (general format): no leading space or plus sign and no hex
// prefix, unlike strtod; out of range leaves the value alone.
inline from_chars_result from_chars(const char* first, const char* last, double& value,
                                    chars_format = chars_format::general) {
    const char* p = first;
    if (p != last && *p == '-')
        ++p;
    if (p == last || !(std::isdigit(static_cast<unsigned char>(*p)) || *p == '.' || *p == 'i' || *p == 'I' ||
                       *p == 'n' || *p == 'N'))
        return {first, errc::invalid_argument};
    if (p + 1 < last && p[0] == '0' && (p[1] == 'x' || p[1] == 'X'))
        last = p + 1; // "0x1" reads as 0, as from_chars does
    const std::string text(first, last);
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    if (end == text.c_str())
        return {first, errc::invalid_argument};
    const char* stop = first + (end - text.c_str());
    if (errno == ERANGE && (v == HUGE_VAL || v == -HUGE_VAL || v == 0.0))
        return {stop, errc::result_out_of_range};
    value = v;
    return {stop, errc()};
}

namespace ranges {
template <class Range, class Pred> bool any_of(Range&& range, Pred pred) {
    for (auto&& item : range)
        if (pred(item))
            return true;
    return false;
}
} // namespace ranges
#endif

} // namespace std
#endif
