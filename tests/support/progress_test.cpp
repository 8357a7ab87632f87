#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "progress.h"

// The exact bytes of one progress line.
static std::string Line(char const* percent) { return std::string(percent) + "% done\x1b[A\n"; }

TEST(Progress, PrintsThePassedThresholds) {
    struct {
        long steps;
        std::vector<char const*> lines;  // Begin() and every Next()
    } const cases[] = {
        {4, {"   1", "   1", "  26", "  51", "  76"}},
        {3, {"   1", "   1", "  34", "  67"}},
        {1, {"   1", "   1"}},
        {0, {"   1", "   1"}},  // a step of 1.0
    };
    for (auto const& c : cases) {
        Progress progress;
        progress.Set(c.steps, 100.0);
        testing::internal::CaptureStderr();
        progress.Begin();
        for (long i = 0; i < (c.steps > 0 ? c.steps : 3); ++i) progress.Next();
        std::string expected;
        for (char const* percent : c.lines) expected += Line(percent);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), expected) << c.steps << " steps";
    }
}

TEST(Progress, SmallStepsPrintOnlyWhenAThresholdIsPassed) {
    Progress progress;
    progress.Set(1000, 100.0);
    testing::internal::CaptureStderr();
    for (int i = 0; i < 1000; ++i) progress.Next();
    std::string printed = testing::internal::GetCapturedStderr();
    std::string expected;
    for (int percent = 1; percent <= 99; ++percent) {
        std::string number = std::to_string(percent);
        expected += Line((std::string(4 - number.size(), ' ') + number).c_str());
    }
    EXPECT_EQ(printed, expected);  // no line shows 100
}

TEST(Progress, BeginRestarts) {
    Progress progress;
    progress.Set(2, 100.0);
    testing::internal::CaptureStderr();
    progress.Begin();
    progress.Next();
    progress.Next();
    progress.Begin();
    progress.Next();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              Line("   1") + Line("   1") + Line("  51") + Line("   1") + Line("   1"));
}

// The counter's rule, step by step: each step adds its share; a step that
// takes the sum strictly past the next whole percentage prints that
// percentage, and the next one becomes the sum's whole part plus 1.
static std::string ModelLines(long steps, double total, long calls) {
    std::string lines;
    long next = 1;
    double done = 0;
    double step = steps > 0 ? total / steps : 1.0;
    auto print = [&] {
        std::string number = std::to_string(next);
        lines += Line((std::string(number.size() < 4 ? 4 - number.size() : 0, ' ') + number).c_str());
    };
    print();  // Begin()
    for (long i = 0; i < calls; ++i) {
        done += step;
        if (done > next) {
            print();
            next = static_cast<long>(done) + 1;
        }
    }
    return lines;
}

TEST(Progress, EveryStepCountAndTotalPrintsTheModelsLines) {
    double const totals[] = {100.0, 1.0, 0.5, 33.3, 99.99, 250.0, 1e4, 1e-3};
    for (double total : totals) {
        for (long steps = 0; steps <= 1200; steps += steps < 50 ? 1 : 37) {
            long calls = steps + steps / 3 + 2;  // past the end too
            Progress progress;
            progress.Set(steps, total);
            testing::internal::CaptureStderr();
            progress.Begin();
            for (long i = 0; i < calls; ++i) progress.Next();
            ASSERT_EQ(testing::internal::GetCapturedStderr(), ModelLines(steps, total, calls))
                << steps << " steps of a total of " << total;
        }
    }
}
