#include <gtest/gtest.h>

#include <new>

#include "tests/support/page_fixture.h"

namespace qs {
namespace {

using test::lines;

struct RunTask : ::testing::Test, test::page_on<> {};

TEST_F(RunTask, AnyFailureOfATaskIsShownAndLeavesTheWindowFreeForTheNextTask)
{
    bool busy_inside = false;
    page.run_task([&] {
        busy_inside = page.task_running();
        throw std::bad_alloc();
    });
    EXPECT_TRUE(busy_inside);
    EXPECT_FALSE(page.task_running());
    EXPECT_EQ(os.errors, lines{L"There is not enough memory to finish this step."});

    page.language = ui_language::german;
    page.run_task([] { throw 42; });
    EXPECT_FALSE(page.task_running());
    EXPECT_EQ(os.errors.back(), L"Dieser Schritt wurde wegen eines unerwarteten Fehlers abgebrochen.");

    // Even an error box that cannot be shown ends the task quietly.
    os.on_error = [] { throw std::bad_alloc(); };
    page.run_task([] { throw system_error(L"first"); });
    EXPECT_FALSE(page.task_running());
    os.on_error = nullptr;

    bool ran = false;
    page.run_task([&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_EQ(os.errors.size(), 2u);
}

}  // namespace
}  // namespace qs
