#pragma once
// The hand-over between two threads of a pipeline: one side sends items, the
// other receives them in order. Memory stays bounded because the items are
// a fixed set of buffers that travel back and forth through two queues (one
// of filled buffers, one of empty ones); the queue itself never allocates
// more than that set.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

template <typename T>
class BlockQueue {
public:
    // False (and the item dropped) once the queue was closed.
    bool send(T item)
    {
        {
            const std::lock_guard lock(mutex);
            if (closed) return false;
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
        if (closed) return std::nullopt;
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

// A thread that fills a fixed set of items ahead of the one consuming them,
// in order: the set travels between an empty and a full queue, so memory is
// that of the set whatever the length of the input.
template <typename T>
class Prefetcher {
public:
    // Fills one item; false when it was the last one.
    using filler = std::function<bool(T&)>;

    Prefetcher(std::size_t count, const std::function<std::unique_ptr<T>()>& make)
    {
        for (std::size_t i = 0; i < count; ++i)
            emptyItems.send(make());
    }
    ~Prefetcher() { stop(); }
    Prefetcher(const Prefetcher&) = delete;
    Prefetcher& operator=(const Prefetcher&) = delete;

    // Starts the filling thread. When no thread can be started (a process
    // limit, no memory for its stack), the items are filled on the
    // consumer's thread instead, one per next(): slower, never wrong.
    void start(filler fill)
    {
        try {
            worker = std::thread([this, fill] { work(fill); });
        } catch (const std::system_error&) {
            inlineFill = std::move(fill);
        }
    }
    bool started() const { return worker.joinable() || inlineFill != nullptr; }

    // The next filled item, waiting for it; the item returned before goes
    // back to be filled again. Null when the filling stopped. The consumer
    // must not ask beyond the item the filler called the last. What the
    // filler threw (running out of memory) is thrown here, on the consumer's
    // thread, where the program can report it.
    T* next()
    {
        if (inlineFill) return nextInline();
        if (held) emptyItems.send(std::move(held));
        std::optional<std::unique_ptr<T>> item = fullItems.receive();
        if (!item) {
            rethrowFailure();
            return nullptr;
        }
        held = std::move(*item);
        return held.get();
    }

    // Ends the thread; it first finishes the item it is filling.
    void stop()
    {
        emptyItems.close();
        fullItems.close();
        if (worker.joinable()) worker.join();
    }

private:
    void work(const filler& fill)
    {
        try {
            for (;;) {
                std::optional<std::unique_ptr<T>> item = emptyItems.receive();
                if (!item) return;
                const bool more = fill(**item);
                if (!fullItems.send(std::move(*item)) || !more) return;
            }
        } catch (...) {
            {
                const std::lock_guard lock(failureMutex);
                failure = std::current_exception();
            }
            fullItems.close();
        }
    }

    void rethrowFailure()
    {
        std::exception_ptr thrown;
        {
            const std::lock_guard lock(failureMutex);
            thrown = std::exchange(failure, nullptr);
        }
        if (thrown) std::rethrow_exception(thrown);
    }

    T* nextInline()
    {
        if (inlineEnded) return nullptr;
        if (!held) {
            std::optional<std::unique_ptr<T>> item = emptyItems.receive();
            if (!item) return nullptr;
            held = std::move(*item);
        }
        inlineEnded = !inlineFill(*held);
        return held.get();
    }

    BlockQueue<std::unique_ptr<T>> emptyItems;
    BlockQueue<std::unique_ptr<T>> fullItems;
    std::thread worker;
    std::unique_ptr<T> held;
    std::mutex failureMutex;
    std::exception_ptr failure;
    filler inlineFill;
    bool inlineEnded = false;
};
