// Failed allocations of the containers reach the caller as std::bad_alloc,
// just as a failing operator new would.
#ifndef VEMMISC_CONTAINERS_THROW_BAD_ALLOC_H_
#define VEMMISC_CONTAINERS_THROW_BAD_ALLOC_H_

#include <new>
#if defined(__GLIBCXX__)
#include <bits/functexcept.h>
#endif

namespace vem {

// Raised through the standard library's own thrower where there is one: a
// throw expression here would emit std::bad_alloc's type information into
// our objects, and a Windows DLL would then export it beside our interface.
[[noreturn]] inline void ThrowBadAlloc() {
#if defined(__GLIBCXX__)
  std::__throw_bad_alloc();
#else
  throw std::bad_alloc();
#endif
}

}  // namespace vem

#endif  // VEMMISC_CONTAINERS_THROW_BAD_ALLOC_H_
