#include "worker_thread.h"

#include <utility>

#include "comm_constants.h"

namespace serial {

void WorkerThread::Start(const Launcher& launch) {
    thread_ = launch([this] { Execute(); });
}

void WorkerThread::Start() {
    Start([](std::function<void()> body) { return std::thread(std::move(body)); });
}

void WorkerThread::Join() {
    if (thread_.joinable()) thread_.join();
}

bool WorkerThread::Post(uint32_t code, uint32_t wParam, uint32_t lParam) {
    Message n;
    n.code = code;
    n.wParam = wParam;
    n.lParam = lParam;
    return NotifyWindow->Post(std::move(n));
}

void WorkerThread::PostFailure(int systemError) {
    Message n;
    n.code = NOTIFY_COMM_FAILURE;
    n.systemError = systemError;
    NotifyWindow->Post(std::move(n));
}

}  // namespace serial
