#include "main_window_fixture.h"

namespace zelvane {
namespace {

// Ticks the running timer until it stops; returns how many ticks it took.
int RunAnimation(MainWindow& main, MemoryTimer& timer, bool growing) {
    int ticks = 0;
    while (timer.enabled && ticks < 100000) {
        growing ? main.OnExpandTick() : main.OnCollapseTick();
        ++ticks;
    }
    return ticks;
}

TEST_F(MainWindowTest, ExpandingTakes132StepsAndOneFinishingTick) {
    Load();
    main.OnToggleClick();
    EXPECT_TRUE(expandTimer.enabled);
    EXPECT_FALSE(toggleButton.enabled);

    for (int tick = 0; tick < 132; ++tick) main.OnExpandTick();
    EXPECT_EQ(form.Height(), 3075.0f);
    EXPECT_FALSE(toggleButton.enabled);
    EXPECT_TRUE(expandTimer.enabled);

    main.OnExpandTick();
    EXPECT_EQ(toggleButton.caption, L"^");
    EXPECT_TRUE(toggleButton.enabled);
    EXPECT_FALSE(expandTimer.enabled);
    EXPECT_EQ(form.Height(), 3075.0f);
}

TEST_F(MainWindowTest, AShrinkingStepBelowTheLimitIsSnappedBackByTheNextTick) {
    Load();
    main.OnToggleClick();
    RunAnimation(main, expandTimer, true);
    form.SetHeight(1761.0f);
    main.OnToggleClick();
    EXPECT_TRUE(collapseTimer.enabled);

    main.OnCollapseTick();
    EXPECT_EQ(form.Height(), 1751.0f);
    EXPECT_TRUE(collapseTimer.enabled);
    main.OnCollapseTick();
    EXPECT_EQ(form.Height(), 1755.0f);
    EXPECT_EQ(toggleButton.caption, L"v");
    EXPECT_TRUE(toggleButton.enabled);
    EXPECT_FALSE(collapseTimer.enabled);
}

TEST_F(MainWindowTest, ATallWindowFinishesGrowingOnTheFirstTick) {
    Load();
    form.SetHeight(4000.0f);
    main.OnToggleClick();
    main.OnExpandTick();
    EXPECT_EQ(form.heightsSet.back(), 3075.0f);
    EXPECT_EQ(form.heightsSet.size(), 2u);  // the set-up's height, then the snap
    EXPECT_FALSE(expandTimer.enabled);
}

// Collapsed, the list is hidden, so the keyboard cannot reach it; it shows from the click
// that starts an expand. The disabled button cannot keep the focus: an animation begun with
// the focus on the button (or, for a collapse, on the list) moves it to a control in sight,
// and gives it back to the button at the end, so that Space opens and closes the list over
// and over. One begun elsewhere leaves the focus alone.
TEST_F(MainWindowTest, AnAnimationBegunOnTheButtonEndsWithTheFocusBackOnIt) {
    Load();
    EXPECT_FALSE(accountList.visible);
    form.focused = kToggleButton;
    main.OnToggleClick();
    EXPECT_TRUE(accountList.visible);
    EXPECT_EQ(form.focused, kAccountList);
    RunAnimation(main, expandTimer, true);
    EXPECT_EQ(form.focused, kToggleButton);

    for (const int start : {kToggleButton, kAccountList, kEraseButton}) {
        SCOPED_TRACE(start);
        form.focused = start;
        main.OnToggleClick();
        EXPECT_TRUE(accountList.visible);
        EXPECT_EQ(form.focused, start == kEraseButton ? kEraseButton : kUinBox);
        RunAnimation(main, collapseTimer, false);
        EXPECT_FALSE(accountList.visible);
        EXPECT_EQ(form.focused, start == kEraseButton ? kEraseButton : kToggleButton);
        form.focused = kAboutButton;
        main.OnToggleClick();
        EXPECT_EQ(form.focused, kAboutButton);
        RunAnimation(main, expandTimer, true);
        EXPECT_EQ(form.focused, kAboutButton);
    }
}

// Where the user puts the focus while the window moves, or the control the focus waits on
// that they use (an account picked, a digit typed), the focus stays; but never on the list
// once it is hidden.
TEST_F(MainWindowTest, TheFocusStaysWhereTheUserPutItDuringAnAnimation) {
    registry.AddKey(kHkeyCurrentUser, kNewOwners + L"\\123456");
    Load();
    form.focused = kToggleButton;
    main.OnToggleClick();
    form.focused = kUinBox;  // a click on the box
    RunAnimation(main, expandTimer, true);
    EXPECT_EQ(form.focused, kUinBox);

    form.focused = kToggleButton;
    main.OnToggleClick();
    form.focused = kAboutButton;
    RunAnimation(main, collapseTimer, false);
    EXPECT_EQ(form.focused, kAboutButton);

    form.focused = kToggleButton;
    main.OnToggleClick();
    accountList.selected = 0;
    main.Raise(kAccountList, FormEvent::kClick);  // Down picks the first account
    RunAnimation(main, expandTimer, true);
    EXPECT_EQ(form.focused, kAccountList);
    EXPECT_EQ(uinBox.text, L"123456");

    main.OnToggleClick();
    std::int16_t digit = '7';
    main.KeyPress(kUinBox, digit);
    RunAnimation(main, collapseTimer, false);
    EXPECT_EQ(form.focused, kUinBox);

    form.focused = kToggleButton;
    main.OnToggleClick();
    RunAnimation(main, expandTimer, true);
    main.OnToggleClick();
    form.focused = kAccountList;  // a click on the list as it goes
    RunAnimation(main, collapseTimer, false);
    EXPECT_EQ(form.focused, kToggleButton);
}

// With animations turned off each click ends where the animation would, at once; the
// setting is read at every click, so turning it off between clicks counts.
TEST_F(MainWindowTest, WithoutAnimationsEachClickEndsAtOnce) {
    Load();
    runtime.clientAreaAnimation = false;
    main.OnToggleClick();
    EXPECT_EQ(form.Height(), kExpandedHeight);
    EXPECT_EQ(toggleButton.caption, L"^");
    EXPECT_TRUE(toggleButton.enabled);
    EXPECT_FALSE(expandTimer.enabled);

    main.OnToggleClick();
    EXPECT_EQ(form.Height(), kCollapsedHeight);
    EXPECT_EQ(toggleButton.caption, L"v");
    EXPECT_TRUE(toggleButton.enabled);
    EXPECT_FALSE(collapseTimer.enabled);

    runtime.clientAreaAnimation = true;
    main.OnToggleClick();
    EXPECT_TRUE(expandTimer.enabled);
    EXPECT_EQ(form.Height(), kCollapsedHeight);
}

// A window applies heights in whole pixels; every step must still move it, so that the
// animation ends with the button given back, and each end lands on the pixel nearest its
// limit, so that collapsing gives back the height the window started with.
class RoundingAnimationTest : public MainWindowTest, public ::testing::WithParamInterface<int> {
  protected:
    RoundingAnimationTest() : MainWindowTest(GetParam()) {}
};

TEST_P(RoundingAnimationTest, ExpandsAndCollapsesToTheLimits) {
    const int dpi = GetParam();
    const double halfPixel = 720.0 / dpi;
    Load();
    const float start = form.Height();
    EXPECT_NEAR(start, kCollapsedHeight, halfPixel);
    for (int round = 0; round < 2; ++round) {
        main.OnToggleClick();
        EXPECT_LT(RunAnimation(main, expandTimer, true), 1000);
        EXPECT_EQ(form.heightsSet.back(), kExpandedHeight);
        EXPECT_NEAR(form.Height(), kExpandedHeight, halfPixel);
        EXPECT_EQ(toggleButton.caption, L"^");
        EXPECT_TRUE(toggleButton.enabled);

        main.OnToggleClick();
        EXPECT_LT(RunAnimation(main, collapseTimer, false), 1000);
        EXPECT_EQ(form.heightsSet.back(), kCollapsedHeight);
        EXPECT_EQ(form.Height(), start);
        EXPECT_EQ(toggleButton.caption, L"v");
        EXPECT_TRUE(toggleButton.enabled);
    }
}

INSTANTIATE_TEST_SUITE_P(Dpi, RoundingAnimationTest,
                         ::testing::Values(48, 60, 72, 96, 120, 144, 168, 192));

}  // namespace
}  // namespace zelvane
