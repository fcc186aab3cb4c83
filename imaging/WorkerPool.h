#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// A task given to a pool: Wait blocks until it has run and throws what it threw. The destructor
// waits too (throwing nothing), so a task never outlives what it uses on the giver's stack.
class TPoolTask {
public:
    TPoolTask() = default;
    TPoolTask(TPoolTask&& other) noexcept;
    TPoolTask& operator=(TPoolTask&& other) noexcept;
    ~TPoolTask();

    bool Valid() const { return State_ != nullptr; }
    // Waits for the task; rethrows its exception. Afterwards the handle is empty.
    void Wait();

private:
    friend class TWorkerPool;
    struct TState {
        std::mutex Mutex;
        std::condition_variable Finished;
        bool Done = false;
        std::exception_ptr Error;
    };
    void WaitQuietly();
    // Owned here; the worker only touches it until it has set Done, under the lock.
    std::unique_ptr<TState> State_;
};

// A fixed set of worker threads that run tasks in the order they were given. Rendering uses one
// pool for the whole run of the program, so no frame starts a thread of its own.
class TWorkerPool {
public:
    // A pool of `threads` workers. With none, Run does its task at once on the calling thread.
    explicit TWorkerPool(std::size_t threads);
    // Waits for the tasks already given, then ends the workers.
    ~TWorkerPool();
    TWorkerPool(const TWorkerPool&) = delete;
    TWorkerPool& operator=(const TWorkerPool&) = delete;

    // The program's pool: one worker per core, made on first use.
    static TWorkerPool& Shared();

    std::size_t ThreadCount() const { return Threads_.size(); }

    // Runs `task` on a worker.
    TPoolTask Run(std::function<void()> task);

    // Calls body(i) for every i below `count`, on the calling thread and on up to `threads` - 1
    // workers at once, and returns when all calls have returned. The calling thread works through
    // the indexes itself, so this never waits for a worker that is busy elsewhere (it may be
    // called from a task of this pool). `body` must not throw.
    void ParallelFor(std::size_t count, std::size_t threads, const std::function<void(std::size_t)>& body);

private:
    void Post(std::function<void()> task);
    void Work();

    std::mutex Mutex_;
    std::condition_variable Wake_;
    std::deque<std::function<void()>> Tasks_;
    bool Stopping_ = false;
    std::vector<std::thread> Threads_;
};
