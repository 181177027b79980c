#pragma once

#include <functional>

namespace glasspane {

// The busy pointer around a long operation: begun on entry and ended however the scope is left.
// Either function may be empty. Scopes nest, as the caller's own busy pointer does.
class BusyScope
{
public:
    BusyScope(const std::function<void()>& begin, const std::function<void()>& end) : m_end(end)
    {
        if (begin)
            begin();
    }
    ~BusyScope()
    {
        if (m_end)
            m_end();
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    const std::function<void()>& m_end;
};

} // namespace glasspane
