#pragma once

#include "data/error.h"

#include <functional>
#include <string>

namespace orvanta::test {

// The message of the orvanta::Error a call throws, or "<no error>".
inline std::string errorOf(const std::function<void()>& fn)
{
    try {
        fn();
    } catch (const Error& e) {
        return e.what();
    }
    return "<no error>";
}

}  // namespace orvanta::test
