#include "about_window/about_layout.h"
#include "main_window_fixture.h"

namespace zelvane {
namespace {

TEST_F(MainWindowTest, AboutIsCreatedOnceAndShownAgainOnEveryClick) {
    Load();
    main.OnAboutClick();
    main.OnAboutClick();
    EXPECT_EQ(aboutCreated, 1);
    EXPECT_EQ(aboutForm.shown, 2);
}

TEST_F(MainWindowTest, TheContactEntriesOpenTheirAddressesThroughTheShell) {
    Load();
    main.OnAboutClick();
    about->Raise(kFirstEmailLink, FormEvent::kClick);
    about->Raise(kSecondEmailLink, FormEvent::kClick);
    about->Raise(kUinLink, FormEvent::kClick);
    about->Raise(kAuthorLabel, FormEvent::kClick);  // not a link

    EXPECT_EQ(
        shell.launches,
        (std::vector<std::wstring>{
            L"mailto:dev@example.com", L"mailto:team@example.org",
            L"http://wwp.example.net/whitepages/message_me/1,,,00.icq?uin=123456&action=message"}));
}

}  // namespace
}  // namespace zelvane
