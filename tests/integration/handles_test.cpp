// The owning wrappers: one release per reference, whichever way it leaves.
#include <gtest/gtest.h>

#include "handles.h"

namespace {

struct CountedObject {
  int releases = 0;
  ULONG Release() { return static_cast<ULONG>(++releases); }
};

TEST(UniqueHandle, ReleasesOnceAcrossMovesResetsAndDetach) {
  CountedObject first, second;
  {
    CComPtr<CountedObject> held(&first);
    CComPtr<CountedObject> moved(std::move(held));
    EXPECT_FALSE(held);
    CComPtr<CountedObject>& same = moved;
    moved = std::move(same);  // moving onto itself keeps the reference
    EXPECT_EQ(0, first.releases);
    *moved.Put() = &second;  // an out-parameter replaces what was held
    EXPECT_EQ(1, first.releases);
    CComPtr<CountedObject> detached(&first);
    EXPECT_EQ(&first, detached.Detach());
  }
  EXPECT_EQ(1, first.releases);
  EXPECT_EQ(1, second.releases);
}

TEST(ScopeExit, RunsOnceUnlessDismissed) {
  int runs = 0;
  {
    CScopeExit counted([&] { ++runs; });
    CScopeExit dismissed([&] { runs += 10; });
    dismissed.Dismiss();
  }
  EXPECT_EQ(1, runs);
}

}  // namespace
