// Whether the tests run under Wine. A few set-ups rely on Wine's behaviour
// and are skipped on Windows: a colour scheme or DPI written to the registry
// for the next program started (Windows applies them to the live desktop or
// after signing in again), the two registry views of App Paths kept apart
// (on Windows 7 and later they are one key), the full disk (a tmpfs the Linux
// test run mounts). VRIX_TEST_AS_ON_WINDOWS=1 makes the tests behave under
// Wine as they do on Windows.
#pragma once
#include <gtest/gtest.h>

bool RunsUnderWine();

// Wine itself, also where VRIX_TEST_AS_ON_WINDOWS=1: for a check that Wine's
// own behaviour, not a set-up of the prefix, keeps from running there.
bool IsWine();

// Skips the current test, with `reason`, where it does not run under Wine.
#define SKIP_UNLESS_UNDER_WINE(reason)                             \
    do {                                                           \
        if (!RunsUnderWine()) {                                    \
            GTEST_SKIP() << "needs Wine: " << (reason);            \
        }                                                          \
    } while (false)
