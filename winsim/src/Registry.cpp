// The registry of the simulated machine: keys, values, handles and protection.
#include <cstring>

#include "Internal.h"

namespace winsim {

namespace {

// Rights that change a key or what is below it.
const REGSAM kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE |
                            WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL | MAXIMUM_ALLOWED;

const REGSAM kNoRight = 0;

using KeyNode = std::shared_ptr<RegNode>;

RegistryState& Registry() { return M().impl->registry; }

bool IsRoot(HKEY key) { return Registry().roots.count(key) != 0; }

// Paths given to the Machine's set-up members: a leading backslash and empty
// names are tolerated.
std::vector<std::string> SetupNames(const std::string& path) {
    std::vector<std::string> names;
    std::string name;
    for (char c : path + "\\") {
        if (c != '\\') {
            name += c;
        } else if (!name.empty()) {
            names.push_back(name);
            name.clear();
        }
    }
    return names;
}

// The key names of a relative path. A path may not begin with a backslash;
// empty names (doubled or trailing backslashes) are skipped.
LONG SplitPath(LPCSTR path, std::vector<std::string>& names) {
    names.clear();
    if (!path || !*path) return ERROR_SUCCESS;
    if (*path == '\\') return ERROR_BAD_PATHNAME;
    names = SetupNames(path);
    return ERROR_SUCCESS;
}

bool InProtectedTree(const RegNode* node) {
    for (; node; node = node->parent)
        if (node->isProtected) return true;
    return false;
}

bool HoldsProtectedKey(const RegNode& node) {
    if (node.isProtected) return true;
    for (const auto& child : node.children)
        if (HoldsProtectedKey(*child.second)) return true;
    return false;
}

KeyNode Child(const KeyNode& node, const std::string& name) {
    auto it = node->children.find(Lower(name));
    return it == node->children.end() ? nullptr : it->second;
}

KeyNode AddChild(const KeyNode& node, const std::string& name) {
    auto child = std::make_shared<RegNode>();
    child->name = name;
    child->parent = node.get();
    node->children[Lower(name)] = child;
    return child;
}

// The key a handle stands for; fails for unknown handles.
LONG Resolve(HKEY key, KeyHandle& out) {
    RegistryState& reg = Registry();
    auto root = reg.roots.find(key);
    if (root != reg.roots.end()) {
        out = KeyHandle{key, root->second, KEY_ALL_ACCESS};
        return ERROR_SUCCESS;
    }
    auto open = reg.keys.find(key);
    if (open == reg.keys.end()) return ERROR_INVALID_HANDLE;
    out = *open->second;
    return ERROR_SUCCESS;
}

// Resolves a handle that the caller means to use with `right`.
LONG ResolveFor(HKEY key, REGSAM right, KeyHandle& out) {
    LONG error = Resolve(key, out);
    if (error != ERROR_SUCCESS) return error;
    if (out.node->deleted) return ERROR_KEY_DELETED;
    const bool granted = (out.access & right) || (out.access & GENERIC_ALL);
    if (right != kNoRight && !granted) return ERROR_ACCESS_DENIED;
    return ERROR_SUCCESS;
}

// Follows `names` down from `node` as far as they exist; `found` counts them.
KeyNode Walk(KeyNode node, const std::vector<std::string>& names, size_t& found) {
    for (found = 0; found < names.size(); ++found) {
        KeyNode next = Child(node, names[found]);
        if (!next) break;
        node = next;
    }
    return node;
}

HKEY NewKeyHandle(HKEY root, const KeyNode& node, REGSAM access) {
    auto handle = std::make_unique<KeyHandle>(KeyHandle{root, node, access});
    HKEY key = reinterpret_cast<HKEY>(handle.get());
    Registry().keys[key] = std::move(handle);
    ++M().registry.openHandles;
    return key;
}

std::string KeyPath(HKEY root, const RegNode* node) {
    std::string path;
    for (; node && node->parent; node = node->parent)
        path = path.empty() ? node->name : node->name + "\\" + path;
    return RootName(root) + (path.empty() ? "" : "\\" + path);
}

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out = "hex:";
    for (size_t i = 0; i < bytes.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(bytes[i]);
        if (i) out += ',';
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

void MarkDeleted(HKEY root, RegNode& node) {
    for (auto& child : node.children) MarkDeleted(root, *child.second);
    Record("regdel: " + KeyPath(root, &node));
    node.deleted = true;
    node.parent = nullptr;  // a handle may keep the key alive longer than its parent
}

// Removes a key with everything below it, children first.
void DeleteTree(HKEY root, const KeyNode& node) {
    RegNode* parent = node->parent;
    MarkDeleted(root, *node);
    parent->children.erase(Lower(node->name));
}

KeyNode SetupNode(HKEY root, const std::string& key, bool create) {
    auto it = Registry().roots.find(root);
    if (it == Registry().roots.end()) return nullptr;
    KeyNode node = it->second;
    for (const auto& name : SetupNames(key)) {
        KeyNode next = Child(node, name);
        if (!next && !create) return nullptr;
        node = next ? next : AddChild(node, name);
    }
    return node;
}

const RegValue* SetupValue(HKEY root, const std::string& key, const std::string& name) {
    KeyNode node = SetupNode(root, key, false);
    if (!node) return nullptr;
    auto it = node->values.find(Lower(name));
    return it == node->values.end() ? nullptr : &it->second;
}

}  // namespace

std::string ValueText(DWORD type, const std::string& data) {
    if (type == REG_SZ || type == REG_EXPAND_SZ) return data.substr(0, data.find('\0'));
    if (type == REG_DWORD && data.size() == sizeof(DWORD)) {
        DWORD value;
        std::memcpy(&value, data.data(), sizeof value);
        return std::to_string(value);
    }
    return Hex(data);
}

void InitRegistry(Machine& machine) {
    for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS})
        machine.impl->registry.roots[root] = std::make_shared<RegNode>();
}

void Machine::AddKey(HKEY root, const std::string& key) { SetupNode(root, key, true); }

void Machine::SetValue(HKEY root, const std::string& key, const std::string& name, DWORD type,
                       const std::string& data) {
    KeyNode node = SetupNode(root, key, true);
    if (!node) return;
    RegValue& value = node->values[Lower(name)];
    if (value.name.empty()) value.name = name;
    value.type = type;
    value.data = data;
}

void Machine::SetString(HKEY root, const std::string& key, const std::string& name,
                        const std::string& value) {
    SetValue(root, key, name, REG_SZ, value + std::string(1, '\0'));
}

void Machine::SetDword(HKEY root, const std::string& key, const std::string& name, DWORD value) {
    SetValue(root, key, name, REG_DWORD,
             std::string(reinterpret_cast<const char*>(&value), sizeof value));
}

void Machine::ProtectKey(HKEY root, const std::string& key) {
    KeyNode node = SetupNode(root, key, true);
    if (node) node->isProtected = true;
}

bool Machine::KeyExists(HKEY root, const std::string& key) const {
    return SetupNode(root, key, false) != nullptr;
}

bool Machine::ValueExists(HKEY root, const std::string& key, const std::string& name) const {
    return SetupValue(root, key, name) != nullptr;
}

std::string Machine::StringValue(HKEY root, const std::string& key, const std::string& name) const {
    const RegValue* value = SetupValue(root, key, name);
    return value ? value->data.substr(0, value->data.find('\0')) : "";
}

DWORD Machine::ValueType(HKEY root, const std::string& key, const std::string& name) const {
    const RegValue* value = SetupValue(root, key, name);
    return value ? value->type : REG_NONE;
}

std::vector<std::string> Machine::SubKeys(HKEY root, const std::string& key) const {
    std::vector<std::string> names;
    KeyNode node = SetupNode(root, key, false);
    if (!node) return names;
    for (const auto& child : node->children) names.push_back(child.second->name);
    return names;
}

// The key a handle and a sub-key path lead to, as far as it exists: `found` of the
// path's `names` were there.
struct KeyWalk {
    KeyHandle base{};
    std::vector<std::string> names;
    size_t found = 0;
    KeyNode node;
    bool Complete() const { return found == names.size(); }
};

LONG WalkFrom(HKEY key, LPCSTR subKey, KeyWalk& walk) {
    LONG error = Resolve(key, walk.base);
    if (error != ERROR_SUCCESS) return error;
    if (walk.base.node->deleted) return ERROR_KEY_DELETED;
    error = SplitPath(subKey, walk.names);
    if (error != ERROR_SUCCESS) return error;
    walk.node = Walk(walk.base.node, walk.names, walk.found);
    return ERROR_SUCCESS;
}

}  // namespace winsim

using namespace winsim;

LONG WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM desired, PHKEY result) {
    if (Faulted("RegOpenKeyExA", 0)) return ERROR_ACCESS_DENIED;
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    KeyWalk walk;
    LONG error = WalkFrom(key, subKey, walk);
    if (error != ERROR_SUCCESS) return error;
    if (!walk.Complete()) return ERROR_FILE_NOT_FOUND;
    if ((desired & kWriteRights) && InProtectedTree(walk.node.get())) return ERROR_ACCESS_DENIED;
    *result = NewKeyHandle(walk.base.root, walk.node, desired);
    return ERROR_SUCCESS;
}

LONG WINAPI RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM desired,
                            LPSECURITY_ATTRIBUTES, PHKEY result, LPDWORD disposition) {
    if (Faulted("RegCreateKeyExA", 0)) return ERROR_ACCESS_DENIED;
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    KeyWalk walk;
    LONG error = WalkFrom(key, subKey, walk);
    if (error != ERROR_SUCCESS) return error;
    const bool create = !walk.Complete();
    if ((create || (desired & kWriteRights)) && InProtectedTree(walk.node.get()))
        return ERROR_ACCESS_DENIED;
    for (; !walk.Complete(); ++walk.found) walk.node = AddChild(walk.node, walk.names[walk.found]);
    if (disposition) *disposition = create ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *result = NewKeyHandle(walk.base.root, walk.node, desired);
    return ERROR_SUCCESS;
}

LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD, LPDWORD type, LPBYTE data,
                             LPDWORD dataSize) {
    if (Faulted("RegQueryValueExA", 0)) return ERROR_ACCESS_DENIED;
    KeyHandle handle{};
    LONG error = ResolveFor(key, KEY_QUERY_VALUE, handle);
    if (error != ERROR_SUCCESS) return error;
    if (data && !dataSize) return ERROR_INVALID_PARAMETER;
    auto it = handle.node->values.find(Lower(valueName ? valueName : ""));
    if (it == handle.node->values.end()) return ERROR_FILE_NOT_FOUND;
    const RegValue& value = it->second;
    const DWORD size = static_cast<DWORD>(value.data.size());
    if (type) *type = value.type;
    if (!data) {
        if (dataSize) *dataSize = size;
        return ERROR_SUCCESS;
    }
    const DWORD room = *dataSize;
    *dataSize = size;
    if (room < size) return ERROR_MORE_DATA;
    std::memcpy(data, value.data.data(), size);
    // The NT family ends an unterminated string when the buffer has room.
    const bool isText = value.type == REG_SZ || value.type == REG_EXPAND_SZ;
    if (isText && room > size && (size == 0 || data[size - 1] != 0)) data[size] = 0;
    return ERROR_SUCCESS;
}

LONG WINAPI RegSetValueExA(HKEY key, LPCSTR valueName, DWORD, DWORD type, const BYTE* data,
                           DWORD dataSize) {
    if (Faulted("RegSetValueExA", 0)) return ERROR_ACCESS_DENIED;
    KeyHandle handle{};
    LONG error = ResolveFor(key, KEY_SET_VALUE, handle);
    if (error != ERROR_SUCCESS) return error;
    if (InProtectedTree(handle.node.get())) return ERROR_ACCESS_DENIED;
    if (!data && dataSize) return ERROR_NOACCESS;
    // As the platform: a string whose size leaves out the terminator that follows it is
    // kept with its terminator.
    const bool text = type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
    if (text && dataSize && data[dataSize - 1] != 0 && data[dataSize] == 0) ++dataSize;
    const std::string name = valueName ? valueName : "";
    RegValue& value = handle.node->values[Lower(name)];
    if (value.name.empty()) value.name = name;
    value.type = type;
    value.data.assign(reinterpret_cast<const char*>(data), dataSize);
    Record("regset: " + KeyPath(handle.root, handle.node.get()) + "\\" + value.name + " = " +
           ValueText(type, value.data));
    return ERROR_SUCCESS;
}

namespace {

DWORD CharacterCount(const std::string& text) {
    DWORD count = 0;
    for (const char* p = text.c_str(); *p; p = CharNextA(p)) ++count;
    return count;
}

// A value's size as the platform keeps it: a string two bytes a character.
DWORD StoredSize(const RegValue& value) {
    const std::string& data = value.data;
    if (value.type != REG_SZ && value.type != REG_EXPAND_SZ && value.type != REG_MULTI_SZ)
        return static_cast<DWORD>(data.size());
    DWORD characters = 0;
    for (const char* p = data.c_str(); p < data.c_str() + data.size(); ++characters)
        p = *p ? CharNextA(p) : p + 1;
    return 2 * characters;
}

}  // namespace

LONG WINAPI RegQueryInfoKeyA(HKEY key, LPSTR keyClass, LPDWORD classSize, LPDWORD, LPDWORD subKeys,
                             LPDWORD maxSubKeyLength, LPDWORD maxClassLength, LPDWORD values,
                             LPDWORD maxValueNameLength, LPDWORD maxValueLength,
                             LPDWORD securityDescriptorSize, PFILETIME lastWriteTime) {
    if (Faulted("RegQueryInfoKeyA", 0)) return ERROR_ACCESS_DENIED;
    KeyHandle handle{};
    LONG error = ResolveFor(key, kNoRight, handle);  // Wine asks for no particular right
    if (error != ERROR_SUCCESS) return error;
    if (keyClass && !classSize) return ERROR_INVALID_PARAMETER;
    if (keyClass && *classSize) keyClass[0] = 0;
    if (classSize) *classSize = 0;
    const RegNode& node = *handle.node;
    DWORD longestName = 0;
    // The platform counts the longest name in characters: a double-byte name takes more
    // bytes than that.
    for (const auto& child : node.children)
        longestName = std::max(longestName, CharacterCount(child.second->name));
    DWORD longestValueName = 0, longestValue = 0;
    for (const auto& value : node.values) {
        longestValueName = std::max(longestValueName, static_cast<DWORD>(value.second.name.size()));
        longestValue = std::max(longestValue, StoredSize(value.second));
    }
    if (subKeys) *subKeys = static_cast<DWORD>(node.children.size());
    if (maxSubKeyLength) *maxSubKeyLength = longestName;
    if (maxClassLength) *maxClassLength = 0;
    if (values) *values = static_cast<DWORD>(node.values.size());
    if (maxValueNameLength) *maxValueNameLength = longestValueName;
    if (maxValueLength) *maxValueLength = longestValue;
    if (securityDescriptorSize) *securityDescriptorSize = 0;
    if (lastWriteTime) *lastWriteTime = FILETIME{0, 0};
    return ERROR_SUCCESS;
}

LONG WINAPI RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD,
                          LPSTR keyClass, LPDWORD classSize, PFILETIME lastWriteTime) {
    if (Faulted("RegEnumKeyExA", 0)) return ERROR_ACCESS_DENIED;
    KeyHandle handle{};
    LONG error = ResolveFor(key, KEY_ENUMERATE_SUB_KEYS, handle);
    if (error != ERROR_SUCCESS) return error;
    if (!name || !nameSize) return ERROR_INVALID_PARAMETER;
    const auto& children = handle.node->children;
    if (index >= children.size()) return ERROR_NO_MORE_ITEMS;
    auto it = children.begin();
    std::advance(it, index);
    const std::string& found = it->second->name;
    if (found.size() >= *nameSize) return ERROR_MORE_DATA;
    std::memcpy(name, found.c_str(), found.size() + 1);
    *nameSize = static_cast<DWORD>(found.size());
    if (keyClass && classSize && *classSize) keyClass[0] = 0;
    if (classSize) *classSize = 0;
    if (lastWriteTime) *lastWriteTime = FILETIME{0, 0};
    return ERROR_SUCCESS;
}

LONG WINAPI RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD,
                          LPDWORD type, LPBYTE data, LPDWORD dataSize) {
    KeyHandle handle{};
    LONG error = ResolveFor(key, KEY_QUERY_VALUE, handle);
    if (error != ERROR_SUCCESS) return error;
    if (!name || !nameSize) return ERROR_INVALID_PARAMETER;
    const auto& values = handle.node->values;
    if (index >= values.size()) return ERROR_NO_MORE_ITEMS;
    auto it = values.begin();
    std::advance(it, index);
    const RegValue& value = it->second;
    if (value.name.size() >= *nameSize) return ERROR_MORE_DATA;
    std::memcpy(name, value.name.c_str(), value.name.size() + 1);
    *nameSize = static_cast<DWORD>(value.name.size());
    if (type) *type = value.type;
    if (dataSize) {
        const DWORD room = *dataSize;
        *dataSize = static_cast<DWORD>(value.data.size());
        if (data) {
            if (room < value.data.size()) return ERROR_MORE_DATA;
            std::memcpy(data, value.data.data(), value.data.size());
        }
    }
    return ERROR_SUCCESS;
}

LONG WINAPI RegDeleteKeyA(HKEY key, LPCSTR subKey) {
    if (Faulted("RegDeleteKeyA", 0)) return ERROR_ACCESS_DENIED;
    if (!subKey) return ERROR_INVALID_PARAMETER;
    KeyWalk walk;
    LONG error = WalkFrom(key, subKey, walk);
    if (error != ERROR_SUCCESS) return error;
    if (!walk.Complete()) return ERROR_FILE_NOT_FOUND;
    const KeyNode& node = walk.node;
    if (!node->parent) return ERROR_ACCESS_DENIED;  // a root stays
    if (InProtectedTree(node.get()) || HoldsProtectedKey(*node)) return ERROR_ACCESS_DENIED;
    const bool ntFamily = M().version.dwPlatformId == VER_PLATFORM_WIN32_NT;
    if (ntFamily && !node->children.empty()) return ERROR_ACCESS_DENIED;
    DeleteTree(walk.base.root, node);
    return ERROR_SUCCESS;
}

LONG WINAPI RegDeleteValueA(HKEY key, LPCSTR valueName) {
    if (Faulted("RegDeleteValueA", 0)) return ERROR_ACCESS_DENIED;
    KeyHandle handle{};
    LONG error = ResolveFor(key, KEY_SET_VALUE, handle);
    if (error != ERROR_SUCCESS) return error;
    if (InProtectedTree(handle.node.get())) return ERROR_ACCESS_DENIED;
    auto& values = handle.node->values;
    auto it = values.find(Lower(valueName ? valueName : ""));
    if (it == values.end()) return ERROR_FILE_NOT_FOUND;
    Record("regdel: " + KeyPath(handle.root, handle.node.get()) + "\\" + it->second.name);
    values.erase(it);
    return ERROR_SUCCESS;
}

LONG WINAPI RegCloseKey(HKEY key) {
    if (IsRoot(key)) return ERROR_SUCCESS;
    auto& keys = Registry().keys;
    auto it = keys.find(key);
    if (it == keys.end()) return ERROR_INVALID_HANDLE;
    keys.erase(it);
    --M().registry.openHandles;
    return ERROR_SUCCESS;
}
