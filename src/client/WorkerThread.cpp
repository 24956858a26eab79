#include "client/WorkerThread.h"

#include <cerrno>
#include <system_error>

#include "platform/Diagnostics.h"

namespace mirav {
namespace {
constexpr int kSiteThreadRefused = 58;
constexpr int kResultNotCreated = 7;
// Trivially destructible, so it is safe at thread exit on every runtime.
thread_local bool onWorkerThread = false;
}  // namespace

bool WorkerThread::OnWorkerThread() { return onWorkerThread; }

WorkerThread::~WorkerThread() { Stop(); }

int WorkerThread::Start(void* owner, Routine routine, int failureSite) {
    owner_.store(owner, std::memory_order_release);
    run.store(true, std::memory_order_release);
    if (exited_.Create() != System::kResultOk) {
        run.store(false);
        owner_.store(nullptr);
        System::ReportFailed(failureSite);
        return kResultNotCreated;
    }
    try {
        thread_ = std::thread([this, routine] {
            onWorkerThread = true;
            routine(this);
        });
    } catch (const std::system_error& error) {
        System::ReportSysError(kSiteThreadRefused, error.code().value());
        exited_.Dispose();
        run.store(false);
        owner_.store(nullptr);
        System::ReportFailed(failureSite);
        return kResultNotCreated;
    }
    return 0;
}

void WorkerThread::SignalExited() {
    run.store(false, std::memory_order_release);
    exited_.Set();
}

void WorkerThread::Stop() {
    if (!thread_.joinable()) return;
    run.store(false, std::memory_order_release);
    exited_.Wait(System::kWaitForever);
    thread_.join();
    exited_.Dispose();
    owner_.store(nullptr, std::memory_order_release);
}

}  // namespace mirav
