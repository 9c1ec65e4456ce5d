// Checks of the exact exception a call raises.
#pragma once

#include <gtest/gtest.h>

#include <exception>
#include <string>
#include <typeinfo>

#include "gti/platform/codepage.h"

namespace gti_test {

// Succeeds when `f` throws an E (or a type derived from it) whose text is `message` byte for byte.
template <class E, class F>
::testing::AssertionResult throws_with(F&& f, const std::string& message) {
    try {
        f();
    } catch (const E& e) {
        if (e.what() == message) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "threw \"" << lib::cp1251::to_utf8(e.what()) << "\", expected \""
                                             << lib::cp1251::to_utf8(message) << "\"";
    } catch (const std::exception& e) {
        return ::testing::AssertionFailure()
               << "threw " << typeid(e).name() << " \"" << lib::cp1251::to_utf8(e.what()) << "\"";
    }
    return ::testing::AssertionFailure() << "did not throw";
}

}  // namespace gti_test
