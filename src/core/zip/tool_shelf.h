#pragma once

#include <memory>
#include <mutex>
#include <vector>

namespace quorvel {

// Tools lent to the tasks of a worker pool: one set per running task, made when none is idle and
// reused after, as setting up an inflater or growing a buffer costs more than a small entry's work.
template <typename Tools> class ToolShelf {
public:
    std::unique_ptr<Tools> borrow() {
        std::lock_guard lock(m_mutex);
        if (m_idle.empty())
            return std::make_unique<Tools>();
        std::unique_ptr<Tools> tools = std::move(m_idle.back());
        m_idle.pop_back();
        return tools;
    }
    void giveBack(std::unique_ptr<Tools> tools) {
        std::lock_guard lock(m_mutex);
        m_idle.push_back(std::move(tools));
    }

private:
    std::mutex m_mutex;
    std::vector<std::unique_ptr<Tools>> m_idle;
};

} // namespace quorvel
