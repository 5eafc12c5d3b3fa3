#pragma once

#include "ByteBudget.h"

namespace ParcelKit {

// Bytes granted by a ByteBudget, given back when the grant goes out of scope, whichever way the
// holder ends (success, failure or cancellation).
class BudgetGrant {
public:
    BudgetGrant(ByteBudget& budget, qint64 bytes) : m_budget(&budget), m_bytes(bytes) {}
    ~BudgetGrant() { m_budget->release(m_bytes); }
    BudgetGrant(const BudgetGrant&) = delete;
    BudgetGrant& operator=(const BudgetGrant&) = delete;

private:
    ByteBudget* m_budget;
    qint64 m_bytes;
};

} // namespace ParcelKit
