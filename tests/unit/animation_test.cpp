#include "main_window_fixture.h"

namespace zelvane {
namespace {

// Ticks the running timer until it stops; returns how many ticks it took.
int RunAnimation(frmMain& main, MemoryTimer& timer, bool growing) {
    int ticks = 0;
    while (timer.enabled && ticks < 100000) {
        growing ? main.tmrEffectDown_Timer() : main.tmrEffectUp_Timer();
        ++ticks;
    }
    return ticks;
}

TEST_F(MainWindowTest, ExpandingTakes132StepsAndOneFinishingTick) {
    Load();
    main.Command1_Click();
    EXPECT_EQ(main.Expanded, kTrue);
    EXPECT_TRUE(tmrEffectDown.enabled);
    EXPECT_FALSE(Command1.enabled);

    for (int tick = 0; tick < 132; ++tick) main.tmrEffectDown_Timer();
    EXPECT_EQ(form.Height(), 3075.0f);
    EXPECT_FALSE(Command1.enabled);
    EXPECT_TRUE(tmrEffectDown.enabled);

    main.tmrEffectDown_Timer();
    EXPECT_EQ(Command1.caption, L"^");
    EXPECT_TRUE(Command1.enabled);
    EXPECT_FALSE(tmrEffectDown.enabled);
    EXPECT_EQ(form.Height(), 3075.0f);
}

TEST_F(MainWindowTest, AShrinkingStepBelowTheLimitIsSnappedBackByTheNextTick) {
    Load();
    main.Expanded = kTrue;
    form.SetHeight(1761.0f);
    main.Command1_Click();
    EXPECT_EQ(main.Expanded, kFalse);
    EXPECT_TRUE(tmrEffectUp.enabled);

    main.tmrEffectUp_Timer();
    EXPECT_EQ(form.Height(), 1751.0f);
    EXPECT_TRUE(tmrEffectUp.enabled);
    main.tmrEffectUp_Timer();
    EXPECT_EQ(form.Height(), 1755.0f);
    EXPECT_EQ(Command1.caption, L"v");
    EXPECT_TRUE(Command1.enabled);
    EXPECT_FALSE(tmrEffectUp.enabled);
}

TEST_F(MainWindowTest, ATallWindowFinishesGrowingOnTheFirstTick) {
    Load();
    form.SetHeight(4000.0f);
    main.Command1_Click();
    main.tmrEffectDown_Timer();
    EXPECT_EQ(form.heightsSet.back(), 3075.0f);
    EXPECT_EQ(form.heightsSet.size(), 2u);  // the set-up's height, then the snap
    EXPECT_FALSE(tmrEffectDown.enabled);
}

TEST_F(MainWindowTest, ClicksWhileTheButtonIsDisabledChangeNothing) {
    Load();
    main.Command1_Click();
    main.tmrEffectDown_Timer();
    // A real disabled button raises no Click; the flag already flipped for this animation.
    EXPECT_EQ(main.Expanded, kTrue);
    EXPECT_FALSE(tmrEffectUp.enabled);

    main.Expanded = 1;  // neither True nor False
    main.Command1_Click();
    EXPECT_EQ(main.Expanded, 1);
    EXPECT_FALSE(tmrEffectUp.enabled);
}

// With animations turned off each click ends where the animation would, at once; the
// setting is read at every click, so turning it off between clicks counts.
TEST_F(MainWindowTest, WithoutAnimationsEachClickEndsAtOnce) {
    Load();
    runtime.clientAreaAnimation = false;
    main.Command1_Click();
    EXPECT_EQ(main.Expanded, kTrue);
    EXPECT_EQ(form.Height(), kExpandedHeight);
    EXPECT_EQ(Command1.caption, L"^");
    EXPECT_TRUE(Command1.enabled);
    EXPECT_FALSE(tmrEffectDown.enabled);

    main.Command1_Click();
    EXPECT_EQ(main.Expanded, kFalse);
    EXPECT_EQ(form.Height(), kCollapsedHeight);
    EXPECT_EQ(Command1.caption, L"v");
    EXPECT_TRUE(Command1.enabled);
    EXPECT_FALSE(tmrEffectUp.enabled);

    runtime.clientAreaAnimation = true;
    main.Command1_Click();
    EXPECT_TRUE(tmrEffectDown.enabled);
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
        main.Command1_Click();
        EXPECT_LT(RunAnimation(main, tmrEffectDown, true), 1000);
        EXPECT_EQ(form.heightsSet.back(), kExpandedHeight);
        EXPECT_NEAR(form.Height(), kExpandedHeight, halfPixel);
        EXPECT_EQ(Command1.caption, L"^");
        EXPECT_TRUE(Command1.enabled);

        main.Command1_Click();
        EXPECT_LT(RunAnimation(main, tmrEffectUp, false), 1000);
        EXPECT_EQ(form.heightsSet.back(), kCollapsedHeight);
        EXPECT_EQ(form.Height(), start);
        EXPECT_EQ(Command1.caption, L"v");
        EXPECT_TRUE(Command1.enabled);
    }
}

INSTANTIATE_TEST_SUITE_P(Dpi, RoundingAnimationTest,
                         ::testing::Values(48, 60, 72, 96, 120, 144, 168, 192));

}  // namespace
}  // namespace zelvane
