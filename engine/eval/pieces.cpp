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

// Zone offsets around each king: the outer cells weigh 4, the eight
// neighbours 8. The outer group reaches two rows toward the enemy.
constexpr int kBlackOuterZone[9] = {-18, -14, -2, 2, 14, 18, 31, 32, 33};
constexpr int kWhiteOuterZone[9] = {-33, -32, -31, -18, -14, -2, 2, 14, 18};
constexpr int kInnerZone[8] = {-17, -16, -15, -1, 1, 15, 16, 17};

// King safety of the side Black (true) or White: the attackers' weights in
// the zones around its king, its pawn shield, its rooks shut in, and the
// enemy queen. The queen tests read the same files for both sides.
template <bool Black>
void KingSafety(const Engine& e, const EvalWork& w, Word& s) {
    const Byte* board = e.Board;
    const int own = Black ? EvalBlack : EvalWhite;
    const int enemy = Black ? EvalWhite : EvalBlack;
    const int k = board[Black ? BlackKingCell : WhiteKingCell];
    const int kf = k & 15;
    const Byte* weight = Black ? e.BlackKingZoneWeight : e.WhiteKingZoneWeight;

    // The cells around the king at fixed offsets, read without a loop.
    const Byte* near = board + k;
    constexpr const int(&outerZone)[9] = Black ? kBlackOuterZone : kWhiteOuterZone;
    int outer = 0;
    int inner = 0;
#pragma GCC unroll 9
    for (int d : outerZone) outer += weight[near[d]];
#pragma GCC unroll 8
    for (int d : kInnerZone) inner += weight[near[d]];
    Favour<Black>(s, -(4 * outer + 8 * inner - 200));

    // Pawn shield on the side's relative ranks 2 and 3, wherever the king stands.
    const Byte pawn = Black ? BlackPawn : WhitePawn;
    const int rank2 = Black ? 64 : 144;
    const int rank3 = Black ? 80 : 128;
    for (int g = kf - 1; g <= kf + 1; ++g) {
        if (g < 0 || g > 7) continue;
        if (board[rank2 + g] != pawn && board[rank3 + g] != pawn) Favour<Black>(s, -18);
    }

    if (SideCount(e, own, BlackRook) > 0 && w.RookShutIn[own]) Favour<Black>(s, -25);

    // The enemy queen a scan of the cells meets last, 0 for none.
    const std::uint64_t queens = SideSquares(e, enemy, BlackQueen);
    const int queen = queens != 0 ? LastCell(queens) : 0;
    const int queenFile = queen & 15;
    const std::uint64_t enemyPawns = SideSquares(e, enemy, BlackPawn);
    // The enemy queen against the enemy's own king wing, and the enemy's pawn cover there.
    if ((board[Black ? WhiteKingCell : BlackKingCell] & 15) > 3) {
        if (queenFile < 2) Favour<Black>(s, 2);
        if ((enemyPawns & FileSquares(6)) == 0) Favour<Black>(s, 10);
    } else {
        if (queenFile > 5) Favour<Black>(s, 2);
        if ((enemyPawns & FileSquares(1)) == 0) Favour<Black>(s, 10);
    }
    // The enemy queen far from the own king's wing.
    if (kf > 3) {
        if (queenFile < 2) Favour<Black>(s, 4);
    } else {
        if (queenFile > 5) Favour<Black>(s, 4);
    }
    if (k - 24 < queen && queen < k + 24) Favour<Black>(s, -15);
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

template <bool Black>
void RookTerms(const Engine& e, EvalWork& w, Word& s) {
    const int side = Black ? EvalBlack : EvalWhite;
    const int enemy = Black ? EvalWhite : EvalBlack;
    const int ownKing = e.Board[Black ? BlackKingCell : WhiteKingCell];
    const int enemyKing = e.Board[Black ? WhiteKingCell : BlackKingCell];
    const std::uint64_t ownPawns = SideSquares(e, side, BlackPawn);
    const std::uint64_t enemyPawns = SideSquares(e, enemy, BlackPawn);
    // Relative ranks 1 to 3 of the side.
    constexpr std::uint64_t homeRows = Black ? RowSquares(0) | RowSquares(1) | RowSquares(2)
                                             : RowSquares(5) | RowSquares(6) | RowSquares(7);
    for (std::uint64_t rooks = SideSquares(e, side, BlackRook); rooks != 0; rooks &= rooks - 1) {
        const int c = FirstCell(rooks);
        const int f = c & 15;
        if ((enemyPawns & FileSquares(f)) == 0) Favour<Black>(s, 8);
        const std::uint64_t own = ownPawns & FileSquares(f);
        // Every own pawn of the file on relative rank 4 or beyond.
        const bool advanced = (own & homeRows) == 0;
        if (own == 0) Favour<Black>(s, 16);
        else if (advanced) Favour<Black>(s, 5);
        if (enemyKing - 24 < c && c < enemyKing + 24) Favour<Black>(s, 17);  // on the enemy king's row or a neighbour
        // The same file comparison for both sides, not mirrored.
        if (ShutInByKing(f, ownKing & 15)) w.RookShutIn[side] = 1;
        Favour<Black>(s, RookMobility(e, c));
    }
}

void BlackRookTerms(const Engine& e, EvalWork& w, Word& s) { RookTerms<true>(e, w, s); }
void WhiteRookTerms(const Engine& e, EvalWork& w, Word& s) { RookTerms<false>(e, w, s); }

// Centralisation counts 2, 1, -1, -1, -3 and -9 times the table value for a
// White signature below 64, 64..65, 66..1023, 1024, 1025 and above 1025.
template <bool Black>
void KingTerms(const Engine& e, const EvalWork& w, Word& s) {
    const Word enemy = Black ? e.WhiteSignature : e.BlackSignature;
    // The table is Black's; White's king reads it at the turned cell.
    const int k = e.KingCentreTable[Black ? e.Board[BlackKingCell] : RotatedCell(e.Board[WhiteKingCell])];
    if (enemy > 65) {
        Favour<Black>(s, -k);
        if (enemy >= 1024) {
            if (enemy > 1025) Favour<Black>(s, -8 * k);
            else if (enemy == 1025) Favour<Black>(s, -2 * k);
            KingSafety<Black>(e, w, s);
        }
    } else if (enemy >= 64) {
        Favour<Black>(s, k);
    } else {
        Favour<Black>(s, 2 * k);
    }
}

void BlackKingTerms(const Engine& e, const EvalWork& w, Word& s) { KingTerms<true>(e, w, s); }
void WhiteKingTerms(const Engine& e, const EvalWork& w, Word& s) { KingTerms<false>(e, w, s); }

// White's patterns are Black's on the turned board.
template <bool Black>
void BishopTerms(const Engine& e, const EvalWork&, Word& s) {
    const int side = Black ? EvalBlack : EvalWhite;
    const std::uint64_t bishops = SideSquares(e, side, BlackBishop);
    const int count = e.PieceCount[SideCode(side, BlackBishop)];
    if (count == 0) return;
    const Byte* b = e.Board;
    const Byte bishop = Black ? BlackBishop : WhiteBishop;
    const Byte pawn = Black ? BlackPawn : WhitePawn;
    const Byte enemyPawn = Black ? WhitePawn : BlackPawn;
    auto at = [&](int blackCell) { return b[Black ? blackCell : RotatedCell(blackCell)]; };

    // Bishops caught behind an enemy pawn chain near the enemy's side.
    if ((at(151) == bishop || at(166) == bishop) && (at(134) == enemyPawn || (at(150) == enemyPawn && at(134) == Empty)))
        Favour<Black>(s, -115);
    if ((at(144) == bishop || at(161) == bishop) && (at(129) == enemyPawn || (at(145) == enemyPawn && at(129) == Empty)))
        Favour<Black>(s, -115);
    if (at(135) == bishop && (at(118) == enemyPawn || (at(134) == enemyPawn && at(118) == Empty))) Favour<Black>(s, -115);
    if (at(128) == bishop && (at(113) == enemyPawn || (at(129) == enemyPawn && at(113) == Empty))) Favour<Black>(s, -115);

    // A bishop standing in front of its own unmoved centre pawn.
    if (at(83) == bishop && at(67) == pawn) Favour<Black>(s, -25);
    if (at(84) == bishop && at(68) == pawn) Favour<Black>(s, -25);

    for (std::uint64_t b = bishops; b != 0; b &= b - 1) {
        Favour<Black>(s, BishopMobility(e, FirstCell(b)));
        Favour<Black>(s, -16);
    }

    // Only White's terms, which run last: one bishop each, on squares of
    // different colours, moves the score reached so far toward level.
    if (!Black && count == 1 && e.PieceCount[BlackBishop] == 1 &&
        CellColour(FirstCell(bishops)) != CellColour(FirstCell(e.PieceSquares[BlackBishop])))
        ScaleTowardLevel(s);

    if (count == 2) Favour<Black>(s, 32);
}

void BlackBishopTerms(const Engine& e, const EvalWork& w, Word& s) { BishopTerms<true>(e, w, s); }
void WhiteBishopTerms(const Engine& e, const EvalWork& w, Word& s) { BishopTerms<false>(e, w, s); }

}  // namespace corvane
