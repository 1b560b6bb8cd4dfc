#include "platform/memory/memory_registry.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <sstream>

namespace zelvane {

struct MemoryRegistry::Node {
    std::string name;
    std::vector<std::unique_ptr<Node>> subkeys;  // in creation order
    std::map<std::string, std::string> values;

    Node* Child(const std::string& wanted) const {
        for (const auto& child : subkeys) {
            if (std::equal(child->name.begin(), child->name.end(), wanted.begin(), wanted.end(),
                           [](unsigned char a, unsigned char b) {
                               return std::tolower(a) == std::tolower(b);
                           })) {
                return child.get();
            }
        }
        return nullptr;
    }
};

namespace {

std::vector<std::string> Components(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(path);
    while (std::getline(in, part, '\\')) {
        if (!part.empty()) parts.push_back(part);
    }
    return parts;
}

}  // namespace

MemoryRegistry::MemoryRegistry(Faults& faults) : faults_(faults) {}
MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Node* MemoryRegistry::Root(std::int32_t root, RegistryView view) const {
    if (root != kHkeyCurrentUser && root != kHkeyLocalMachine && root != kHkeyUsers) {
        return nullptr;
    }
    if (root != kHkeyLocalMachine) view = RegistryView::kNative;
    auto& node = roots_[{root, view}];
    if (!node) node = std::make_unique<Node>();
    return node.get();
}

MemoryRegistry::Node* MemoryRegistry::Find(std::int32_t root, const std::string& path,
                                           RegistryView view) const {
    Node* node = Root(root, view);
    for (const std::string& part : Components(path)) {
        if (!node) break;
        node = node->Child(part);
    }
    return node;
}

MemoryRegistry::Node* MemoryRegistry::Create(std::int32_t root, const std::string& path,
                                             RegistryView view) {
    Node* node = Root(root, view);
    for (const std::string& part : Components(path)) {
        Node* child = node->Child(part);
        if (!child) {
            node->subkeys.push_back(std::make_unique<Node>());
            child = node->subkeys.back().get();
            child->name = part;
        }
        node = child;
    }
    return node;
}

long MemoryRegistry::OpenKey(std::int32_t root, const std::string& path, RegKey& key) {
    calls.push_back("OpenKey");
    Node* node = Find(root, path, RegistryView::kNative);
    if (faults_.Next("Registry.OpenKey")) return kErrorAccessDenied;
    if (!node) return kErrorFileNotFound;
    key = nextHandle_++;
    handles_[key] = node;
    return kErrorSuccess;
}

long MemoryRegistry::EnumKey(RegKey key, std::int32_t index, char* name, std::uint32_t& size) {
    calls.push_back("EnumKey " + std::to_string(index));
    if (faults_.Next("Registry.EnumKey")) return kErrorAccessDenied;
    if (enumFailure_ && enumFailure_->first == index) return enumFailure_->second;
    const auto handle = handles_.find(key);
    if (handle == handles_.end()) return kErrorInvalidHandle;
    const auto& subkeys = handle->second->subkeys;
    if (index < 0 || static_cast<std::size_t>(index) >= subkeys.size()) return kErrorNoMoreItems;
    const std::string& found = subkeys[static_cast<std::size_t>(index)]->name;
    if (found.size() + 1 > size) return kErrorMoreData;
    std::memcpy(name, found.c_str(), found.size() + 1);
    size = static_cast<std::uint32_t>(found.size());
    return kErrorSuccess;
}

long MemoryRegistry::CloseKey(RegKey key) {
    calls.push_back("CloseKey");
    const bool open = handles_.erase(key) == 1;
    if (faults_.Next("Registry.CloseKey")) return kErrorInvalidHandle;
    return open ? kErrorSuccess : kErrorInvalidHandle;
}

long MemoryRegistry::DeleteTree(std::int32_t root, const std::string& path, RegistryView view) {
    calls.push_back("DeleteTree");
    deletePaths.push_back(path);
    if (faults_.Next("Registry.DeleteTree")) return kErrorAccessDenied;
    const auto failure = deleteFailures_.find({root, view});
    if (failure != deleteFailures_.end()) return failure->second;

    const std::vector<std::string> parts = Components(path);
    if (parts.empty()) return kErrorAccessDenied;  // a hive itself cannot be deleted
    std::string parentPath;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) parentPath += parts[i] + "\\";
    Node* parent = Find(root, parentPath, view);
    Node* node = parent ? parent->Child(parts.back()) : nullptr;
    if (!node) return kErrorFileNotFound;
    std::erase_if(parent->subkeys, [node](const auto& child) { return child.get() == node; });
    return kErrorSuccess;
}

void MemoryRegistry::AddKey(std::int32_t root, const std::string& path, RegistryView view) {
    Create(root, path, view);
}

void MemoryRegistry::SetValue(std::int32_t root, const std::string& path, const std::string& name,
                              const std::string& data, RegistryView view) {
    Create(root, path, view)->values[name] = data;
}

bool MemoryRegistry::Exists(std::int32_t root, const std::string& path, RegistryView view) const {
    return Find(root, path, view) != nullptr;
}

std::string MemoryRegistry::Export() const {
    std::ostringstream out;
    auto write = [&out](const auto& self, const Node& node, const std::string& path) -> void {
        out << '[' << path << "]\n";
        for (const auto& [name, data] : node.values) out << name << '=' << data << '\n';
        for (const auto& child : node.subkeys) self(self, *child, path + "\\" + child->name);
    };
    for (const auto& [where, node] : roots_) {
        write(write, *node,
              std::to_string(where.first) + (where.second == RegistryView::k32Bit ? "/32" : ""));
    }
    return out.str();
}

void MemoryRegistry::FailDelete(std::int32_t root, RegistryView view, long result) {
    deleteFailures_[{root, view}] = result;
}

void MemoryRegistry::FailEnumAt(std::int32_t index, long result) {
    enumFailure_ = {index, result};
}

}  // namespace zelvane
