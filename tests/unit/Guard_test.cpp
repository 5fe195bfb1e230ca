#include "util/Guard.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>

namespace {

std::string Traced(const std::function<void()>& run)
{
    std::string seen;
    SetTraceOutputs({nullptr, [&seen](const std::string& chunk) { seen += chunk; }});
    run();
    SetTraceOutputs({});
    return seen;
}

} // namespace

TEST(Guard, CatchesAndTracesWhatEscapes)
{
    struct Case {
        std::function<void()> body;
        bool returned;
        std::string line;
    };
    const Case cases[] = {
        {[] {}, true, ""},
        {[] { throw std::runtime_error("entry too large"); }, false, " --- Tick() --- entry too large\r\n"},
        {[] { throw std::bad_alloc(); }, false, " --- Tick() --- std::bad_alloc\r\n"},
        {[] { throw 42; }, false, " --- Tick() --- unknown exception\r\n"},
    };
    for (const Case& c : cases) {
        bool result = !c.returned;
        EXPECT_EQ(Traced([&] { result = Guarded("Tick", c.body); }), c.line);
        EXPECT_EQ(result, c.returned) << c.line;
    }
}

TEST(Guard, BusyFlagClearsOnEveryWayOut)
{
    bool busy = false;
    {
        BusyGuard outer(busy);
        EXPECT_TRUE(outer.Entered());
        EXPECT_TRUE(busy);
        {
            // A nested entry (a tick dispatched inside a tick's wait) does not run and
            // must not clear the outer one's flag.
            BusyGuard inner(busy);
            EXPECT_FALSE(inner.Entered());
        }
        EXPECT_TRUE(busy);
    }
    EXPECT_FALSE(busy);

    Guarded("Tick", [&] {
        BusyGuard tick(busy);
        throw std::runtime_error("damaged entry");
    });
    EXPECT_FALSE(busy);
}
