#include "platform/memory/memory_registry.h"

#include <algorithm>
#include <sstream>

#include "platform/ascii_case.h"

namespace zelvane {

namespace {

constexpr std::uint32_t kDeleteRight = 0x00010000;  // DELETE, which every erase asks for
constexpr std::uint32_t kSetValue = 0x0002;         // KEY_SET_VALUE
constexpr std::uint32_t kCreateSubKey = 0x0004;     // KEY_CREATE_SUB_KEY

std::vector<std::wstring> Components(const std::wstring& path) {
    std::vector<std::wstring> parts;
    std::wstring::size_type start = 0;
    while (start <= path.size()) {
        const std::wstring::size_type end = std::min(path.find(L'\\', start), path.size());
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// A text as the registry holds it in a value: UTF-16LE, each code unit as it is.
std::vector<std::uint8_t> Utf16Bytes(const std::wstring& text) {
    std::vector<std::uint8_t> bytes;
    for (const wchar_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>((unit >> 8) & 0xFF));
    }
    return bytes;
}

const wchar_t* HiveName(std::int32_t root) {
    return root == kHkeyCurrentUser    ? L"HKEY_CURRENT_USER"
           : root == kHkeyUsers        ? L"HKEY_USERS"
           : root == kHkeyLocalMachine ? L"HKEY_LOCAL_MACHINE"
                                       : L"?";
}

}  // namespace

struct MemoryRegistry::Node {
    std::wstring name;
    Node* parent = nullptr;  // none for a hive's root
    bool deleted = false;    // a handle that still holds it gets kErrorKeyDeleted
    std::vector<std::unique_ptr<Node>> subkeys;  // in creation order
    struct Value {
        std::uint32_t type;
        std::vector<std::uint8_t> data;
    };
    std::map<std::wstring, Value> values;
    struct Target {
        std::int32_t root;
        std::wstring path;
        RegistryView view;
    };
    std::optional<Target> link;
    long deleteFailure = 0;       // deleting this key fails with it
    long openFailure = 0;         // opening this key fails with it
    long readFailure = 0;         // opening it to read its subtree fails with it
    std::uint32_t granted = ~0u;  // the rights its DACL grants

    bool Grants(KeyAccess access) const {
        const auto rights = static_cast<std::uint32_t>(access);
        return (granted & rights) == rights;
    }

    Node* Child(const std::wstring& wanted) const {
        for (const auto& child : subkeys) {
            if (SameIgnoringAsciiCase(child->name, wanted)) return child.get();
        }
        return nullptr;
    }
};

namespace {

// A string as its text, which the tests look for; any other value as its type and bytes.
std::wstring Shown(std::uint32_t type, const std::vector<std::uint8_t>& data) {
    std::wstring text;
    bool plain = type == kRegSz && data.size() % 2 == 0 && data.size() >= 2;
    for (std::size_t i = 0; plain && i + 2 < data.size(); i += 2) {
        text += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    }
    if (plain && data[data.size() - 2] == 0 && data.back() == 0) return text;
    std::wostringstream out;
    out << L'(' << type << L')';
    for (const std::uint8_t byte : data) out << std::hex << (byte >> 4) << (byte & 15);
    return out.str();
}

}  // namespace

MemoryRegistry::MemoryRegistry(Faults& faults) : faults_(faults) {}
MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Node* MemoryRegistry::Root(std::int32_t root, RegistryView view) const {
    if (root != kHkeyCurrentUser && root != kHkeyLocalMachine && root != kHkeyUsers) {
        return nullptr;
    }
    if (root != kHkeyLocalMachine || !windows64_) view = RegistryView::kNative;
    auto& node = roots_[{root, view}];
    if (!node) node = std::make_unique<Node>();
    return node.get();
}

MemoryRegistry::Node* MemoryRegistry::Find(std::int32_t root, const std::wstring& path,
                                           RegistryView view, bool follow, bool* link,
                                           int hops) const {
    // The real registry gives up on a chain of links after a few dozen; so does this one.
    if (hops > 16) return nullptr;
    Node* node = Root(root, view);
    for (const std::wstring& part : Components(path)) {
        if (!node) break;
        node = node->Child(part);
        if (node && node->link) {
            if (!follow) {
                if (link) *link = true;
                return nullptr;
            }
            node = Find(node->link->root, node->link->path, node->link->view, true, link, hops + 1);
        }
    }
    return node;
}

MemoryRegistry::Node* MemoryRegistry::Create(std::int32_t root, const std::wstring& path,
                                             RegistryView view) {
    Node* node = Root(root, view);
    for (const std::wstring& part : Components(path)) {
        Node* child = node->Child(part);
        if (!child) {
            node->subkeys.push_back(std::make_unique<Node>());
            child = node->subkeys.back().get();
            child->name = part;
            child->parent = node;
            ++nameChanges_;
        }
        node = child;
    }
    return node;
}

long MemoryRegistry::OpenKey(std::int32_t root, const std::wstring& path, RegKey& key,
                             RegistryView view, LinkRule links) {
    Record("OpenKey");
    bool link = false;
    Node* node = Find(root, path, view, links == LinkRule::kFollowAboveAccount, &link);
    if (faults_.Next("Registry.OpenKey")) return kErrorAccessDenied;
    if (link) return kErrorRegistryLink;
    if (!node) return kErrorFileNotFound;
    if (node->openFailure != kErrorSuccess) return node->openFailure;
    if ((node->granted & kKeyEnumerateSubKeys) == 0) return kErrorAccessDenied;
    key = nextHandle_++;
    handles_[key] = node;
    rights_[key] = kKeyEnumerateSubKeys;
    return kErrorSuccess;
}

long MemoryRegistry::EnumKey(RegKey key, std::int32_t index, wchar_t* name, std::uint32_t& size) {
    Record("EnumKey " + std::to_string(index));
    if (faults_.Next("Registry.EnumKey")) return kErrorAccessDenied;
    if (enumFailure_ && enumFailure_->first == index) return enumFailure_->second;
    const auto handle = handles_.find(key);
    if (handle == handles_.end()) return kErrorInvalidHandle;
    if (handle->second->deleted) return kErrorKeyDeleted;
    if ((rights_[key] & kKeyEnumerateSubKeys) == 0) return kErrorAccessDenied;
    const auto& subkeys = handle->second->subkeys;
    if (index < 0 || static_cast<std::size_t>(index) >= subkeys.size()) return kErrorNoMoreItems;
    const std::wstring& found = subkeys[static_cast<std::size_t>(index)]->name;
    if (found.size() + 1 > size) return kErrorMoreData;
    std::copy_n(found.c_str(), found.size() + 1, name);
    size = static_cast<std::uint32_t>(found.size());
    return kErrorSuccess;
}

long MemoryRegistry::CloseKey(RegKey key) {
    Record("CloseKey");
    const bool open = handles_.erase(key) == 1;
    rights_.erase(key);
    if (faults_.Next("Registry.CloseKey")) return kErrorInvalidHandle;
    return open ? kErrorSuccess : kErrorInvalidHandle;
}

// Children first, each tried once; a link goes as the key it is.
long MemoryRegistry::DeleteNode(Node& parent, Node& node, bool& deleted) {
    // The erase opens each key for deleting before it walks below it.
    if (!node.Grants(KeyAccess::kErase)) return kErrorAccessDenied;
    long failure = kErrorSuccess;
    std::vector<Node*> children;
    for (const auto& child : node.subkeys) children.push_back(child.get());
    for (Node* child : children) {
        const long result = DeleteNode(node, *child, deleted);
        if (result != kErrorSuccess && failure == kErrorSuccess) failure = result;
    }
    if (failure == kErrorSuccess) failure = node.deleteFailure;
    if (failure != kErrorSuccess) return failure;
    Unlink(parent, node);
    deleted = true;
    return kErrorSuccess;
}

// Kept, so that a handle that still holds the key finds it deleted, as the real registry's do.
void MemoryRegistry::Unlink(Node& parent, Node& node) {
    const auto at = std::find_if(parent.subkeys.begin(), parent.subkeys.end(),
                                 [&node](const auto& child) { return child.get() == &node; });
    node.deleted = true;
    deleted_.push_back(std::move(*at));
    parent.subkeys.erase(at);
    ++nameChanges_;
}

// By index: a hook may call the registry, and that call comes here too.
void MemoryRegistry::Record(std::string call) {
    for (std::size_t i = 0; i < hooks_.size(); ++i) {
        Hook& hook = hooks_[i];
        if (hook.left > 0 && call.rfind(hook.call, 0) == 0 && --hook.left == 0) {
            const std::function<void()> run = std::move(hook.run);
            run();
        }
    }
    calls.push_back(std::move(call));
}

void MemoryRegistry::BeforeCall(const std::string& call, int nth, std::function<void()> hook) {
    hooks_.push_back({call, nth, std::move(hook)});
}

DeleteResult MemoryRegistry::DeleteTree(std::int32_t root, const std::wstring& parentPath,
                                        const std::wstring& name, RegistryView view,
                                        LinkRule links) {
    Record("DeleteTree");
    deletePaths.push_back(parentPath + L"\\" + name);
    if (faults_.Next("Registry.DeleteTree")) return {kErrorAccessDenied, false};
    const auto failure = deleteFailures_.find({root, view});
    if (failure != deleteFailures_.end()) return {failure->second, false};

    bool link = false;
    Node* parent = Find(root, parentPath, view, links == LinkRule::kFollowAboveAccount, &link);
    if (link) return {kErrorRegistryLink, false};
    if (!parent) return {kErrorPathNotFound, false};
    // The name is one key's, taken whole, as the real registry takes the name it is given.
    Node* node = name.empty() || name.find(L'\\') != name.npos ? nullptr : parent->Child(name);
    if (!node) return {kErrorFileNotFound, false};
    bool deleted = false;
    const long result = DeleteNode(*parent, *node, deleted);
    return {result, result != kErrorSuccess && deleted};
}

void MemoryRegistry::AddKey(std::int32_t root, const std::wstring& path, RegistryView view) {
    Create(root, path, view);
}

void MemoryRegistry::SetValue(std::int32_t root, const std::wstring& path, const std::wstring& name,
                              const std::wstring& data, RegistryView view) {
    SetValue(root, path, {name, kRegSz, Utf16Bytes(data + L'\0')}, view);
}

void MemoryRegistry::SetValue(std::int32_t root, const std::wstring& path,
                              const RegistryValue& value, RegistryView view) {
    Create(root, path, view)->values[value.name] = {value.type, value.data};
}

// The link holds the value that names its target, as a real one does.
void MemoryRegistry::AddLink(std::int32_t root, const std::wstring& path, std::int32_t targetRoot,
                             const std::wstring& targetPath, RegistryView view) {
    Node* link = Create(root, path, view);
    link->link = Node::Target{targetRoot, targetPath, view};
    link->values[kLinkValueName] = {kRegLink,
                                    Utf16Bytes(HiveName(targetRoot) + (L"\\" + targetPath))};
}

bool MemoryRegistry::Exists(std::int32_t root, const std::wstring& path, RegistryView view) const {
    const std::vector<std::wstring> parts = Components(path);
    if (parts.empty()) return Root(root, view) != nullptr;
    std::wstring above;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) above += parts[i] + L"\\";
    const Node* parent = Find(root, above, view);
    return parent && parent->Child(parts.back());
}

void MemoryRegistry::FailOpenOf(std::int32_t root, const std::wstring& path, long result,
                                RegistryView view) {
    Create(root, path, view)->openFailure = result;
}

void MemoryRegistry::FailDeleteOf(std::int32_t root, const std::wstring& path, long result,
                                  RegistryView view) {
    Create(root, path, view)->deleteFailure = result;
}

std::wstring MemoryRegistry::Export() const {
    std::wostringstream out;
    auto write = [&out](const auto& self, const Node& node, const std::wstring& path) -> void {
        out << L'[' << path << L']';
        if (node.link) out << L" -> " << node.link->root << L'\\' << node.link->path;
        out << L'\n';
        for (const auto& [name, value] : node.values)
            out << name << L'=' << Shown(value.type, value.data) << L'\n';
        for (const auto& child : node.subkeys) self(self, *child, path + L"\\" + child->name);
    };
    for (const auto& [where, node] : roots_) {
        write(write, *node,
              std::to_wstring(where.first) + (where.second == RegistryView::k32Bit ? L"/32" : L""));
    }
    return out.str();
}

void MemoryRegistry::FailDelete(std::int32_t root, RegistryView view, long result) {
    if (result == kErrorSuccess) {
        deleteFailures_.erase({root, view});
    } else {
        deleteFailures_[{root, view}] = result;
    }
}

void MemoryRegistry::FailEnumAt(std::int32_t index, long result) {
    enumFailure_ = {index, result};
}

long MemoryRegistry::OpenSubtree(std::int32_t root, const std::wstring& parentPath,
                                 const std::wstring& name, RegistryView view, LinkRule links,
                                 KeyAccess access, RegKey& key) {
    Record("OpenSubtree");
    if (faults_.Next("Registry.OpenSubtree")) return kErrorAccessDenied;
    bool link = false;
    Node* parent = Find(root, parentPath, view, links == LinkRule::kFollowAboveAccount, &link);
    if (link) return kErrorRegistryLink;
    if (!parent) return kErrorPathNotFound;
    Node* node = name.empty() || name.find(L'\\') != name.npos ? nullptr : parent->Child(name);
    if (!node) return kErrorFileNotFound;
    if (node->openFailure != kErrorSuccess) return node->openFailure;
    if (node->readFailure != kErrorSuccess) return node->readFailure;
    if (!node->Grants(access)) return kErrorAccessDenied;
    key = nextHandle_++;
    handles_[key] = node;
    rights_[key] = static_cast<std::uint32_t>(access);
    return kErrorSuccess;
}

long MemoryRegistry::OpenSubkey(RegKey key, const std::wstring& name, KeyAccess access,
                                RegKey& subkey) {
    Record("OpenSubkey");
    if (faults_.Next("Registry.OpenSubkey")) return kErrorAccessDenied;
    const auto handle = handles_.find(key);
    if (handle == handles_.end()) return kErrorInvalidHandle;
    if (handle->second->deleted) return kErrorKeyDeleted;
    Node* node = name.find(L'\\') != name.npos ? nullptr : handle->second->Child(name);
    if (!node) return kErrorFileNotFound;
    if (node->openFailure != kErrorSuccess) return node->openFailure;
    if (node->readFailure != kErrorSuccess) return node->readFailure;
    if (!node->Grants(access)) return kErrorAccessDenied;
    subkey = nextHandle_++;
    handles_[subkey] = node;
    rights_[subkey] = static_cast<std::uint32_t>(access);
    return kErrorSuccess;
}

long MemoryRegistry::LinkTarget(RegKey key, bool& link, std::wstring& target) {
    const auto handle = handles_.find(key);
    if (handle == handles_.end()) return kErrorInvalidHandle;
    const Node& node = *handle->second;
    if (node.deleted) return kErrorKeyDeleted;
    link = node.link.has_value();
    if (link) target = HiveName(node.link->root) + (L"\\" + node.link->path);
    return kErrorSuccess;
}

long MemoryRegistry::EnumValue(RegKey key, std::int32_t index, RegistryValue& value) {
    Record("EnumValue " + std::to_string(index));
    if (faults_.Next("Registry.EnumValue")) return kErrorAccessDenied;
    const auto handle = handles_.find(key);
    if (handle == handles_.end()) return kErrorInvalidHandle;
    if (handle->second->deleted) return kErrorKeyDeleted;
    if ((rights_[key] & kKeyQueryValue) == 0) return kErrorAccessDenied;
    const auto& values = handle->second->values;
    if (index < 0 || static_cast<std::size_t>(index) >= values.size()) return kErrorNoMoreItems;
    const auto found = std::next(values.begin(), index);
    value = {found->first, found->second.type, found->second.data};
    return kErrorSuccess;
}

long MemoryRegistry::DeleteKey(RegKey key) {
    Record("DeleteKey");
    if (faults_.Next("Registry.DeleteKey")) return kErrorAccessDenied;
    const auto handle = handles_.find(key);
    if (handle == handles_.end()) return kErrorInvalidHandle;
    Node& node = *handle->second;
    if (node.deleted) return kErrorKeyDeleted;
    if ((rights_[key] & kDeleteRight) == 0 || !node.parent || !node.subkeys.empty()) {
        return kErrorAccessDenied;
    }
    if (node.deleteFailure != kErrorSuccess) return node.deleteFailure;
    Unlink(*node.parent, node);
    return kErrorSuccess;
}

// The parent's DACL must grant the making of subkeys (KEY_CREATE_SUB_KEY); the key made is
// opened with that right and the one to set values (KEY_SET_VALUE).
long MemoryRegistry::CreateKey(RegKey key, const std::wstring& name, RegKey& subkey) {
    Record("CreateKey");
    if (faults_.Next("Registry.CreateKey")) return kErrorAccessDenied;
    const auto handle = handles_.find(key);
    if (handle == handles_.end()) return kErrorInvalidHandle;
    Node& parent = *handle->second;
    if (parent.deleted) return kErrorKeyDeleted;
    if (name.empty() || name.find(L'\\') != name.npos) return kErrorBadKey;
    if (parent.Child(name)) return kErrorAlreadyExists;
    if ((parent.granted & kCreateSubKey) == 0) return kErrorAccessDenied;
    parent.subkeys.push_back(std::make_unique<Node>());
    Node* made = parent.subkeys.back().get();
    made->name = name;
    made->parent = &parent;
    ++nameChanges_;
    subkey = nextHandle_++;
    handles_[subkey] = made;
    rights_[subkey] = kCreateSubKey | kSetValue;
    return kErrorSuccess;
}

long MemoryRegistry::SetValue(RegKey key, const RegistryValue& value) {
    Record("SetValue");
    if (faults_.Next("Registry.SetValue")) return kErrorAccessDenied;
    const auto handle = handles_.find(key);
    if (handle == handles_.end()) return kErrorInvalidHandle;
    if (handle->second->deleted) return kErrorKeyDeleted;
    if ((rights_[key] & kSetValue) == 0) return kErrorAccessDenied;
    handle->second->values[value.name] = {value.type, value.data};
    return kErrorSuccess;
}

long MemoryRegistry::WatchSubkeys(RegKey key, bool, RegWatch& watch) {
    Record("WatchSubkeys");
    if (faults_.Next("Registry.WatchSubkeys")) return kErrorAccessDenied;
    if (handles_.find(key) == handles_.end()) return kErrorInvalidHandle;
    watch = nextHandle_++;
    watches_[watch] = nameChanges_;
    return kErrorSuccess;
}

bool MemoryRegistry::EndWatch(RegWatch watch) {
    Record("EndWatch");
    const auto found = watches_.find(watch);
    const bool changed = found == watches_.end() || found->second != nameChanges_;
    if (found != watches_.end()) watches_.erase(found);
    return changed;
}

void MemoryRegistry::GrantOnly(std::int32_t root, const std::wstring& path, std::uint32_t rights,
                               RegistryView view) {
    Create(root, path, view)->granted = rights;
}

void MemoryRegistry::FailReadOf(std::int32_t root, const std::wstring& path, long result,
                                RegistryView view) {
    Create(root, path, view)->readFailure = result;
}

}  // namespace zelvane
