// The plan table of a subroutine: found by the line's offset, the next one tried first.
#include "scripts/engine/script_plans.h"
#include <algorithm>

stLinePlan* CScriptPlans::Find(uint32_t offset) {
    const size_t n = m_plans.size();
    if (n == 0) return nullptr;
    for (size_t i : {m_hint + 1, m_hint}) {
        if (i < n && m_plans[i]->offset == offset) {
            m_hint = i;
            return m_plans[i].get();
        }
    }
    auto at = std::lower_bound(m_plans.begin(), m_plans.end(), offset,
                               [](const std::unique_ptr<stLinePlan>& p, uint32_t o) { return p->offset < o; });
    if (at == m_plans.end() || (*at)->offset != offset) return nullptr;
    m_hint = static_cast<size_t>(at - m_plans.begin());
    return at->get();
}

stLinePlan* CScriptPlans::Add(std::unique_ptr<stLinePlan> plan) {
    const uint32_t offset = plan->offset;
    auto at = std::lower_bound(m_plans.begin(), m_plans.end(), offset,
                               [](const std::unique_ptr<stLinePlan>& p, uint32_t o) { return p->offset < o; });
    if (at != m_plans.end() && (*at)->offset == offset) return at->get();  // planned meanwhile
    at = m_plans.insert(at, std::move(plan));
    m_hint = static_cast<size_t>(at - m_plans.begin());
    return at->get();
}
