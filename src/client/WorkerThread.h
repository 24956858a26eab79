// One worker thread of a client: a channel's receive thread or the keep-alive thread. The thread
// sets its exited signal as its last act; Stop clears run, waits for that signal and joins.
#ifndef MIRAV_CLIENT_WORKER_THREAD_H
#define MIRAV_CLIENT_WORKER_THREAD_H

#include <atomic>
#include <thread>

#include "platform/Sync.h"

namespace mirav {

class WorkerThread {
public:
    using Routine = int (*)(WorkerThread* worker);

    WorkerThread() = default;
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // 0; 7 when the exited signal or the thread could not be created (reported, nothing left).
    int Start(void* owner, Routine routine, int failureSite);
    void Stop();

    bool Running() const { return run.load(std::memory_order_acquire); }
    bool HasThread() const { return thread_.joinable(); }
    void* Owner() const { return owner_.load(std::memory_order_acquire); }
    // Called by the routine as its last act.
    void SignalExited();
    // True on a thread started by any WorkerThread (receive and keep-alive threads): such a
    // thread must never wait for a worker to end, since that worker may be itself.
    static bool OnWorkerThread();

    std::atomic<bool> run{false};

private:
    std::atomic<void*> owner_{nullptr};
    System::CSignal exited_;
    std::thread thread_;
};

}  // namespace mirav

#endif
