#pragma once

#include <QTest>

// Qt Test checks for use inside coroutines returning QCoro::Task<void>: QVERIFY would `return`,
// which a coroutine cannot, so these end the coroutine with co_return instead.
#define QCORO_VERIFY(statement)                                                                    \
    do {                                                                                           \
        if (!QTest::qVerify(static_cast<bool>(statement), #statement, "", __FILE__, __LINE__))     \
            co_return;                                                                             \
    } while (false)

#define QCORO_COMPARE(actual, expected)                                                            \
    do {                                                                                           \
        if (!QTest::qCompare(actual, expected, #actual, #expected, __FILE__, __LINE__))            \
            co_return;                                                                             \
    } while (false)
