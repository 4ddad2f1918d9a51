#pragma once

#include <functional>
#include <utility>

namespace zarovia::window {

// A group of controls built together the first time one of them is used, so a window starts
// without paying for a pane it may never show.
class DeferredPane {
public:
    void setBuilder(std::function<void()> build) { build_ = std::move(build); }
    // True from the moment the build starts: the builder works on the pane as a built one.
    bool built() const { return built_; }
    void ensureBuilt() {
        if (built_ || !build_) return;
        built_ = true;
        build_();
    }

private:
    std::function<void()> build_;
    bool built_ = false;
};

// One control of a deferred pane. `get()` and `->` use it and build the pane first;
// `ifBuilt()` looks without building. It does not turn into a pointer by itself, so that no
// comparison or look at it builds a pane by the way.
template <typename T>
class DeferredControl {
public:
    explicit DeferredControl(DeferredPane& pane) : pane_(&pane) {}
    DeferredControl(const DeferredControl&) = delete;
    DeferredControl& operator=(const DeferredControl&) = delete;

    // Set once by the pane's builder.
    DeferredControl& operator=(T* control) {
        control_ = control;
        return *this;
    }

    T* get() const {
        if (!control_) pane_->ensureBuilt();
        return control_;
    }
    T* operator->() const { return get(); }
    T* ifBuilt() const { return control_; }

private:
    DeferredPane* pane_;
    T* control_ = nullptr;
};

}  // namespace zarovia::window
