// Hash table allocation, sharing, clearing and ageing.
#include "engine/search/hash_table.h"

#include <new>

#include "engine/board/board.h"

namespace corvane {

namespace {

constexpr std::uint32_t SpareSlots = 256;

std::uint32_t SlotCount(Word units) {
    return static_cast<std::uint32_t>(units & 65535u) * HashSlotsPerUnit;
}

}  // namespace

bool HashAllocate(Engine& first, Word units, bool spareSlots) {
    const std::uint32_t n = SlotCount(units);
    const std::size_t slots = 2u * static_cast<std::size_t>(n) + (spareSlots ? SpareSlots : 0);
    // Value-initialised: every word of every slot starts at 0.
    auto* check = new (std::nothrow) std::atomic<std::uint32_t>[slots]();
    auto* score = check ? new (std::nothrow) std::atomic<std::uint32_t>[slots]() : nullptr;
    auto* info = score ? new (std::nothrow) std::atomic<std::uint16_t>[slots]() : nullptr;
    if (info == nullptr) {
        delete[] score;
        delete[] check;
        first.HashCheckWords = nullptr;
        first.HashScoreWords = nullptr;
        first.HashInfoWords = nullptr;
        first.HashSlots = 0;
        return false;
    }
    first.HashCheckWords = check;
    first.HashScoreWords = score;
    first.HashInfoWords = info;
    first.HashSlots = n;
    if (spareSlots) {
        // The other copies take copy 1's random numbers from these words.
        for (int x = 0; x < BoardCells; ++x) {
            check[x].store(first.RandomA[x], std::memory_order_relaxed);
            check[BoardCells + x].store(first.RandomB[x], std::memory_order_relaxed);
        }
    }
    return true;
}

void HashRelease(Engine& first) {
    delete[] first.HashCheckWords;
    delete[] first.HashScoreWords;
    delete[] first.HashInfoWords;
    first.HashCheckWords = nullptr;
    first.HashScoreWords = nullptr;
    first.HashInfoWords = nullptr;
    first.HashSlots = 0;
}

void HashAttach(Engine& copy, const Engine& first, Word units) {
    copy.HashSlots = SlotCount(units);
    for (int x = 0; x < BoardCells; ++x) {
        copy.RandomA[x] = first.HashCheckWords[x].load(std::memory_order_relaxed);
        copy.RandomB[x] = first.HashCheckWords[BoardCells + x].load(std::memory_order_relaxed);
    }
    BuildKeyTables(copy);
    copy.HashCheckWords = first.HashCheckWords;
    copy.HashScoreWords = first.HashScoreWords;
    copy.HashInfoWords = first.HashInfoWords;
}

void HashClear(Engine& e) {
    std::atomic<std::uint16_t>* info = e.HashInfoWords;
    for (std::uint32_t i = 0; i < e.HashSlots; ++i) info[i].store(3, std::memory_order_relaxed);
}

void HashAge(Engine& e) {
    std::atomic<std::uint16_t>* info = e.HashInfoWords;
    for (std::uint32_t i = 0; i < e.HashSlots; ++i) {
        std::uint16_t x = info[i].load(std::memory_order_relaxed);
        if ((x & 4) == 0) x = static_cast<std::uint16_t>(x + 4);
        else x = static_cast<std::uint16_t>((x & ~12u) + 12);
        info[i].store(x, std::memory_order_relaxed);
    }
}

}  // namespace corvane
