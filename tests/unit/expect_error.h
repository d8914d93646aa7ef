// Checking that an action fails with one exception type and exactly the system's text.
#pragma once

#include <functional>
#include <string>

#include <gtest/gtest.h>

template <class Error> void ExpectError(const std::function<void()>& action, const std::string& text) {
    try {
        action();
        ADD_FAILURE() << "no error for " << text;
    } catch (const Error& e) {
        EXPECT_EQ(e.what(), text);
    }
}
