#pragma once

// Qt's QTRY_ macros look at their condition every 50 ms (for waits of 350 ms or more). These
// tests wait for many short events (an open, a seek, a decode), and those steps add up to
// seconds of nothing. Included after <QTest>, the same macros look about every 10 ms instead,
// through QTest::qWaitFor, and fail with the same message.

#include <QTest>

#undef QTRY_IMPL
#define QTRY_IMPL(expr, timeout) \
    static_cast<void>(QTest::qWaitFor([&]() -> bool { return bool(expr); }, timeout));
