// SPDX-License-Identifier: MIT
// A minimal check framework for the cross-built tests that run under Wine,
// where Qt Test is not available. Each check prints a line only when it
// fails; finish() prints "N passed, N failed" and gives the exit code.
#pragma once

#include <cstdint>
#include <iostream>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

namespace winecheck {

struct Counters
{
    int passed = 0;
    int failed = 0;
};

inline Counters &counters()
{
    static Counters c;
    return c;
}

inline std::string narrow(const std::wstring &text)
{
    std::string out;
    for (wchar_t c : text)
        out += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
    return out;
}

template <typename T> std::string show(const T &value)
{
    std::ostringstream s;
    if constexpr (std::is_same_v<T, std::wstring>)
        s << '"' << narrow(value) << '"';
    else if constexpr (std::is_same_v<T, std::string>)
        s << '"' << value << '"';
    else if constexpr (std::is_same_v<T, bool>)
        s << (value ? "true" : "false");
    else if constexpr (std::is_enum_v<T>)
        s << static_cast<long long>(value);
    else if constexpr (std::is_integral_v<T> && std::is_signed_v<T>)
        s << static_cast<long long>(value);
    else if constexpr (std::is_integral_v<T>)
        s << static_cast<unsigned long long>(value) << " (0x" << std::hex
          << static_cast<unsigned long long>(value) << ')';
    else
        s << value;
    return s.str();
}

inline bool record(bool ok, const char *file, int line, const std::string &what)
{
    if (ok) {
        ++counters().passed;
    } else {
        ++counters().failed;
        std::cout << "FAIL " << file << ':' << line << ": " << what << std::endl;
    }
    return ok;
}

template <typename A, typename B>
bool checkEqual(const A &actual, const B &expected, const char *actualText, const char *expectedText,
                const char *file, int line)
{
    const bool ok = actual == expected;
    if (ok)
        return record(true, file, line, {});
    return record(false, file, line,
                  std::string(actualText) + " == " + expectedText + "\n    actual:   " + show(actual) +
                      "\n    expected: " + show(expected));
}

// Redirects a standard stream (std::cout, std::cerr, std::wcout...) into a
// string for as long as it lives.
template <typename Char> class StreamCapture
{
public:
    explicit StreamCapture(std::basic_ostream<Char> &stream)
        : stream(stream), saved(stream.rdbuf(buffer.rdbuf()))
    {
    }
    ~StreamCapture() { stream.rdbuf(saved); }
    StreamCapture(const StreamCapture &) = delete;
    StreamCapture &operator=(const StreamCapture &) = delete;

    std::basic_string<Char> text() const { return buffer.str(); }
    // The captured text split at newlines; a final newline ends the last line.
    std::vector<std::basic_string<Char>> lines() const
    {
        std::vector<std::basic_string<Char>> result;
        const std::basic_string<Char> all = buffer.str();
        std::size_t start = 0;
        while (start < all.size()) {
            std::size_t end = all.find(Char('\n'), start);
            if (end == std::basic_string<Char>::npos)
                end = all.size();
            result.push_back(all.substr(start, end - start));
            start = end + 1;
        }
        return result;
    }
    void clear() { buffer.str({}); }

private:
    std::basic_ostream<Char> &stream;
    std::basic_ostringstream<Char> buffer;
    std::basic_streambuf<Char> *saved;
};

// Runs one named group of checks; a group is a plain function.
inline void run(const char *name, void (*group)())
{
    const int failedBefore = counters().failed;
    group();
    std::cout << (counters().failed == failedBefore ? "PASS   " : "FAILED ") << name << std::endl;
}

inline int finish()
{
    std::cout << counters().passed << " passed, " << counters().failed << " failed" << std::endl;
    return counters().failed == 0 && counters().passed > 0 ? 0 : 1;
}

} // namespace winecheck

#define CHECK(condition) ::winecheck::record(static_cast<bool>(condition), __FILE__, __LINE__, #condition)
#define CHECK_EQ(actual, expected)                                                                           \
    ::winecheck::checkEqual((actual), (expected), #actual, #expected, __FILE__, __LINE__)
#define RUN(group) ::winecheck::run(#group, group)
