// Piece terms of the positional stage: rooks (open files, the enemy king's
// rows, shut in by their own king, mobility), kings (centralisation by the
// opponent's material, king safety against a queen) and bishops (trapped
// patterns, blocked centre pawns, mobility, the pair, opposite colours).
// Knights and queens have no terms of their own here.
#include "engine/eval/eval_internal.h"

namespace corvane {

namespace {

// Number of empty squares from a square along line D of Engine::Rays before
// the first piece or the edge: the distance to the first piece on the line,
// less one, or the line's length when it holds none.
template <int D>
inline int EmptyRun(const Engine& e, int square) {
    const std::uint64_t pieces = e.Rays[D][square] & e.Occupied;
    // The bit scans give 64 (or -1) on an empty line; that distance is not used.
    const int first = D < 4 ? std::countr_zero(pieces) : 63 - std::countl_zero(pieces);
    const int distance = D == 0 ? first - square
                         : D == 4 ? square - first
                         : D < 4  ? (first >> 3) - (square >> 3)
                                  : (square >> 3) - (first >> 3);
    return pieces != 0 ? distance - 1 : e.RayLength[D][square];
}

// Vertical runs (lines 2 and 6) count twice, horizontal ones once.
int RookMobility(const Engine& e, int cell) {
    const int square = SquareIndex(cell);
    return 2 * (EmptyRun<2>(e, square) + EmptyRun<6>(e, square)) + EmptyRun<0>(e, square) + EmptyRun<4>(e, square);
}

// Set when a rook stands on the far side of its own king from the centre:
// beyond a king on files 4..7, or before a king on files 0..3.
bool ShutInByKing(int rookFile, int kingFile) {
    return (kingFile > 3 && rookFile > kingFile) || (kingFile <= 3 && rookFile < kingFile);
}

// Zone offsets around each king: the outer cells (the side's table,
// OuterKingZone) weigh 4, the eight neighbours 8.
constexpr int kInnerZone[8] = {-17, -16, -15, -1, 1, 15, 16, 17};

// King safety of side S: the attackers' weights in the zones around its
// king, its pawn shield, its rooks shut in, and the enemy queen. The queen
// tests read the same files for both sides.
template <const SideOrders& S>
void KingSafety(const Engine& e, const EvalWork& w, Word& s) {
    constexpr const SideOrders& Them = EnemyOf<S>;
    const Byte* board = e.Board;
    const int k = board[S.OwnKingCell];
    const int kf = k & 15;
    const Byte* weight = e.*S.KingZoneWeight;

    // The cells around the king at fixed offsets, read without a loop.
    const Byte* near = board + k;
    int outer = 0;
    int inner = 0;
#pragma GCC unroll 9
    for (int d : S.OuterKingZone) outer += weight[near[d]];
#pragma GCC unroll 8
    for (int d : kInnerZone) inner += weight[near[d]];
    Favour<S>(s, -(4 * outer + 8 * inner - 200));

    // Pawn shield on the side's relative ranks 2 and 3, wherever the king stands.
    constexpr int rank2 = RowStart<S>(1);
    constexpr int rank3 = RowStart<S>(2);
    for (int g = kf - 1; g <= kf + 1; ++g) {
        if (g < 0 || g > 7) continue;
        if (board[rank2 + g] != S.Pawn && board[rank3 + g] != S.Pawn) Favour<S>(s, -18);
    }

    if (e.PieceCount[S.Rook] > 0 && w.RookShutIn[S.Index]) Favour<S>(s, -25);

    // The enemy queen a scan of the cells meets last, 0 for none.
    const std::uint64_t queens = e.PieceSquares[Them.Queen];
    const int queen = queens != 0 ? LastCell(queens) : 0;
    const int queenFile = queen & 15;
    const std::uint64_t enemyPawns = e.PieceSquares[Them.Pawn];
    // The enemy queen against the enemy's own king wing, and the enemy's pawn cover there.
    if ((board[Them.OwnKingCell] & 15) > 3) {
        if (queenFile < 2) Favour<S>(s, 2);
        if ((enemyPawns & FileSquares(6)) == 0) Favour<S>(s, 10);
    } else {
        if (queenFile > 5) Favour<S>(s, 2);
        if ((enemyPawns & FileSquares(1)) == 0) Favour<S>(s, 10);
    }
    // The enemy queen far from the own king's wing.
    if (kf > 3) {
        if (queenFile < 2) Favour<S>(s, 4);
    } else {
        if (queenFile > 5) Favour<S>(s, 4);
    }
    if (k - 24 < queen && queen < k + 24) Favour<S>(s, -15);
}

// Moves s toward 32768 by d / 8 + d / 16 of its distance d.
void ScaleTowardLevel(Word& s) {
    if (s > ScoreLevel) {
        const int d = s - ScoreLevel;
        s -= d / 8 + d / 16;
    } else if (s < ScoreLevel) {
        const int d = ScoreLevel - s;
        s += d / 8 + d / 16;
    }
}

}  // namespace

// Diagonal runs: (15 k + 23) / 4 along +15 and -15, (17 k + 16) / 4 along
// +17 and -17, for k empty cells passed.
int BishopMobility(const Engine& e, int cell) {
    const int square = SquareIndex(cell);
    return (15 * EmptyRun<1>(e, square) + 23) / 4 + (15 * EmptyRun<5>(e, square) + 23) / 4 +
           (17 * EmptyRun<3>(e, square) + 16) / 4 + (17 * EmptyRun<7>(e, square) + 16) / 4;
}

template <const SideOrders& S>
void RookTerms(const Engine& e, EvalWork& w, Word& s) {
    constexpr const SideOrders& Them = EnemyOf<S>;
    const int ownKing = e.Board[S.OwnKingCell];
    const int enemyKing = e.Board[Them.OwnKingCell];
    const std::uint64_t ownPawns = e.PieceSquares[S.Pawn];
    const std::uint64_t enemyPawns = e.PieceSquares[Them.Pawn];
    // Relative ranks 1 to 3 of the side.
    constexpr std::uint64_t homeRows = SideRowSquares<S>(0) | SideRowSquares<S>(1) | SideRowSquares<S>(2);
    for (std::uint64_t rooks = e.PieceSquares[S.Rook]; rooks != 0; rooks &= rooks - 1) {
        const int c = FirstCell(rooks);
        const int f = c & 15;
        if ((enemyPawns & FileSquares(f)) == 0) Favour<S>(s, 8);
        const std::uint64_t own = ownPawns & FileSquares(f);
        // Every own pawn of the file on relative rank 4 or beyond.
        const bool advanced = (own & homeRows) == 0;
        if (own == 0) Favour<S>(s, 16);
        else if (advanced) Favour<S>(s, 5);
        if (enemyKing - 24 < c && c < enemyKing + 24) Favour<S>(s, 17);  // on the enemy king's row or a neighbour
        // The same file comparison for both sides, not mirrored.
        if (ShutInByKing(f, ownKing & 15)) w.RookShutIn[S.Index] = 1;
        Favour<S>(s, RookMobility(e, c));
    }
}

void BlackRookTerms(const Engine& e, EvalWork& w, Word& s) { RookTerms<BlackOrders>(e, w, s); }
void WhiteRookTerms(const Engine& e, EvalWork& w, Word& s) { RookTerms<WhiteOrders>(e, w, s); }

// Centralisation counts 2, 1, -1, -1, -3 and -9 times the table value for an
// enemy signature below 64, 64..65, 66..1023, 1024, 1025 and above 1025.
template <const SideOrders& S>
void KingTerms(const Engine& e, const EvalWork& w, Word& s) {
    const Word enemy = e.*EnemyOf<S>.Signature;
    // The table is Black's; White's king reads it at the turned cell.
    const int k = e.KingCentreTable[SideCell<S>(e.Board[S.OwnKingCell])];
    if (enemy > 65) {
        Favour<S>(s, -k);
        if (enemy >= 1024) {
            if (enemy > 1025) Favour<S>(s, -8 * k);
            else if (enemy == 1025) Favour<S>(s, -2 * k);
            KingSafety<S>(e, w, s);
        }
    } else if (enemy >= 64) {
        Favour<S>(s, k);
    } else {
        Favour<S>(s, 2 * k);
    }
}

void BlackKingTerms(const Engine& e, const EvalWork& w, Word& s) { KingTerms<BlackOrders>(e, w, s); }
void WhiteKingTerms(const Engine& e, const EvalWork& w, Word& s) { KingTerms<WhiteOrders>(e, w, s); }

// The bishop patterns, on Black's cells (named as held unflipped, row 3 is
// rank 8); White's are Black's on the turned board (SideCell).
//
// A bishop caught behind an enemy pawn chain near the enemy's side: on h2 or
// g1 with an enemy pawn on g3, or on g2 with g3 empty; the same on a2 or b1
// with b3 and b2; on h3 with g4, or g3 and g4 empty; on a3 with b4, or b3
// and b4 empty.
constexpr int kH2 = 151, kG1 = 166, kG2 = 150, kG3 = 134, kG4 = 118, kH3 = 135;
constexpr int kA2 = 144, kB1 = 161, kB2 = 145, kB3 = 129, kB4 = 113, kA3 = 128;
constexpr int kTrappedBishop = 115;
// A bishop on d6 or e6 in front of its own unmoved pawn on d7 or e7.
constexpr int kD6 = 83, kD7 = 67, kE6 = 84, kE7 = 68;
constexpr int kBlockingBishop = 25;

template <const SideOrders& S>
void BishopTerms(const Engine& e, const EvalWork&, Word& s) {
    const std::uint64_t bishops = e.PieceSquares[S.Bishop];
    const int count = e.PieceCount[S.Bishop];
    if (count == 0) return;
    const Byte* b = e.Board;
    auto at = [&](int blackCell) { return b[SideCell<S>(blackCell)]; };
    // An enemy pawn on `block`, or on `behind` with `block` empty.
    auto chain = [&](int block, int behind) {
        return at(block) == S.EnemyPawn || (at(behind) == S.EnemyPawn && at(block) == Empty);
    };

    if ((at(kH2) == S.Bishop || at(kG1) == S.Bishop) && chain(kG3, kG2)) Favour<S>(s, -kTrappedBishop);
    if ((at(kA2) == S.Bishop || at(kB1) == S.Bishop) && chain(kB3, kB2)) Favour<S>(s, -kTrappedBishop);
    if (at(kH3) == S.Bishop && chain(kG4, kG3)) Favour<S>(s, -kTrappedBishop);
    if (at(kA3) == S.Bishop && chain(kB4, kB3)) Favour<S>(s, -kTrappedBishop);

    if (at(kD6) == S.Bishop && at(kD7) == S.Pawn) Favour<S>(s, -kBlockingBishop);
    if (at(kE6) == S.Bishop && at(kE7) == S.Pawn) Favour<S>(s, -kBlockingBishop);

    for (std::uint64_t b = bishops; b != 0; b &= b - 1) {
        Favour<S>(s, BishopMobility(e, FirstCell(b)));
        Favour<S>(s, -16);
    }

    // Only White's terms, which run last: one bishop each, on squares of
    // different colours, moves the score reached so far toward level.
    if (!S.IsBlack && count == 1 && e.PieceCount[EnemyOf<S>.Bishop] == 1 &&
        CellColour(FirstCell(bishops)) != CellColour(FirstCell(e.PieceSquares[EnemyOf<S>.Bishop])))
        ScaleTowardLevel(s);

    if (count == 2) Favour<S>(s, 32);
}

void BlackBishopTerms(const Engine& e, const EvalWork& w, Word& s) { BishopTerms<BlackOrders>(e, w, s); }
void WhiteBishopTerms(const Engine& e, const EvalWork& w, Word& s) { BishopTerms<WhiteOrders>(e, w, s); }

}  // namespace corvane
