#pragma once
// A callable borrowed for the length of one call: no copy and no allocation,
// where a std::function would make one for anything larger than two pointers.
#include <type_traits>

namespace tarsel {

class TaskRef {
  public:
    template <class F, class = std::enable_if_t<!std::is_same_v<std::decay_t<F>, TaskRef>>>
    TaskRef(F& f) : object_(&f), call_([](void* o) { (*static_cast<F*>(o))(); }) {}
    void operator()() const { call_(object_); }

  private:
    void* object_;
    void (*call_)(void*);
};

}  // namespace tarsel
