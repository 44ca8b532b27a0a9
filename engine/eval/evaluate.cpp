// Evaluate: the static score of the position on Board. Stages, always in
// this order: the scan (material and placement, piece lists and pawn files,
// all read from the lists the board keeps), the
// lazy test, the positional stage (pawns, then rooks, kings, bishops) when the
// lazy test lets it run, and the endgame stage.
#include "engine/eval/evaluate.h"

#include <bit>
#include <cstring>

#include "engine/board/board.h"
#include "engine/board/sides.h"
#include "engine/eval/eval_internal.h"

namespace corvane {

namespace {

// The cells of a piece list in cell order (the order a scan of the board
// meets them); returns their number.
inline Byte ListCells(std::uint64_t squares, Byte* cells) {
    Byte n = 0;
    for (; squares != 0; squares &= squares - 1) cells[n++] = static_cast<Byte>(SquareCell(std::countr_zero(squares)));
    return n;
}

// What the evaluation reads of one side's pieces, from the board's lists.
template <const SideOrders& S>
inline void SideWork(const Engine& e, EvalWork& w, int side) {
    const std::uint64_t queens = e.PieceSquares[S.Queen];
    // The queen a scan of the cells would meet last.
    w.QueenCell[side] = queens != 0 ? static_cast<Byte>(SquareCell(63 - std::countl_zero(queens))) : 0;
    w.RookCount[side] = ListCells(e.PieceSquares[S.Rook], w.RookCells[side]);
    w.BishopCount[side] = ListCells(e.PieceSquares[S.Bishop], w.BishopCells[side]);
    w.KnightCount[side] = e.PieceCount[S.Knight];
    w.PawnCount[side] = e.PieceCount[S.Pawn];
    std::memcpy(w.PawnFileMask[side], e.PawnFiles[side], 8);
    w.RookShutIn[side] = 0;
}

}  // namespace

Word ScanBoard(Engine& e, EvalWork& w) {
    // One point for Black when Black is to move (odd ply); material and
    // placement of every piece come summed from the board's lists.
    const Word s = static_cast<Word>(ScoreLevel + (e.CurrentPly & 1) + e.ScanSum);
    SideWork<BlackOrders>(e, w, EvalBlack);
    SideWork<WhiteOrders>(e, w, EvalWhite);

    // Signatures: 32 per rook, 1 per minor piece, 1024 for any queen.
    e.BlackSignature = static_cast<Word>(32 * w.RookCount[EvalBlack] + w.BishopCount[EvalBlack] +
                                         w.KnightCount[EvalBlack] + (w.QueenCell[EvalBlack] != 0 ? 1024 : 0));
    e.WhiteSignature = static_cast<Word>(32 * w.RookCount[EvalWhite] + w.BishopCount[EvalWhite] +
                                         w.KnightCount[EvalWhite] + (w.QueenCell[EvalWhite] != 0 ? 1024 : 0));
    w.LazyScore = s;
    return s;
}

bool PositionalStageRuns(const Engine& e, Word lazy) {
    // U: the opponent's bound, V: the bound the side to move has secured.
    // Plain integers, so V - 600 may be negative.
    const int u = e.PlyBound[e.ParentPly];
    const int v = e.PlyBound[e.CurrentPly];
    const int s = lazy;
    return (s < u + 400 && s > v - 600) || (s > u - 400 && s < v + 600);
}

Word Evaluate(Engine& e) {
    EvalWork w;
    Word s = ScanBoard(e, w);

    if (PositionalStageRuns(e, s)) {
        BlackPawnTerms(e, w, s);
        WhitePawnTerms(e, w, s);
        PawnStructureBoost(e, w, s);
        BlackRookTerms(e, w, s);
        WhiteRookTerms(e, w, s);
        BlackKingTerms(e, w, s);
        WhiteKingTerms(e, w, s);
        BlackBishopTerms(e, w, s);
        WhiteBishopTerms(e, w, s);
    }

    EndgameStage(e, w, s);

    // 32767 is the score of a repetition or fifty-move draw; a static score
    // never claims it.
    if (s == ScoreDraw) s = ScoreLevel;
    return s;
}

}  // namespace corvane
