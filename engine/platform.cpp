// Memory for the hash table: on Linux mapped directly, aligned to the huge
// page size and marked for transparent huge pages; on Windows from
// VirtualAlloc, on large pages where the account may lock memory; elsewhere
// from the aligned operator new.
#include "engine/platform.h"

#include <cstring>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>

#include <cstdint>
#elif defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <timeapi.h>
#endif

namespace corvane {

#if defined(__linux__)

namespace {

constexpr std::size_t HugePage = std::size_t{2} << 20;

// A block of a mapping is recognised at release by its size: blocks of a
// huge page or more are mapped (with or without the advice), smaller ones
// come from operator new.
bool IsMapped(std::size_t bytes) { return bytes >= HugePage; }

std::size_t RoundUp(std::size_t bytes) { return (bytes + HugePage - 1) / HugePage * HugePage; }

}  // namespace

void* TableMemoryAllocate(std::size_t bytes, bool largePages) {
    if (!IsMapped(bytes)) {
        void* block = ::operator new(bytes, std::align_val_t(TableMemoryAlignment), std::nothrow);
        if (block != nullptr) std::memset(block, 0, bytes);
        return block;
    }
    // Map one huge page more than needed, then give back the parts before the
    // first huge-page boundary and after the block, so that the whole block
    // can lie on huge pages.
    const std::size_t size = RoundUp(bytes);
    void* raw = ::mmap(nullptr, size + HugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (start + HugePage - 1) / HugePage * HugePage;
    if (aligned > start) ::munmap(raw, aligned - start);
    const std::size_t tail = start + size + HugePage - (aligned + size);
    if (tail > 0) ::munmap(reinterpret_cast<void*>(aligned + size), tail);
    void* block = reinterpret_cast<void*>(aligned);
#if defined(MADV_HUGEPAGE)
    // Only advice: where the system declines, the block stays on small pages.
    if (largePages) ::madvise(block, size, MADV_HUGEPAGE);
#else
    (void)largePages;
#endif
    return block;
}

void TableMemoryRelease(void* block, std::size_t bytes) {
    if (block == nullptr) return;
    if (IsMapped(bytes)) ::munmap(block, RoundUp(bytes));
    else ::operator delete(block, std::align_val_t(TableMemoryAlignment));
}

void TableMemoryZero(void* block, std::size_t bytes) {
    if (block == nullptr) return;
    // A private anonymous mapping reads as zeros again after MADV_DONTNEED.
    if (IsMapped(bytes) && ::madvise(block, RoundUp(bytes), MADV_DONTNEED) == 0) return;
    std::memset(block, 0, bytes);
}

void PlatformStart() {}

#elif defined(_WIN32)

namespace {

// Large pages need the privilege to lock memory, which an account has only
// when an administrator granted it; asking for it costs nothing otherwise.
bool MayUseLargePages() {
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return false;
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    bool granted = LookupPrivilegeValueW(nullptr, L"SeLockMemoryPrivilege", &privileges.Privileges[0].Luid) &&
                   AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) &&
                   GetLastError() == ERROR_SUCCESS;
    CloseHandle(token);
    return granted;
}

}  // namespace

void* TableMemoryAllocate(std::size_t bytes, bool largePages) {
    // Blocks of VirtualAlloc are aligned to 64 KB and start zeroed.
    const SIZE_T large = GetLargePageMinimum();
    if (largePages && large != 0 && bytes >= large && MayUseLargePages()) {
        const SIZE_T size = (bytes + large - 1) / large * large;
        void* block = VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT | MEM_LARGE_PAGES, PAGE_READWRITE);
        if (block != nullptr) return block;
    }
    return VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void TableMemoryRelease(void* block, std::size_t) {
    if (block != nullptr) VirtualFree(block, 0, MEM_RELEASE);
}

void TableMemoryZero(void* block, std::size_t bytes) {
    if (block != nullptr) std::memset(block, 0, bytes);
}

void PlatformStart() { timeBeginPeriod(1); }

#else

void* TableMemoryAllocate(std::size_t bytes, bool) {
    void* block = ::operator new(bytes, std::align_val_t(TableMemoryAlignment), std::nothrow);
    if (block != nullptr) std::memset(block, 0, bytes);
    return block;
}

void TableMemoryRelease(void* block, std::size_t) {
    ::operator delete(block, std::align_val_t(TableMemoryAlignment));
}

void TableMemoryZero(void* block, std::size_t bytes) {
    if (block != nullptr) std::memset(block, 0, bytes);
}

void PlatformStart() {}

#endif

}  // namespace corvane
