// The piece lists the board keeps, swept along random games: after every
// make, unmake and place, every game move, flip and set-up, each kept table
// must equal the same table worked out afresh from the 64 cells, and the
// attack test read from the lists must count what the cells show. (The
// capture generator and the tactical selection, which also look along lines
// on the lists, are held against the full list and made moves by the
// CaptureLists tests.)
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/board/board.h"
#include "engine/board/sides.h"
#include "test_support.h"

namespace corvane::test {
namespace {

// The kept tables, worked out from the cells alone.
struct Lists {
    std::uint64_t Squares[17] = {};
    std::uint64_t Occupied = 0;
    Byte Count[17] = {};
    Word ScanSum = 0;
};

Lists FromCells(const Engine& e) {
    Lists l;
    for (int row = 0; row < 8; ++row) {
        for (int file = 0; file < 8; ++file) {
            const int cell = 48 + 16 * row + file;
            const Byte v = e.Board[cell];
            if (v == Empty) continue;
            const std::uint64_t bit = std::uint64_t{1} << (8 * row + file);
            l.Squares[v] |= bit;
            l.Occupied |= bit;
            ++l.Count[v];
            l.ScanSum = static_cast<Word>(l.ScanSum + e.ScanValue[v][cell]);
        }
    }
    return l;
}

// Empty when the kept tables agree with the cells, else what differs; with
// `attacks` also the attack counts on every square.
std::string Mismatch(const Engine& e, bool attacks) {
    const Lists l = FromCells(e);
    std::string out;
    for (int v = 0; v <= 16; ++v) {
        if (e.PieceSquares[v] != l.Squares[v]) out += " squares of code " + std::to_string(v);
        if (e.PieceCount[v] != l.Count[v]) out += " count of code " + std::to_string(v);
    }
    if (e.Occupied != l.Occupied) out += " occupied";
    if (e.ScanSum != l.ScanSum) out += " scan sum";
    // The attack test from the lists counts what the cells show.
    for (int square = 0; attacks && square < 64; ++square) {
        const Byte cell = static_cast<Byte>(SquareCell(square));
        if (AttackedBy<BlackOrders>(e, cell) != AttackedByBlack(e, cell) ||
            AttackedBy<WhiteOrders>(e, cell) != AttackedByWhite(e, cell))
            out += " attacks on cell " + std::to_string(cell);
    }
    return out;
}

// What the sweep has met, so that it can be shown to reach every update.
struct Seen {
    int Moves = 0, Captures = 0, Promotions = 0, Castlings = 0, EnPassant = 0, NullMoves = 0;
    int GameMoves = 0, Flips = 0;
};

// Counts the move of a slot by its kind; true for a castling, an en passant
// capture or a promotion.
bool Classify(const Engine& e, Byte ply, Byte slot, Seen* seen) {
    const int f = e.MoveFrom[ply][slot], t = e.MoveTo[ply][slot];
    const Byte piece = e.Board[f];
    const bool castling = (piece == BlackKing || piece == WhiteKing) && (t - f == 2 || f - t == 2);
    const bool pawn = piece == BlackPawn || piece == WhitePawn;
    const bool enPassant = pawn && e.Board[t] == Empty && ((t - f) & 1);
    const bool promotion = pawn && (OnLastRow(t) || OnFirstRow(t));
    if (seen != nullptr) {
        ++seen->Moves;
        seen->Captures += e.Board[t] != Empty;
        seen->Castlings += castling;
        seen->EnPassant += enPassant;
        seen->Promotions += promotion;
    }
    return castling || enPassant || promotion;
}

// The tables after `what`; the attack counts too unless `attacks` is false
// (after each place, where they would make the sweep slow).
#define EXPECT_LISTS(e, what, attacks)                      \
    do {                                                    \
        const std::string m = Mismatch(e, attacks);         \
        ASSERT_TRUE(m.empty()) << (what) << ":" << m;       \
    } while (0)

// A random line of up to `length` legal moves from the game position, made
// ply by ply and taken back to the start; at every ply each move of the list
// is also placed and taken back, and now and then a null move is made.
void RandomLine(Engine& e, std::mt19937& random, int length, Seen& seen) {
    LoadBoard(e, e.GameBoard);
    EXPECT_LISTS(e, "load", true);
    const Byte first = e.GameTurn == TurnEngine ? 1 : 2;
    e.PlyFlags[first] = e.PlyFlags[0];
    e.HalfMoveClock[first] = e.HalfMoveClock[0];
    ComputeKeys(e, first);
    std::vector<Byte> made;
    Byte ply = first;
    for (int step = 0; step < length; ++step, ++ply) {
        const bool black = ply & 1;
        e.InCheck[ply] = black ? AttackedByWhite(e, e.Board[BlackKingCell]) : AttackedByBlack(e, e.Board[WhiteKingCell]);
        if (black) GenerateBlack(e, ply);
        else GenerateWhite(e, ply);
        if (e.LastMove[ply] == ListEmptyLast) break;
        std::vector<Byte> legal, special;
        for (int s = 0; s <= e.LastMove[ply]; ++s) {
            const Byte slot = static_cast<Byte>(s);
            e.MoveExtra[ply][s] = static_cast<Byte>(2 + random() % 4 + (black ? 0 : 10));
            PlaceMove(e, slot, ply);
            EXPECT_LISTS(e, "place", false);
            const bool ok = black ? AttackedByWhite(e, e.Board[BlackKingCell]) == 0
                                  : AttackedByBlack(e, e.Board[WhiteKingCell]) == 0;
            UnmakeMove(e, slot, ply);
            EXPECT_LISTS(e, "unplace", false);
            if (ok) legal.push_back(slot);
            if (ok && Classify(e, ply, slot, nullptr)) special.push_back(slot);
        }
        if (legal.empty()) break;
        if (random() % 16 == 0 && e.InCheck[ply] == 0) {
            // The null move: cell 0 to cell 0 passes the turn.
            const int s = e.LastMove[ply] + 1;
            e.MoveFrom[ply][s] = e.MoveTo[ply][s] = 0;
            MakeMove(e, static_cast<Byte>(s), ply);
            EXPECT_LISTS(e, "null move", true);
            UnmakeMove(e, static_cast<Byte>(s), ply);
            EXPECT_LISTS(e, "null move taken back", true);
            ++seen.NullMoves;
        }
        // The rare moves are taken whenever a coin says so.
        const bool rare = !special.empty() && random() % 2 == 0;
        const Byte slot = rare ? special[random() % special.size()] : legal[random() % legal.size()];
        Classify(e, ply, slot, &seen);
        MakeMove(e, slot, ply);
        EXPECT_LISTS(e, "make", true);
        made.push_back(slot);
    }
    while (!made.empty()) {
        --ply;
        UnmakeMove(e, made.back(), ply);
        EXPECT_LISTS(e, "unmake", true);
        made.pop_back();
    }
    ASSERT_EQ(std::memcmp(e.Board, e.GameBoard, BoardCells), 0);
}

// Plays one random legal game move on every copy as the front end does.
bool RandomGameMove(Game& g, std::mt19937& random) {
    Engine& e = g.First();
    const auto moves = LegalMoves(e);
    if (moves.empty()) return false;
    const auto [f, t] = moves[random() % moves.size()];
    const Byte q = static_cast<Byte>(2 + random() % 4);
    const Byte code = e.GameTurn == TurnEngine ? PlayBlackMove(e, f, t, q) : PlayWhiteMove(e, f, t, q + 10);
    return code == GameGoesOn;
}

TEST(PieceLists, KeptThroughMovesGameOperationsFlipsAndSetUps) {
    std::mt19937 random(77);
    // Castling both ways, en passant, promotions with and without capture,
    // and endings where pieces come off fast.
    const char* starts[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
        "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
        "rnbqkb1r/pp1p1ppp/5n2/2pPp3/8/8/PPP1PPPP/RNBQKBNR w KQkq c6 0 4",
    };
    Seen seen;
    for (const char* fen : starts) {
        for (int flipped = 0; flipped < 2; ++flipped) {
            for (int game = 0; game < 4; ++game) {
                Game g;
                ASSERT_TRUE(g.SetUp(fen));
                EXPECT_LISTS(g.First(), "set-up", true);
                if (flipped) {
                    FlipSides(*g.Front);
                    ++seen.Flips;
                    EXPECT_LISTS(g.First(), "flip", true);
                }
                for (int move = 0; move < 60; ++move) {
                    RandomLine(g.First(), random, 1 + static_cast<int>(random() % 10), seen);
                    if (HasFatalFailure()) return;
                    if (!RandomGameMove(g, random)) break;
                    ++seen.GameMoves;
                    EXPECT_LISTS(g.First(), "game move", true);
                    if (random() % 20 == 0) {
                        FlipSides(*g.Front);
                        ++seen.Flips;
                        EXPECT_LISTS(g.First(), "flip in the game", true);
                    }
                }
            }
        }
    }
    // Every kind of update was met many times.
    EXPECT_GT(seen.Moves, 5000);
    EXPECT_GT(seen.Captures, 500);
    EXPECT_GT(seen.Promotions, 100);
    EXPECT_GT(seen.Castlings, 50);
    EXPECT_GT(seen.EnPassant, 20);
    EXPECT_GT(seen.NullMoves, 100);
    EXPECT_GT(seen.GameMoves, 1000);
    EXPECT_GT(seen.Flips, 50);
}

}  // namespace
}  // namespace corvane::test
