#include "command_line/command_arguments.h"

#include "account_erase/account_erase.h"
#include "platform/ascii_case.h"
#include "platform/decimal.h"
#include "platform/registry.h"
#include "platform/strings.h"

namespace zelvane {

namespace {

bool IsSwitch(const std::wstring& argument) {
    return argument.size() > 1 && (argument[0] == L'/' || argument[0] == L'-');
}

}  // namespace

CommandArguments ParseArguments(const std::vector<std::wstring>& arguments) {
    CommandArguments parsed;
    parsed.given = arguments;
    const auto fail = [&parsed](std::wstring_view why) {
        if (parsed.error.empty()) parsed.error = why;
    };
    const auto setAction = [&](CommandAction action, const std::wstring& argument) {
        if (parsed.action != CommandAction::kWindow && parsed.action != action) {
            fail(Joined({L"only one of /list, /find, /erase, /restore and /? may be given (",
                         argument, L")"}));
        }
        parsed.action = action;
    };
    bool haveNumber = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        if (!IsSwitch(argument)) {
            fail(Joined({L"unexpected argument \"", argument, L"\""}));
            continue;
        }
        // Switch names are ASCII.
        const auto is = [&argument](std::wstring_view name) {
            return SameIgnoringAsciiCase(std::wstring_view(argument).substr(1), name);
        };
        if (is(L"?")) {
            setAction(CommandAction::kHelp, argument);
        } else if (is(L"list")) {
            setAction(CommandAction::kList, argument);
        } else if (is(L"allusers")) {
            parsed.allUsers = true;
        } else if (is(L"quiet")) {
            parsed.quiet = true;
        } else if (is(L"whatif")) {
            parsed.whatIf = true;
        } else if (is(L"backup") || is(L"log") || is(L"restore")) {
            // The file is the next argument, unless it is a switch.
            std::wstring& file = is(L"backup") ? parsed.backupFile
                                 : is(L"log")  ? parsed.logFile
                                               : parsed.restoreFile;
            if (is(L"restore")) setAction(CommandAction::kRestore, argument);
            if (i + 1 < arguments.size() && !IsSwitch(arguments[i + 1]) && file.empty()) {
                file = arguments[++i];
            }
            if (file.empty()) fail(argument + L" needs a file name");
        } else if (is(L"erase") || is(L"find")) {
            setAction(is(L"erase") ? CommandAction::kErase : CommandAction::kFind, argument);
            // The number is the next argument, whatever it holds, unless it is a switch.
            if (i + 1 < arguments.size() && !IsSwitch(arguments[i + 1]) && !haveNumber) {
                parsed.uin = arguments[++i];
                haveNumber = true;
            }
        } else {
            fail(L"unknown switch " + argument);
        }
    }
    if (!parsed.error.empty()) return parsed;
    const bool numbered =
        parsed.action == CommandAction::kErase || parsed.action == CommandAction::kFind;
    const bool restore = parsed.action == CommandAction::kRestore;
    if (parsed.action == CommandAction::kWindow && !arguments.empty()) {
        fail(L"/list, /find, /erase or /restore is missing");
    } else if (parsed.action != CommandAction::kErase && !parsed.backupFile.empty()) {
        fail(L"/backup goes with /erase only");
    } else if (parsed.action != CommandAction::kErase && !restore && parsed.whatIf) {
        fail(L"/whatif goes with /erase and /restore only");
    } else if (restore && parsed.allUsers) {
        fail(L"/restore reaches the users its file names: /allusers does not go with it");
    } else if (numbered && !haveNumber) {
        fail(L"/erase and /find need the account number");
    } else if (numbered && !IsAccountName(parsed.uin)) {
        fail(Joined(
            {L"\"", parsed.uin, L"\" is not a UIN: it cannot be empty or hold a backslash"}));
    } else if (numbered && parsed.uin.size() > kMaxKeyName) {
        fail(Joined({L"the UIN is longer than a key name can be (", Decimal(kMaxKeyName),
                     L" characters)"}));
    }
    return parsed;
}

std::wstring UsageText() {
    // ASCII, kept in bytes: half the size of the same text in UTF-16.
    static constexpr char kUsage[] =
        "Zelvane: lists and erases the messenger's saved accounts.\n"
        "\n"
        "zelvane /list [/allusers] [/log FILE]\n"
        "zelvane /find NUMBER [/allusers] [/log FILE]\n"
        "zelvane /erase NUMBER [/allusers] [/whatif] [/backup FILE] [/quiet] [/log FILE]\n"
        "zelvane /restore FILE [/whatif] [/quiet] [/log FILE]\n"
        "zelvane /?\n"
        "\n"
        "/list      the accounts found, one a line, with the user they belong to\n"
        "/find      whether the account is anywhere: exit 0 clean, 1 found or\n"
        "           not every place could be read\n"
        "/erase     erases the account from every place, one line per place\n"
        "/allusers  every user's profile, the default user, the default profile\n"
        "           and the machine\n"
        "           (needs administrator rights)\n"
        "/whatif    changes nothing: tells what /erase or /restore would do\n"
        "/backup    saves what /erase erases to FILE first, or to a new file in it\n"
        "           when it is a folder; when nothing is found, to none\n"
        "/restore   puts back what a backup holds, where nothing is there again\n"
        "/quiet     shows no window or message box\n"
        "/log       appends a record of the run to FILE\n"
        "\n"
        "Exit codes: 0 nothing of the account is left, 1 a place failed or\n"
        "was not reached, 2 usage error, 3 access denied: run as administrator,\n"
        "4 nothing is left but the messenger (ICQ.exe, ICQLite.exe) is running and\n"
        "may save the account again: run again once it has ended.\n"
        "Without arguments Zelvane opens its window.\n";
    return std::wstring(kUsage, kUsage + sizeof kUsage - 1);
}

}  // namespace zelvane
