// Objects that stand open while a command runs (pixel copies, pixel guards) form a stack,
// innermost first, chained through a member that points to the one opened before.
#pragma once

// Takes `self` off the stack whose innermost object is `top`. Objects normally end in the
// reverse order of their making; one that does not is unlinked where it stands.
template <class T>
void open_stack_unlink(T*& top, T* self, T* T::*prev) {
  if (top == self) {
    top = self->*prev;
    return;
  }
  for (T* p = top; p; p = p->*prev)
    if (p->*prev == self) {
      p->*prev = self->*prev;
      break;
    }
}
