#pragma once
// A very small test runner for the Windows program: no Qt, no test library to cross-build.
// A case is a function; a failed CHECK marks its case failed and goes on, a failed REQUIRE
// also leaves the case, and a case that cannot run here calls skip() and returns. The last
// line printed is "N passed, N failed" (counted in cases; skipped ones are listed before).
#include <cinttypes>
#include <cstdio>
#include <functional>
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

inline bool &caseFailed()
{
    static bool failed = false;
    return failed;
}

// Why the running case was skipped; empty when it ran.
inline std::string &skipReason()
{
    static std::string reason;
    return reason;
}

inline void skip(const std::string &reason) { skipReason() = reason; }

// The case name and any context the case wants in its failure lines ("row: 5.2").
inline std::string &context()
{
    static std::string text;
    return text;
}

inline void fail(const char *file, int line, const std::string &what)
{
    caseFailed() = true;
    const char *base = file;
    for (const char *p = file; *p; ++p)
        if (*p == '/' || *p == '\\')
            base = p + 1;
    std::printf("  FAIL %s:%d: %s%s%s\n", base, line, what.c_str(), context().empty() ? "" : "  [",
                context().empty() ? "" : (context() + "]").c_str());
    std::fflush(stdout);
}

template <typename T>
std::string show(const T &value)
{
    if constexpr (std::is_same_v<T, bool>) {
        return value ? "true" : "false";
    } else if constexpr (std::is_integral_v<T> || std::is_enum_v<T>) {
        char text[64];
        const long long number = static_cast<long long>(value);
        std::snprintf(text, sizeof text, "%lld (0x%llX)", number, static_cast<unsigned long long>(value));
        return text;
    } else if constexpr (std::is_pointer_v<T>) {
        char text[32];
        std::snprintf(text, sizeof text, "%p", static_cast<const void *>(value));
        return text;
    } else {
        return "\"" + std::string(value) + "\"";
    }
}

inline int runAll()
{
    int passed = 0;
    int failed = 0;
    std::vector<std::string> skipped;
    for (const Case &c : cases()) {
        caseFailed() = false;
        skipReason().clear();
        context().clear();
        try {
            c.run();
        } catch (const std::exception &e) {
            fail(__FILE__, __LINE__, std::string("exception: ") + e.what());
        }
        if (!caseFailed() && !skipReason().empty()) {
            std::printf("SKIP %s: %s\n", c.name, skipReason().c_str());
            skipped.push_back(c.name);
            continue;
        }
        std::printf("%s %s\n", caseFailed() ? "FAIL" : "PASS", c.name);
        std::fflush(stdout);
        (caseFailed() ? failed : passed) += 1;
    }
    if (!skipped.empty()) {
        std::printf("%zu skipped:", skipped.size());
        for (const std::string &name : skipped)
            std::printf(" %s", name.c_str());
        std::printf("\n");
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
