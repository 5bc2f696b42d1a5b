// Owners of the system handles that the system opens: each closes or frees its
// handle when it goes out of scope, on every path.
#ifndef KEST_SUPPORT_WINSYSHANDLES_H
#define KEST_SUPPORT_WINSYSHANDLES_H

#include <windows.h>

#include <string>

// A kernel object handle (file, token, process, thread) closed with CloseHandle.
// Both the null handle and INVALID_HANDLE_VALUE mean "none".
class KernelHandle {
public:
    explicit KernelHandle(HANDLE handle = nullptr) : handle_(handle) {}
    ~KernelHandle() { Close(); }
    KernelHandle(const KernelHandle&) = delete;
    KernelHandle& operator=(const KernelHandle&) = delete;

    bool IsValid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle_; }
    HANDLE* Receive() {
        Close();
        return &handle_;
    }
    void Reset(HANDLE handle) {
        Close();
        handle_ = handle;
    }
    void Close() {
        if (IsValid()) {
            // A handle that refuses to close leaves nothing for us to undo.
            CloseHandle(handle_);
        }
        handle_ = nullptr;
    }

private:
    HANDLE handle_;
};

// A directory search started with FindFirstFileA, closed with FindClose.
class DirectorySearch {
public:
    DirectorySearch(const std::string& pattern, WIN32_FIND_DATAA& entry)
        : handle_(FindFirstFileA(pattern.c_str(), &entry)) {}
    ~DirectorySearch() { Close(); }
    DirectorySearch(const DirectorySearch&) = delete;
    DirectorySearch& operator=(const DirectorySearch&) = delete;

    bool Found() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    bool Next(WIN32_FIND_DATAA& entry) { return FindNextFileA(handle_, &entry) != FALSE; }
    void Close() {
        if (Found()) {
            // A search that refuses to close holds nothing we could release otherwise.
            FindClose(handle_);
        }
        handle_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE handle_;
};

// An open registry key closed with RegCloseKey (never flushed).
class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey() { Close(); }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    bool IsOpen() const { return key_ != nullptr; }
    HKEY Get() const { return key_; }
    HKEY* Receive() {
        Close();
        return &key_;
    }
    HKEY Release() {
        HKEY key = key_;
        key_ = nullptr;
        return key;
    }
    void Reset(HKEY key) {
        Close();
        key_ = key;
    }
    void Close() {
        if (key_ != nullptr) {
            RegCloseKey(key_);
        }
        key_ = nullptr;
    }

private:
    HKEY key_ = nullptr;
};

// A security identifier built by AllocateAndInitializeSid, freed with FreeSid.
class SidHandle {
public:
    SidHandle() = default;
    ~SidHandle() {
        if (sid_ != nullptr) {
            FreeSid(sid_);
        }
    }
    SidHandle(const SidHandle&) = delete;
    SidHandle& operator=(const SidHandle&) = delete;

    PSID Get() const { return sid_; }
    PSID* Receive() { return &sid_; }

private:
    PSID sid_ = nullptr;
};

// A library loaded with LoadLibraryA, freed with FreeLibrary.
class LoadedLibrary {
public:
    explicit LoadedLibrary(HMODULE module = nullptr) : module_(module) {}
    ~LoadedLibrary() {
        if (module_ != nullptr) {
            // A library that refuses to be freed stays loaded until the process ends.
            FreeLibrary(module_);
        }
    }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    bool IsLoaded() const { return module_ != nullptr; }
    HMODULE Get() const { return module_; }

private:
    HMODULE module_;
};

#endif
