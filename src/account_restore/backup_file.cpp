#include "account_restore/backup_file.h"

#include <algorithm>
#include <string_view>

#include "account_backup/account_backup.h"
#include "account_backup/reg_file.h"
#include "platform/ascii_case.h"
#include "platform/decimal.h"
#include "platform/output_escape.h"
#include "platform/strings.h"

namespace zelvane {

namespace {

constexpr std::wstring_view kHeader = L"\xFEFFWindows Registry Editor Version 5.00\r\n";
// The accounts key as it stands inside a key's full name, between two backslashes.
constexpr std::wstring_view kNewOwnersInName = L"\\Mirabilis\\ICQ\\NewOwners\\";

// Why a file is refused: its form, where a key lies, or its names.
constexpr wchar_t kNotAsWritten[] = L"not as Zelvane's backup writes it";
constexpr wchar_t kOutside[] = L"a key outside the account, or before the key above it";
constexpr wchar_t kUnheld[] = L"a name the registry does not hold, or one given twice";

std::wstring AtLine(std::size_t line, const wchar_t* why) {
    return Joined({L"line ", Decimal(static_cast<int>(line)), L": ", why});
}

// Reads `count` hex digits into value, or up to eight before `stop` where count is 0.
bool HexDigits(const wchar_t*& at, const wchar_t* end, int count, std::uint32_t& value,
               wchar_t stop = 0) {
    value = 0;
    for (int read = 0; count == 0 ? at != end && *at != stop : read < count; ++read, ++at) {
        const wchar_t ch = at == end ? L'x' : *at | 0x20;
        const int digit = ch >= L'0' && ch <= L'9'   ? ch - L'0'
                          : ch >= L'a' && ch <= L'f' ? ch - L'a' + 10
                                                     : -1;
        if (digit < 0 || read == 8) return false;
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    return true;
}

// A quoted text, with \\ and \" for a backslash and a quote; false when there is none.
bool Quoted(const wchar_t*& at, const wchar_t* end, std::wstring& out) {
    if (at == end || *at != L'"') return false;
    while (++at != end && *at != L'"') {
        if (*at == L'\\' && at + 1 != end) ++at;
        out += *at;
    }
    if (at == end) return false;
    ++at;
    return true;
}

// One value line, its hex lines joined: "name"=data or @=data, data in one of the forms the
// writer uses. The form is only read here; that it is the writer's own is checked by writing
// the value again.
bool ParseValue(const wchar_t* at, const wchar_t* end, RegistryValue& value) {
    if (at != end && *at == L'@') {
        ++at;
    } else if (!Quoted(at, end, value.name)) {
        return false;
    }
    if (at == end || *at++ != L'=') return false;
    std::wstring text;
    std::uint32_t number = 0;
    const std::wstring_view rest(at, static_cast<std::size_t>(end - at));
    if (Quoted(at, end, text)) {
        value.type = kRegSz;
        value.data.resize(2 * text.size() + 2);
        for (std::size_t i = 0; i < text.size(); ++i) {
            value.data[2 * i] = static_cast<std::uint8_t>(text[i] & 0xFF);
            value.data[2 * i + 1] = static_cast<std::uint8_t>(text[i] >> 8);
        }
        return at == end;
    }
    if (rest.starts_with(L"dword:")) {
        at += 6;
        value.type = kRegDword;
        if (!HexDigits(at, end, 8, number) || at != end) return false;
        value.data.resize(4);
        for (int i = 0; i < 4; ++i) value.data[i] = static_cast<std::uint8_t>(number >> (8 * i));
        return true;
    }
    value.type = kRegBinary;
    if (rest.starts_with(L"hex(")) {
        at += 4;
        if (!HexDigits(at, end, 0, value.type, L')') || at == end) return false;
        ++at;
    } else if (!rest.starts_with(L"hex")) {
        return false;
    } else {
        at += 3;
    }
    if (at == end || *at++ != L':') return false;
    while (at != end) {
        if (!HexDigits(at, end, 2, number)) return false;
        value.data.resize(value.data.size() + 1);
        value.data.back() = static_cast<std::uint8_t>(number);
        if (at != end && (*at++ != L',' || at == end)) return false;
    }
    return true;
}

// Adds the keys of a file to its places, each checked: below the account, after the key above
// it, named so that the registry holds the same name, and with its values, once.
class KeyReader {
  public:
    explicit KeyReader(BackupContents& read) : read_(read) {}

    void Add(const std::wstring& name, std::vector<RegistryValue>& values, std::size_t line) {
        std::wstring why = Check(name, values, line);
        if (!why.empty() && refusal_.empty()) {
            refusal_ = std::move(why);
            refusedAt_ = line;
        }
    }

    // The file's first refusal, a name given again included; empty when there is none.
    // Repeats are looked for once every name is noted, in one sort: a sorted insert of each
    // name as it came would take n squared for names given against the order.
    std::wstring Refusal() {
        std::make_heap(noted_.begin(), noted_.end());
        std::sort_heap(noted_.begin(), noted_.end());
        std::size_t repeat = 0;  // where a name first came again, as noted_ holds it
        for (std::size_t i = 1; i < noted_.size(); ++i) {
            if (noted_[i].first == noted_[i - 1].first &&
                (repeat == 0 || noted_[i].second < repeat)) {
                repeat = noted_[i].second;
            }
        }
        // A key's names are checked before anything that can refuse it after them.
        if (repeat != 0 && repeat / 2 <= refusedAt_) {
            return AtLine(repeat / 2, repeat % 2 != 0 ? kOutside : kUnheld);
        }
        return refusal_;
    }

  private:
    // The key's refusal but for names given twice, which it notes.
    std::wstring Check(const std::wstring& name, std::vector<RegistryValue>& values,
                       std::size_t line) {
        const std::size_t cut = name.find(kNewOwnersInName);
        if (cut == name.npos) return AtLine(line, kOutside);
        const std::wstring place = name.substr(0, cut + kNewOwnersInName.size() - 1);
        std::wstring path = name.substr(cut + kNewOwnersInName.size());
        const std::wstring_view uin = std::wstring_view(path).substr(0, path.find(L'\\'));
        if (read_.uin.empty()) read_.uin = uin;
        if (uin != read_.uin) return AtLine(line, kOutside);
        for (std::size_t at = 0; at <= path.size();) {
            const std::size_t end = std::min(path.find(L'\\', at), path.size());
            if (end == at || end - at > kMaxKeyName ||
                !CanHoldName(std::wstring_view(path).substr(at, end - at))) {
                return AtLine(line, kUnheld);
            }
            at = end + 1;
        }
        Note(name, line);
        for (const RegistryValue& value : values) {
            if (!CanHoldName(value.name)) return AtLine(line, kUnheld);
            Note(Joined({name, L"\n", value.name}), line);
        }
        if (read_.places.empty() || read_.places.back().name != place) {
            if (path != uin) return AtLine(line, kOutside);
            Note(place, line, true);
            read_.places.push_back({place, {}, 0});
            chain_.clear();
        } else {
            // Depth first: the key above it is the last one, or one above that.
            const std::size_t last = path.rfind(L'\\');
            while (!chain_.empty() && last != path.npos &&
                   chain_.back() != std::wstring_view(path).substr(0, last)) {
                chain_.pop_back();
            }
            if (chain_.empty() || last == path.npos) {
                return AtLine(line, kOutside);
            }
        }
        chain_.push_back(std::wstring(path));
        BackedUpPlace& into = read_.places.back();
        into.values += static_cast<int>(values.size());
        into.keys.push_back({std::move(path), std::move(values)});
        return {};
    }

    // Notes a name as the registry compares them (ASCII case aside, as far as this program
    // tells them apart), with the line it came in.
    void Note(std::wstring name, std::size_t line, bool place = false) {
        for (wchar_t& ch : name) ch = ch >= L'A' && ch <= L'Z' ? ch + 32 : ch;
        noted_.emplace_back(std::move(name), line * 2 + (place ? 1 : 0));
    }

    BackupContents& read_;
    std::vector<std::wstring> chain_;  // the keys from the account down to the last one
    // Each name noted, with twice its line, and one more for a place: a place comes last of
    // its line's names, and a place given again is refused as outside the account.
    std::vector<std::pair<std::wstring, std::size_t>> noted_;
    std::wstring refusal_;                        // the first refusal but for names given again
    std::size_t refusedAt_ = std::wstring::npos;  // its line
};

}  // namespace

std::wstring ReadBackupFile(const std::string& bytes, BackupContents& read) {
    read = {};
    if (bytes.size() % 2 != 0) return AtLine(1, kNotAsWritten);
    std::wstring text(bytes.size() / 2, L'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    }
    if (!std::wstring_view(text).starts_with(kHeader)) return AtLine(1, kNotAsWritten);
    // Line by line, each written again as the writer writes it; each key taken in whole once
    // the next one starts.
    RegFile again;
    KeyReader keys(read);
    std::vector<std::wstring> comments;
    std::wstring key;
    std::vector<RegistryValue> values;
    std::size_t keyLine = 0;
    std::size_t line = 1;
    for (std::size_t at = kHeader.size(); at <= text.size();) {
        ++line;
        std::size_t end = text.find(L"\r\n", at);
        if (end == text.npos && at < text.size()) return AtLine(line, kNotAsWritten);
        std::wstring_view first(text.data() + at, std::min(end, text.size()) - at);
        at = end == text.npos ? end : end + 2;
        if (first.empty() && end != text.npos) continue;
        if ((end == text.npos || first.starts_with(L"[")) && keyLine != 0) {
            keys.Add(key, values, keyLine);
            values.clear();
        }
        if (end == text.npos) break;
        if (first.starts_with(L"; ")) {
            if (comments.size() < 2) comments.push_back(std::wstring(first.substr(2)));
            again.Comment(first.substr(2));
        } else if (first.starts_with(L"[") && first.ends_with(L"]")) {
            key = first.substr(1, first.size() - 2);
            keyLine = line;
            again.Key(key);
        } else {
            // A hex value goes on at the next line after a backslash, as regedit wraps it.
            std::wstring joined(first);
            while (!joined.empty() && joined.back() == L'\\' &&
                   std::wstring_view(text).substr(at, 2) == L"  " &&
                   (end = text.find(L"\r\n", at)) != text.npos) {
                joined.pop_back();
                joined.append(text, at + 2, end - at - 2);
                at = end + 2;
                ++line;
            }
            RegistryValue value;
            if (keyLine == 0 || !ParseValue(joined.data(), joined.data() + joined.size(), value)) {
                return AtLine(line, kNotAsWritten);
            }
            again.Value(value);
            values.push_back(std::move(value));
        }
    }
    const std::string written = FileBytes(again.Text());
    if (written != bytes) {
        const std::size_t differs =
            std::mismatch(written.begin(), written.end(), bytes.begin(), bytes.end()).second -
            bytes.begin();
        return AtLine(1 + std::count(text.begin(), text.begin() + differs / 2, L'\n'),
                      kNotAsWritten);
    }
    if (std::wstring refused = keys.Refusal(); !refused.empty()) return refused;
    constexpr std::wstring_view userComment = kCurrentUserComment;
    if (comments.size() < 2 || comments[0] != EscapedForOutput(BackupHeading(read.uin)) ||
        !comments[1].starts_with(userComment) || !comments[1].ends_with(L".")) {
        return AtLine(3, kNotAsWritten);
    }
    read.currentUser =
        comments[1].substr(userComment.size(), comments[1].size() - userComment.size() - 1);
    if (read.currentUser.empty() || read.currentUser.find(L'\\') != read.currentUser.npos) {
        return AtLine(5, kNotAsWritten);
    }
    return {};
}

bool PlaceUser(const std::wstring& name, const BackupContents& read, const Registry& registry,
               std::wstring& user) {
    const auto shown = [&](const std::vector<AccountPlace>& places, PlaceScope scope) {
        return std::any_of(places.begin(), places.end(), [&](const AccountPlace& place) {
            return place.scope == scope && ShownAs(place, registry) == name;
        });
    };
    user.clear();
    if (shown(SharedPlaces(), PlaceScope::kShared)) return true;
    if (shown(CurrentUserPlaces(), PlaceScope::kUser)) {
        user = read.currentUser;
        return true;
    }
    constexpr std::wstring_view kUsers = L"HKEY_USERS\\";
    if (!std::wstring_view(name).starts_with(kUsers)) return false;
    user = name.substr(kUsers.size(), name.find(L'\\', kUsers.size()) - kUsers.size());
    if (EndsWithIgnoringAsciiCase(user, L"_Classes")) user.resize(user.size() - 8);
    return !user.empty() &&
           shown(UserHivePlaces(user, user + L"_Classes", true), PlaceScope::kUser);
}

}  // namespace zelvane
