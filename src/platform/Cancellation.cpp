#include "platform/Cancellation.h"

#include <atomic>

namespace zarovia {

namespace {

thread_local const CancellationScope* currentScope = nullptr;
std::atomic<bool> quitting{false};

}  // namespace

CancellationScope::CancellationScope(std::function<bool()> stillWanted)
    : stillWanted_(std::move(stillWanted)), outer_(currentScope) {
    currentScope = this;
}

CancellationScope::~CancellationScope() {
    currentScope = outer_;
}

bool CancellationScope::cancelled() const {
    return stillWanted_ && !stillWanted_();
}

bool cancellationRequested() {
    if (!currentScope) return false;
    return quitting.load(std::memory_order_relaxed) || currentScope->cancelled();
}

void checkpoint() {
    if (cancellationRequested()) throw WorkCancelled{};
}

std::function<bool()> stillWantedHere() {
    const CancellationScope* scope = currentScope;
    return [scope] { return scope == nullptr || !scope->cancelled(); };
}

void requestShutdown() {
    quitting.store(true, std::memory_order_relaxed);
}

bool shutdownRequested() {
    return quitting.load(std::memory_order_relaxed);
}

}  // namespace zarovia
