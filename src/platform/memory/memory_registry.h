#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/memory/faults.h"
#include "platform/registry.h"

namespace zelvane {

// A registry held in memory. Subkeys enumerate in the order they were created; names
// compare without regard to ASCII case; empty path components are passed over, as the
// real registry does with a trailing backslash. On 64-bit Windows the machine hive has a
// separate 32-bit view; the user hives have one view only. A link is a key that names another: a
// path through it goes on at its target, but for the key itself in a delete, which goes as the
// link. A watch sees a key made or deleted anywhere, more than the real one sees.
class MemoryRegistry : public Registry {
  public:
    explicit MemoryRegistry(Faults& faults);
    ~MemoryRegistry() override;

    long OpenKey(std::int32_t root, const std::wstring& path, RegKey& key,
                 RegistryView view = RegistryView::kNative,
                 LinkRule links = LinkRule::kFollowAboveAccount) override;
    long EnumKey(RegKey key, std::int32_t index, wchar_t* name, std::uint32_t& size) override;
    long CloseKey(RegKey key) override;
    DeleteResult DeleteTree(std::int32_t root, const std::wstring& parentPath,
                            const std::wstring& name, RegistryView view, LinkRule links) override;
    long OpenSubtree(std::int32_t root, const std::wstring& parentPath, const std::wstring& name,
                     RegistryView view, LinkRule links, KeyAccess access, RegKey& key) override;
    long OpenSubkey(RegKey key, const std::wstring& name, KeyAccess access,
                    RegKey& subkey) override;
    long LinkTarget(RegKey key, bool& link, std::wstring& target) override;
    long EnumValue(RegKey key, std::int32_t index, RegistryValue& value) override;
    long DeleteKey(RegKey key) override;
    long CreateKey(RegKey key, const std::wstring& name, RegKey& subkey) override;
    long SetValue(RegKey key, const RegistryValue& value) override;
    long WatchSubkeys(RegKey key, bool subtree, RegWatch& watch) override;
    bool EndWatch(RegWatch watch) override;

    bool Is64BitWindows() const override { return windows64_; }

    // 64-bit Windows unless set otherwise, before any key is added: on 32-bit Windows the
    // machine hive has one view, which both views name.
    void SetWindows64Bit(bool windows64) { windows64_ = windows64; }

    // Set-up and checks for tests. A path may hold a NUL inside a name, as the real
    // registry's counted names may.
    void AddKey(std::int32_t root, const std::wstring& path,
                RegistryView view = RegistryView::kNative);
    void SetValue(std::int32_t root, const std::wstring& path, const std::wstring& name,
                  const std::wstring& data, RegistryView view = RegistryView::kNative);
    // A value of any type, its bytes as given.
    void SetValue(std::int32_t root, const std::wstring& path, const RegistryValue& value,
                  RegistryView view = RegistryView::kNative);
    // Makes root\path a link to targetRoot\targetPath (in the same view).
    void AddLink(std::int32_t root, const std::wstring& path, std::int32_t targetRoot,
                 const std::wstring& targetPath, RegistryView view = RegistryView::kNative);
    // Whether the key is there; a link on the way is followed, the key itself is not.
    bool Exists(std::int32_t root, const std::wstring& path,
                RegistryView view = RegistryView::kNative) const;
    // Every key and value of every hive, one per line: for comparing whole registries.
    std::wstring Export() const;

    // Deleting in this hive (and view) returns the given code and changes nothing; 0 ends it.
    void FailDelete(std::int32_t root, RegistryView view, long result);
    // Deleting this one key fails with the given code; the rest of a subtree still goes.
    void FailDeleteOf(std::int32_t root, const std::wstring& path, long result,
                      RegistryView view = RegistryView::kNative);
    // Opening this one key fails with the given code (as a DACL that grants nothing does).
    void FailOpenOf(std::int32_t root, const std::wstring& path, long result,
                    RegistryView view = RegistryView::kNative);
    // Opening this key to read its subtree (OpenSubtree, OpenSubkey) fails with the given
    // code, while the erase still reaches it.
    void FailReadOf(std::int32_t root, const std::wstring& path, long result,
                    RegistryView view = RegistryView::kNative);
    // Grants only these rights on the key (KeyAccess masks, or'd), as its DACL would: an open
    // that asks for more, and a delete of it, are refused with kErrorAccessDenied.
    void GrantOnly(std::int32_t root, const std::wstring& path, std::uint32_t rights,
                   RegistryView view = RegistryView::kNative);
    // Enumerating the index-th subkey of any key returns the given code.
    void FailEnumAt(std::int32_t index, long result);
    // Runs hook once, right before the nth call from now (counting from 1) whose name in
    // calls starts with `call`: a test's way to change the registry at a chosen moment.
    void BeforeCall(const std::string& call, int nth, std::function<void()> hook);

    // The registry calls made, in order ("OpenKey", "EnumKey 0", "CloseKey", "DeleteTree",
    // "DeleteKey").
    std::vector<std::string> calls;
    // The keys handed to DeleteTree, parent path and name joined, in order.
    std::vector<std::wstring> deletePaths;
    // Keys opened and not yet closed.
    std::size_t OpenKeys() const { return handles_.size(); }

  private:
    struct Node;
    Node* Root(std::int32_t root, RegistryView view) const;
    // With follow, a link on the path (its last key too) leads on to its target; without,
    // meeting one sets *link and finds nothing.
    Node* Find(std::int32_t root, const std::wstring& path, RegistryView view, bool follow = true,
               bool* link = nullptr, int hops = 0) const;
    long DeleteNode(Node& parent, Node& node, bool& deleted);
    void Unlink(Node& parent, Node& node);
    Node* Create(std::int32_t root, const std::wstring& path, RegistryView view);
    void Record(std::string call);

    struct Hook {
        std::string call;
        int left;
        std::function<void()> run;
    };

    Faults& faults_;
    mutable std::map<std::pair<std::int32_t, RegistryView>, std::unique_ptr<Node>> roots_;
    std::map<RegKey, Node*> handles_;
    std::map<RegKey, std::uint32_t> rights_;  // what each open handle was opened with
    RegKey nextHandle_ = 0x100;
    std::map<std::pair<std::int32_t, RegistryView>, long> deleteFailures_;
    std::optional<std::pair<std::int32_t, long>> enumFailure_;
    std::vector<std::unique_ptr<Node>> deleted_;
    std::uint64_t nameChanges_ = 0;              // keys made and deleted, ever
    std::map<RegWatch, std::uint64_t> watches_;  // nameChanges_ when each began
    std::vector<Hook> hooks_;
    bool windows64_ = true;
};

}  // namespace zelvane
