#pragma once

#include <functional>
#include <utility>

namespace glasspane {

// The busy pointer around a long operation: begun on entry and ended however the scope is left.
// Either function may be empty. Scopes nest, as the caller's own busy pointer does.
class BusyScope
{
public:
    // The end is kept as a copy: the caller's function may be gone or replaced by the time the
    // scope ends.
    BusyScope(const std::function<void()>& begin, std::function<void()> end) : m_end(std::move(end))
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
    std::function<void()> m_end;
};

} // namespace glasspane
