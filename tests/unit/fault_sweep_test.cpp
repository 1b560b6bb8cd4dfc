#include <gtest/gtest.h>

#include "expected_places.h"
#include "main_window_fixture.h"
#include "platform/event_dispatch.h"

namespace zelvane {
namespace {

// One event delivered to a loaded main window, with every operation its handlers perform
// made to fail in turn.
struct Scenario {
    const char* name;
    int control;
    FormEvent event;
    std::function<void(MainWindowTest&)> prepare;
};

class Sweep : public MainWindowTest {
  public:
    void TestBody() override {}

    void Prepare(const Scenario& scenario) {
        for (const wchar_t* uin : {L"123456", L"87654321"}) {
            for (const ExpectedPlace& place : kExpectedPlaces) {
                registry.SetValue(place.hive, std::wstring(place.parent) + L"\\" + uin + L"\\Sub",
                                  L"v", uin, place.view);
            }
        }
        Load();
        accountList.selected = 0;
        uinBox.text = L"123456";
        runtime.answers = {kAnswerYes};
        if (scenario.prepare) scenario.prepare(*this);
    }

    void Deliver(const Scenario& scenario) {
        Timer* timer = scenario.control == kExpandTimer     ? &expandTimer
                       : scenario.control == kCollapseTimer ? &collapseTimer
                                                            : nullptr;
        dispatch.Raise(main, scenario.control, scenario.event, timer);
    }

    // The registry as it is after deleting account 123456 in the given places only.
    std::wstring RegistryAfterDeleting(const std::vector<std::size_t>& places) {
        Sweep expected;
        expected.Prepare({});
        for (std::size_t place : places) {
            const ExpectedPlace& where = kExpectedPlaces[place];
            expected.registry.DeleteTree(where.hive, where.parent, L"123456", where.view,
                                         LinkRule::kFollowAboveAccount);
        }
        return expected.registry.Export();
    }

    EventDispatch dispatch{runtime, L"Zelvane"};
};

const Scenario kScenarios[] = {
    {"OnLoad", kForm, FormEvent::kLoad, nullptr},
    {"OnShown", kForm, FormEvent::kShown, nullptr},
    {"OnAccountClick", kAccountList, FormEvent::kClick, nullptr},
    {"OnAccountDoubleClick", kAccountList, FormEvent::kDblClick, nullptr},
    {"OnEraseClick", kEraseButton, FormEvent::kClick, nullptr},
    {"OnAboutClick", kAboutButton, FormEvent::kClick, nullptr},
    {"OnToggleClick", kToggleButton, FormEvent::kClick, nullptr},
    {"OnExpandTick", kExpandTimer, FormEvent::kTimer,
     [](MainWindowTest& t) { t.main.OnToggleClick(); }},
    {"OnExpandTick finishing", kExpandTimer, FormEvent::kTimer,
     [](MainWindowTest& t) {
         t.form.SetHeight(kExpandedHeight);
         t.main.OnToggleClick();
     }},
    {"OnCollapseTick finishing", kCollapseTimer, FormEvent::kTimer,
     [](MainWindowTest& t) {
         // expanded_ at once, back at the collapsed height, then a click to shrink.
         t.runtime.clientAreaAnimation = false;
         t.main.OnToggleClick();
         t.runtime.clientAreaAnimation = true;
         t.form.SetHeight(kCollapsedHeight);
         t.main.OnToggleClick();
     }},
};

bool IsRunTimeErrorReport(const ShownMessage& message) {
    return message.prompt.rfind(L"Run-time error '", 0) == 0;
}

TEST(FaultSweep, EveryFailingOperationIsReportedAndLeavesOnlyWhatCompleted) {
    for (const Scenario& scenario : kScenarios) {
        Sweep clean;
        clean.Prepare(scenario);
        clean.faults.FailOperation(0);
        clean.Deliver(scenario);
        const std::vector<std::string> operations = clean.faults.log();
        ASSERT_FALSE(operations.empty()) << scenario.name;

        for (std::size_t n = 1; n <= operations.size(); ++n) {
            SCOPED_TRACE(std::string(scenario.name) + ": " + operations[n - 1] + " fails");
            Sweep sweep;
            sweep.Prepare(scenario);
            sweep.faults.FailOperation(static_cast<int>(n));
            sweep.Deliver(scenario);

            const bool registryCall = operations[n - 1].rfind("Registry.", 0) == 0;
            const auto reports = std::count_if(sweep.runtime.shown.begin(),
                                               sweep.runtime.shown.end(), IsRunTimeErrorReport);
            // A failing control or message box is a run-time error, reported once; a
            // registry call only returns its code.
            EXPECT_EQ(reports, registryCall ? 0 : 1);

            // Exactly the deletions that ran and succeeded took effect.
            std::vector<std::size_t> deleted;
            std::size_t place = 0;
            const auto& log = sweep.faults.log();
            for (std::size_t i = 0; i < log.size(); ++i) {
                if (log[i] != "Registry.DeleteTree") continue;
                if (i != n - 1) deleted.push_back(place);
                ++place;
            }
            EXPECT_EQ(sweep.registry.Export(), sweep.RegistryAfterDeleting(deleted));
            EXPECT_EQ(sweep.registry.OpenKeys(), 0u);

            if (scenario.event == FormEvent::kTimer) {
                // The abandoned animation gives the button back, showing the way it was
                // going, and a click takes that way up again.
                const bool growing = scenario.control == kExpandTimer;
                MemoryTimer& timer = growing ? sweep.expandTimer : sweep.collapseTimer;
                EXPECT_FALSE(timer.enabled);
                EXPECT_TRUE(sweep.toggleButton.enabled);
                EXPECT_EQ(sweep.toggleButton.caption, growing ? L"v" : L"^");
                sweep.dispatch.Raise(sweep.main, kToggleButton, FormEvent::kClick);
                EXPECT_TRUE(timer.enabled);
            }

            // The program goes on: the next event runs to its end.
            sweep.faults.FailOperation(0);
            sweep.runtime.shown.clear();
            sweep.runtime.answers = {kAnswerNo};
            sweep.dispatch.Raise(sweep.main, kEraseButton, FormEvent::kClick);
            ASSERT_EQ(sweep.runtime.shown.size(), 1u);
            EXPECT_EQ(sweep.runtime.shown[0].title, L"Confirmation");
        }
    }
}

}  // namespace
}  // namespace zelvane
