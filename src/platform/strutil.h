// Small string helpers for the engine's narrow (CP1252) text.
#pragma once
#include <cstdarg>
#include <initializer_list>
#include <string>
#include <string_view>

namespace valorix {

/// printf-style formatting into a std::string (C99 conversions on every system).
#ifdef _WIN32
std::string Format(const char* fmt, ...) __attribute__((format(gnu_printf, 1, 2)));
#else
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
#endif

/// True for space, tab, line feed, vertical tab, form feed and carriage return.
inline bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);
std::string Trim(std::string_view s);
/// ASCII upper case; other bytes stay as they are.
std::string ToUpperAscii(std::string_view s);
/// Case-insensitive ASCII comparison.
bool EqualsNoCase(std::string_view a, std::string_view b);
inline bool Contains(std::string_view s, std::string_view part) {
    return s.find(part) != std::string_view::npos;
}
inline bool EndsWith(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}
inline bool StartsWith(std::string_view s, std::string_view head) {
    return s.substr(0, head.size()) == head;
}
/// True when `s` ends with one of `tails`.
inline bool EndsWithAny(std::string_view s, std::initializer_list<const char*> tails) {
    for (const char* t : tails)
        if (EndsWith(s, t)) return true;
    return false;
}
/// True when the text holds a control character (below 0x20, or DEL).
bool HasControlCharacters(std::string_view s);
/// Removes every occurrence of `what` from `s`.
std::string RemoveAll(std::string s, std::string_view what);

}  // namespace valorix
