#include "imaging/WorkerPool.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <system_error>

TWorkerPool::TWorkerPool(std::size_t threads) {
    for (std::size_t i = 0; i < threads; ++i) {
        try {
            Threads_.emplace_back([this] { Work(); });
        } catch (const std::system_error&) {
            break; // no more threads to be had: the pool works with those it has
        }
    }
}

TWorkerPool::~TWorkerPool() {
    {
        std::lock_guard lock(Mutex_);
        Stopping_ = true;
    }
    Wake_.notify_all();
    for (std::thread& thread : Threads_)
        thread.join();
}

TWorkerPool& TWorkerPool::Shared() {
    static TWorkerPool pool(std::max(1u, std::thread::hardware_concurrency()));
    return pool;
}

void TWorkerPool::Work() {
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock lock(Mutex_);
            Wake_.wait(lock, [this] { return Stopping_ || !Tasks_.empty(); });
            if (Tasks_.empty())
                return;
            task = std::move(Tasks_.front());
            Tasks_.pop_front();
        }
        task();
    }
}

void TWorkerPool::Post(std::function<void()> task) {
    {
        std::lock_guard lock(Mutex_);
        Tasks_.push_back(std::move(task));
    }
    Wake_.notify_one();
}

TPoolTask::TPoolTask(TPoolTask&& other) noexcept : State_(std::move(other.State_)) {}

TPoolTask& TPoolTask::operator=(TPoolTask&& other) noexcept {
    if (this != &other) {
        WaitQuietly();
        State_ = std::move(other.State_);
    }
    return *this;
}

TPoolTask::~TPoolTask() {
    WaitQuietly();
}

void TPoolTask::WaitQuietly() {
    if (!State_)
        return;
    std::unique_lock lock(State_->Mutex);
    State_->Finished.wait(lock, [this] { return State_->Done; });
    lock.unlock();
    State_.reset();
}

void TPoolTask::Wait() {
    if (!State_)
        return;
    std::exception_ptr error;
    {
        std::unique_lock lock(State_->Mutex);
        State_->Finished.wait(lock, [this] { return State_->Done; });
        error = State_->Error;
    }
    State_.reset();
    if (error)
        std::rethrow_exception(error);
}

TPoolTask TWorkerPool::Run(std::function<void()> task) {
    TPoolTask handle;
    handle.State_ = std::make_unique<TPoolTask::TState>();
    // The task's exception is made and stored by the worker before it sets Done, and read by the
    // waiting thread after: the lock orders the two.
    auto run = [state = handle.State_.get()](std::function<void()>& work) {
        std::exception_ptr error;
        try {
            work();
        } catch (...) {
            error = std::current_exception();
        }
        work = nullptr;
        std::lock_guard lock(state->Mutex);
        state->Error = std::move(error);
        state->Done = true;
        state->Finished.notify_all();
    };
    if (Threads_.empty())
        run(task);
    else
        Post([run, work = std::move(task)]() mutable { run(work); });
    return handle;
}

void TWorkerPool::ParallelFor(std::size_t count, std::size_t threads,
                              const std::function<void(std::size_t)>& body) {
    // Helpers may start after every index is taken, even after this returns: they share only
    // this state, and touch `body` only for an index they took while the caller still waits.
    struct TState {
        std::atomic<std::size_t> Next{0};
        std::size_t Count = 0;
        const std::function<void(std::size_t)>* Body = nullptr;
        std::mutex Mutex;
        std::condition_variable Done;
        std::size_t Finished = 0;
    };
    auto state = std::make_shared<TState>();
    state->Count = count;
    state->Body = &body;
    auto work = [state] {
        std::size_t finished = 0;
        for (std::size_t i = state->Next++; i < state->Count; i = state->Next++) {
            (*state->Body)(i);
            ++finished;
        }
        if (finished > 0) {
            std::lock_guard lock(state->Mutex);
            state->Finished += finished;
            if (state->Finished == state->Count)
                state->Done.notify_all();
        }
    };
    const std::size_t helpers =
        std::min({threads > 0 ? threads - 1 : 0, ThreadCount(), count > 0 ? count - 1 : 0});
    for (std::size_t i = 0; i < helpers; ++i)
        Post(work);
    work();
    std::unique_lock lock(state->Mutex);
    state->Done.wait(lock, [&] { return state->Finished == state->Count; });
}
