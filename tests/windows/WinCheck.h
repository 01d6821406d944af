#pragma once
// A very small test runner for the Windows program (no Qt, no test library to cross-build). A
// case is a function; a failed CHECK marks its case failed and goes on, a failed REQUIRE also
// leaves the case; a case that cannot run here calls skip(). Last line: "N passed, N failed".
#include <cstdio>
#include <string>
#include <type_traits>
#include <vector>

namespace wincheck {

struct Case
{
    const char *name;
    void (*run)();
};
inline std::vector<Case> &cases()
{
    static std::vector<Case> all;
    return all;
}
struct Register
{
    Register(const char *name, void (*run)()) { cases().push_back({name, run}); }
};
inline bool s_failed = false;
inline std::string s_skipped; // why the running case was skipped
inline std::string s_context; // shown with its failures ("row: 5.2")
inline std::string &context() { return s_context; }
inline void skip(const std::string &reason) { s_skipped = reason; }

inline void fail(const char *file, int line, const std::string &what)
{
    s_failed = true;
    std::printf("  FAIL %s:%d: %s%s\n", file, line, what.c_str(),
                s_context.empty() ? "" : ("  [" + s_context + "]").c_str());
    std::fflush(stdout);
}

template <typename T>
std::string show(const T &value)
{
    if constexpr (std::is_integral_v<T> || std::is_enum_v<T>) {
        char text[64];
        std::snprintf(text, sizeof text, "%lld (0x%llX)", static_cast<long long>(value),
                      static_cast<unsigned long long>(value));
        return text;
    } else if constexpr (std::is_pointer_v<T>) {
        return value ? "non-null" : "null";
    } else {
        return "\"" + std::string(value) + "\"";
    }
}

inline int runAll()
{
    int passed = 0, failed = 0;
    for (const Case &c : cases()) {
        s_failed = false;
        s_skipped.clear();
        s_context.clear();
        c.run();
        if (!s_failed && !s_skipped.empty()) {
            std::printf("SKIP %s: %s\n", c.name, s_skipped.c_str());
            continue;
        }
        std::printf("%s %s\n", s_failed ? "FAIL" : "PASS", c.name);
        (s_failed ? failed : passed) += 1;
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    std::fflush(stdout);
    return failed == 0 ? 0 : 1;
}

} // namespace wincheck

#define WIN_TEST(name)                                               \
    static void name();                                              \
    static const wincheck::Register name##_registered(#name, &name); \
    static void name()
#define CHECK(condition)                                                 \
    do {                                                                 \
        if (!(condition))                                                \
            wincheck::fail(__FILE__, __LINE__, "CHECK(" #condition ")"); \
    } while (0)
#define CHECK_EQ(actual, expected)                                                                                \
    do {                                                                                                          \
        const auto &calder_a = (actual);                                                                          \
        const auto &calder_e = (expected);                                                                        \
        if (!(calder_a == calder_e))                                                                              \
            wincheck::fail(__FILE__, __LINE__,                                                                    \
                           #actual " is " + wincheck::show(calder_a) + ", expected " + wincheck::show(calder_e)); \
    } while (0)
#define REQUIRE(condition)                                                 \
    do {                                                                   \
        if (!(condition)) {                                                \
            wincheck::fail(__FILE__, __LINE__, "REQUIRE(" #condition ")"); \
            return;                                                        \
        }                                                                  \
    } while (0)
