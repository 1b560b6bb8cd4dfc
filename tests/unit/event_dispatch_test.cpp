#include "platform/event_dispatch.h"

#include <gtest/gtest.h>

#include "allocation_faults.h"

#include "platform/memory/memory_form.h"
#include "platform/memory/memory_runtime.h"
#include "platform/runtime_error.h"

namespace zelvane {
namespace {

// Handlers that fail on demand.
class Handlers : public FormEvents {
  public:
    void Raise(int control, FormEvent) override {
        ++calls;
        if (control == 1) throw RuntimeError::Overflow();
        if (control == 2) throw std::bad_alloc();
        completed = true;
    }
    void KeyPress(int, std::int16_t& keyCode) override {
        keyCode = 0;
        throw RuntimeError::InvalidCall();
    }

    int calls = 0;
    bool completed = false;
};

class EventDispatchTest : public ::testing::Test {
  protected:
    Faults faults;
    MemoryRuntime runtime{faults};
    EventDispatch dispatch{runtime, L"Zelvane"};
    Handlers handlers;
    MemoryTimer timer{faults, "tmrEffectDown"};
};

TEST_F(EventDispatchTest, ARunTimeErrorIsReportedAndTheNextEventStillRuns) {
    dispatch.Raise(handlers, 1, FormEvent::kClick);
    ASSERT_EQ(runtime.shown.size(), 1u);
    EXPECT_EQ(runtime.shown[0].prompt, L"Run-time error '6':\n\nOverflow");
    EXPECT_EQ(runtime.shown[0].buttons, kCriticalIcon);
    EXPECT_EQ(runtime.shown[0].title, L"Zelvane");

    dispatch.Raise(handlers, 2, FormEvent::kClick);
    EXPECT_EQ(runtime.shown.back().prompt, L"Run-time error '7':\n\nOut of memory");

    std::int16_t key = 'a';
    dispatch.KeyPress(handlers, 3, key);
    EXPECT_EQ(runtime.shown.size(), 3u);

    dispatch.Raise(handlers, 4, FormEvent::kClick);
    EXPECT_TRUE(handlers.completed);
    EXPECT_EQ(runtime.shown.size(), 3u);
}

TEST_F(EventDispatchTest, AFailingTimerIsStoppedAndReportedOnce) {
    timer.enabled = true;
    // While the report is up, its modal loop keeps delivering ticks that fail too.
    runtime.whileShown = [&] { dispatch.Raise(handlers, 1, FormEvent::kTimer, &timer); };
    dispatch.Raise(handlers, 1, FormEvent::kTimer, &timer);
    EXPECT_FALSE(timer.enabled);
    EXPECT_EQ(runtime.shown.size(), 1u);
}

// Fails with an error made beforehand, so that raising it takes no memory.
class FailsWithOverflow : public FormEvents {
  public:
    void Raise(int, FormEvent) override { throw error; }

    const RuntimeError error = RuntimeError::Overflow();
};

TEST(EventDispatchMemoryTest, NoAllocationThatFailsWhileReportingLetsAnythingOut) {
    // Raise is noexcept: whatever got out would end the test program.
    bool toldOutOfMemory = false;
    for (std::size_t n = 1;; ++n) {
        Faults faults;
        MemoryRuntime runtime{faults};
        EventDispatch dispatch{runtime, L"Zelvane"};
        MemoryTimer timer{faults, "tmrEffectDown"};
        FailsWithOverflow handlers;
        timer.enabled = true;

        FailAllocation(n);
        dispatch.Raise(handlers, 1, FormEvent::kTimer, &timer);
        const bool failed = AllocationFailed();
        FailAllocation(0);

        ASSERT_LE(runtime.shown.size(), 1u);
        if (!failed) {
            ASSERT_EQ(runtime.shown.size(), 1u);
            EXPECT_EQ(runtime.shown[0].prompt, L"Run-time error '6':\n\nOverflow");
            break;
        }
        // With no memory for the report's own text, it says so in the one made beforehand.
        if (!runtime.shown.empty() && runtime.shown[0].prompt.find(L"'7'") != std::wstring::npos)
            toldOutOfMemory = true;
    }
    EXPECT_TRUE(toldOutOfMemory);
}

TEST_F(EventDispatchTest, AFailingReportIsSwallowed) {
    faults.FailOperation(1);  // the message box itself
    EXPECT_NO_THROW(dispatch.Raise(handlers, 1, FormEvent::kClick));
    dispatch.Raise(handlers, 1, FormEvent::kClick);
    EXPECT_EQ(runtime.shown.size(), 1u);
}

}  // namespace
}  // namespace zelvane
