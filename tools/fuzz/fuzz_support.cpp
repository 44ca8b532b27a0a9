#include "tools/fuzz/fuzz_support.h"

#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "engine/board/board.h"
#include "engine/copy.h"
#include "engine/search/hash_table.h"

namespace corvane::fuzz {

namespace {

[[noreturn]] void Fail(const char* what, int copy, const char* afterLine) {
    std::fprintf(stderr, "game position broken in copy %d: %s\nafter the line: \"%s\"\n", copy + 1, what,
                 afterLine);
    std::abort();
}

bool IsPieceCode(Byte v) {
    return (v >= BlackKing && v <= BlackPawn) || (v >= WhiteKing && v <= WhitePawn);
}

void CheckCopy(Engine& e, int copy, const char* line) {
    const Byte* b = e.GameBoard;
    if (b[0] != Empty) Fail("cell 0 is not empty", copy, line);
    int blackKings = 0, whiteKings = 0;
    for (int x = 1; x < BoardCells; ++x) {
        if (!IsSquareCell(x)) {
            if (x != BlackKingCell && x != WhiteKingCell && x != ScratchCell && b[x] != OffBoard)
                Fail("a border cell is not off the board", copy, line);
            continue;
        }
        if (b[x] != Empty && !IsPieceCode(b[x])) Fail("a square holds no piece code", copy, line);
        if (b[x] == BlackKing) ++blackKings;
        if (b[x] == WhiteKing) ++whiteKings;
    }
    if (blackKings != 1 || whiteKings != 1) Fail("not exactly one king of each colour", copy, line);
    if (!IsSquareCell(b[BlackKingCell]) || b[b[BlackKingCell]] != BlackKing)
        Fail("the Black king cell is wrong", copy, line);
    if (!IsSquareCell(b[WhiteKingCell]) || b[b[WhiteKingCell]] != WhiteKing)
        Fail("the White king cell is wrong", copy, line);

    // Keys from scratch: the pieces, the flags and, with codes 1..6 to move,
    // the side term.
    std::uint32_t keyA = 0, keyB = 0;
    for (int x = 48; x <= 167; ++x) {
        if (!IsSquareCell(x) || b[x] == Empty) continue;
        keyA += e.KeyTableA[b[x]][x];
        keyB += e.KeyTableB[b[x]][x];
    }
    keyA += e.PlyFlags[0];
    const bool keysAsEngineToMove = e.GameKeyA[0] == keyA + 512 && e.GameKeyB[0] == keyB;
    const bool keysAsOpponentToMove = e.GameKeyA[0] == keyA && e.GameKeyB[0] == keyB;
    if (e.GameTurn == TurnEngine && !keysAsEngineToMove) Fail("game keys differ from the position's", copy, line);
    if (e.GameTurn == TurnOpponent && !keysAsOpponentToMove) Fail("game keys differ from the position's", copy, line);
    if (e.GameTurn == TurnGameOver && !keysAsEngineToMove && !keysAsOpponentToMove)
        Fail("game keys differ from the position's", copy, line);
    if (e.GameTurn != TurnEngine && e.GameTurn != TurnOpponent && e.GameTurn != TurnGameOver)
        Fail("no valid turn", copy, line);

    // The side to move must not be able to take the king; the attack tests
    // read the working board, which is put back afterwards.
    Byte saved[BoardCells];
    std::memcpy(saved, e.Board, BoardCells);
    std::memcpy(e.Board, e.GameBoard, BoardCells);
    const bool engineTakes = AttackedByBlack(e, b[WhiteKingCell]) != 0;
    const bool opponentTakes = AttackedByWhite(e, b[BlackKingCell]) != 0;
    std::memcpy(e.Board, saved, BoardCells);
    if (e.GameTurn == TurnEngine && engineTakes) Fail("the side to move can take the king", copy, line);
    if (e.GameTurn == TurnOpponent && opponentTakes) Fail("the side to move can take the king", copy, line);
    if (e.GameMoveCount > GameMoveCapacity) Fail("the move count is past the move list", copy, line);

    // An en passant state names the file of a pawn of the side that has just
    // moved, which stands two rows from its start with the squares it crossed
    // empty and an enemy pawn beside it: the capture can really be made.
    const int ep = e.PlyFlags[0] & 15;
    if (ep > 8) Fail("the en passant file is off the board", copy, line);
    if (ep != 0 && e.GameTurn != TurnGameOver) {
        const int file = ep - 1;
        const bool opponentToMove = e.GameTurn == TurnOpponent;
        const int pawn = (opponentToMove ? 96 : 112) + file;
        const int step = opponentToMove ? -16 : 16;  // toward the pawn's start
        const Byte mover = opponentToMove ? BlackPawn : WhitePawn;
        const Byte taker = opponentToMove ? WhitePawn : BlackPawn;
        if (b[pawn] != mover || b[pawn + step] != Empty || b[pawn + 2 * step] != Empty)
            Fail("an en passant state without the pawn that has just double-stepped", copy, line);
        if (b[pawn - 1] != taker && b[pawn + 1] != taker)
            Fail("an en passant state without a pawn that can take", copy, line);
    }
}

}  // namespace

void Fail(const char* what, const char* afterLine) {
    std::fprintf(stderr, "%s\nafter the line: \"%s\"\n", what, afterLine);
    std::abort();
}

FuzzEngine& SharedEngine() {
    static FuzzEngine* f = [] {
        auto* made = new FuzzEngine();
        std::FILE* sink = std::fopen("/dev/null", "w");
        InitFrontEnd(made->Front, made->Copies, 2, sink ? sink : stdout);
        InitTables(made->Copies[0]);
        InitTablesAttached(made->Copies[1]);
        if (!HashAllocate(made->Copies[0], 1, true)) std::abort();
        HashAttach(made->Copies[1], made->Copies[0], 1);
        return made;
    }();
    return *f;
}

void ResetEngine(FuzzEngine& f) {
    std::FILE* sink = f.Front.Output;
    InitFrontEnd(f.Front, f.Copies, 2, sink);
    // A new game sets every ply table and move slot of both copies one by
    // one, which under the fuzzer's coverage hooks costs more than the
    // input itself: the first reset keeps the copies as the new game left
    // them, and later ones restore that image and clear the table alike.
    static Engine* image = nullptr;
    if (image == nullptr) {
        StartNewGame(f.Front, 1);
        image = new Engine[2];
        for (int k = 0; k < 2; ++k)
            std::memcpy(static_cast<void*>(&image[k]), static_cast<const void*>(&f.Copies[k]), sizeof(Engine));
        return;
    }
    // The table the copies share now (a UCI input may have given it another
    // size) stays theirs.
    for (int k = 0; k < 2; ++k) {
        Engine& e = f.Copies[k];
        HashLine* lines = e.HashLines;
        const std::uint32_t slots = e.HashSlots;
        const std::uint64_t reciprocal = e.HashReciprocal;
        const std::size_t bytes = e.HashBytes;
        std::memcpy(static_cast<void*>(&e), static_cast<const void*>(&image[k]), sizeof(Engine));
        e.HashLines = lines;
        e.HashSlots = slots;
        e.HashReciprocal = reciprocal;
        e.HashBytes = bytes;
    }
    HashClear(f.Copies[0]);
    // The front end's defaults are those of a full new game already; its
    // stopwatch starts with the game.
    StartStopwatch(f.Front);
}

void CheckGame(FuzzEngine& f, const char* afterLine) {
    for (int k = 0; k < 2; ++k) CheckCopy(f.Copies[k], k, afterLine);
    const Engine& a = f.Copies[0];
    const Engine& b = f.Copies[1];
    if (std::memcmp(a.GameBoard, b.GameBoard, BoardCells) != 0 || a.GameTurn != b.GameTurn ||
        a.Flipped != b.Flipped || a.PlyFlags[0] != b.PlyFlags[0] || a.GameKeyA[0] != b.GameKeyA[0] ||
        a.GameKeyB[0] != b.GameKeyB[0] || a.GameMoveCount != b.GameMoveCount)
        Fail("copy 2 holds another game than copy 1", 1, afterLine);
}

const char* WriteScratchFile(const char* stem, const std::uint8_t* data, std::size_t size) {
    static char name[64];
    std::snprintf(name, sizeof name, "%s-%ld.tmp", stem, static_cast<long>(getpid()));
    std::FILE* file = std::fopen(name, "wb");
    if (file == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
    return name;
}

}  // namespace corvane::fuzz
