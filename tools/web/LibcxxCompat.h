#pragma once
// What the libc++ of Debian's emscripten (libc++ 13) lacks of C++20 and the
// program uses: std::bit_cast, the std::ranges algorithms and the floating-point
// to_chars/from_chars.
// The browser build includes this before every file (-include), so the
// program's own sources stay as they are for the desktop. Each piece
// steps aside once the library has it.
#include <version>

#if defined(__EMSCRIPTEN__) && defined(_LIBCPP_VERSION)
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iterator>
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

// The other range algorithms the UI uses, several in constant expressions:
// each is the iterator algorithm (constexpr in libc++ 13) over the whole
// range, with the projections applied by hand.
template <class I, class O> struct __sw_in_out {
    I in;
    O out;
};
template <class Range, class Out> constexpr auto copy(Range&& range, Out out) {
    auto end = std::copy(std::begin(range), std::end(range), out);
    return __sw_in_out<decltype(std::end(range)), Out>{std::end(range), end};
}
template <class Range, class Out, class F> constexpr auto transform(Range&& range, Out out, F f) {
    auto end = std::transform(std::begin(range), std::end(range), out, f);
    return __sw_in_out<decltype(std::end(range)), Out>{std::end(range), end};
}
template <class Range, class Comp = ranges::less, class Proj = identity>
constexpr auto sort(Range&& range, Comp comp = {}, Proj proj = {}) {
    std::sort(std::begin(range), std::end(range), [&](const auto& a, const auto& b) {
        return std::invoke(comp, std::invoke(proj, a), std::invoke(proj, b));
    });
    return std::end(range);
}
template <class Range, class Pred = ranges::equal_to, class Proj = identity>
constexpr auto adjacent_find(Range&& range, Pred pred = {}, Proj proj = {}) {
    return std::adjacent_find(std::begin(range), std::end(range), [&](const auto& a, const auto& b) {
        return std::invoke(pred, std::invoke(proj, a), std::invoke(proj, b));
    });
}
template <class Range, class T, class Proj = identity>
constexpr std::ptrdiff_t count(Range&& range, const T& value, Proj proj = {}) {
    std::ptrdiff_t n = 0;
    for (auto&& item : range)
        if (std::invoke(proj, item) == value)
            ++n;
    return n;
}
template <class R1, class R2, class Pred = ranges::equal_to, class P1 = identity, class P2 = identity>
constexpr bool equal(R1&& r1, R2&& r2, Pred pred = {}, P1 p1 = {}, P2 p2 = {}) {
    auto a = std::begin(r1);
    auto b = std::begin(r2);
    for (; a != std::end(r1) && b != std::end(r2); ++a, ++b)
        if (!std::invoke(pred, std::invoke(p1, *a), std::invoke(p2, *b)))
            return false;
    return a == std::end(r1) && b == std::end(r2);
}
} // namespace ranges
#endif

} // namespace std
#endif
