#pragma once
// The hand-over between two threads of a pipeline: one side sends items, the
// other receives them in order. Memory stays bounded because the items are
// a fixed set of buffers that travel back and forth through two queues (one
// of filled buffers, one of empty ones); the queue itself never allocates
// more than that set.
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

template <typename T>
class BlockQueue {
public:
    // False (and the item dropped) once the queue was closed.
    bool send(T item)
    {
        {
            const std::lock_guard lock(mutex);
            if (closed)
                return false;
            items.push_back(std::move(item));
        }
        ready.notify_one();
        return true;
    }

    // The next item, waiting for one; none once the queue was closed.
    std::optional<T> receive()
    {
        std::unique_lock lock(mutex);
        ready.wait(lock, [this] { return closed || !items.empty(); });
        if (closed)
            return std::nullopt;
        T item = std::move(items.front());
        items.pop_front();
        return item;
    }

    // Wakes every waiting side: used when one side stops before the end.
    void close()
    {
        {
            const std::lock_guard lock(mutex);
            closed = true;
        }
        ready.notify_all();
    }

private:
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<T> items;
    bool closed = false;
};
