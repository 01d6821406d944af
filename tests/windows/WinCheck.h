#pragma once
// A very small test runner for the Windows program (no Qt, no test library to cross-build). A
// failed CHECK marks its case failed and goes on, a failed REQUIRE also leaves the case.
#include <cstdio>
#include <string>
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
inline std::string s_context; // the table row, shown with its failures

inline bool fail(const char *file, int line, const std::string &what)
{
    s_failed = true;
    std::printf("  FAIL %s:%d: %s  [%s]\n", file, line, what.c_str(), s_context.c_str());
    std::fflush(stdout);
    return false;
}

template <typename A, typename E>
bool checkEqual(const A &actual, const E &expected, const char *file, int line, const char *text)
{
    return actual == expected || fail(file, line,
                                      std::string(text) + " is " + std::to_string(static_cast<long long>(actual)) +
                                          ", expected " + std::to_string(static_cast<long long>(expected)));
}

// Last line: "N passed, N failed" (scripts/test-windows reads it).
inline int runAll()
{
    int passed = 0, failed = 0;
    for (const Case &c : cases()) {
        s_failed = false;
        s_context.clear();
        c.run();
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
#define CHECK(condition)           (void)((condition) || wincheck::fail(__FILE__, __LINE__, "CHECK(" #condition ")"))
#define CHECK_EQ(actual, expected) wincheck::checkEqual((actual), (expected), __FILE__, __LINE__, #actual)
#define REQUIRE(condition)                                                 \
    do {                                                                   \
        if (!(condition)) {                                                \
            wincheck::fail(__FILE__, __LINE__, "REQUIRE(" #condition ")"); \
            return;                                                        \
        }                                                                  \
    } while (0)
