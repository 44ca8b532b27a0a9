// Evaluate: the static score of the position on Board, recomputed from the
// board on every call. Stages, always in this order: the board scan, the
// lazy test, the positional stage (pawns, then rooks, kings, bishops) when the
// lazy test lets it run, and the endgame stage.
#include "engine/eval/evaluate.h"

#include <bit>
#include <cstring>

#include "engine/eval/eval_internal.h"

namespace corvane {

namespace {

// Appends a cell to a piece list of the scan.
inline void AddCell(Byte* cells, Byte& count, int c) { cells[count++] = static_cast<Byte>(c); }

// Counts a pawn and marks its row in the mask of its file.
inline void AddPawn(EvalWork& w, int side, int file, Byte rowBit) {
    ++w.PawnCount[side];
    w.PawnFileMask[side][file] |= rowBit;
}

}  // namespace

Word ScanBoard(Engine& e, EvalWork& w) {
    // One point for Black when Black is to move (odd ply).
    Word s = static_cast<Word>(ScoreLevel + (e.CurrentPly & 1));

    for (int side = 0; side < 2; ++side) {
        w.QueenCell[side] = 0;
        w.RookCount[side] = 0;
        w.BishopCount[side] = 0;
        w.KnightCount[side] = 0;
        w.PawnCount[side] = 0;
        w.RookShutIn[side] = 0;
        for (int f = 0; f < 8; ++f) w.PawnFileMask[side][f] = 0;
    }

    // Only occupied cells matter: a row's eight cells are read at once and
    // the empty ones skipped.
    const Byte* board = e.Board;
    static_assert(std::endian::native == std::endian::little, "the row scan reads cells as a little-endian word");
    constexpr std::uint64_t kEmptyRow = 0x0808080808080808ull;
    for (int rowStart = FirstRowCell; rowStart <= LastRowCell; rowStart += RowCells) {
        std::uint64_t row;
        std::memcpy(&row, board + rowStart, 8);
        std::uint64_t occupied = row ^ kEmptyRow;
        if (occupied == 0) continue;
        const Byte pawnBit = static_cast<Byte>(1u << ((rowStart >> 4) - 3));
        do {
            const int f = std::countr_zero(occupied) >> 3;
            occupied &= ~(0xFFull << (8 * f));
            const int c = rowStart + f;
            const Byte v = board[c];
            s = static_cast<Word>(s + e.ScanValue[v][c]);
            // The same lists for both sides, indexed by side.
            switch (v) {
                case BlackQueen: w.QueenCell[EvalBlack] = static_cast<Byte>(c); break;
                case BlackRook: AddCell(w.RookCells[EvalBlack], w.RookCount[EvalBlack], c); break;
                case BlackBishop: AddCell(w.BishopCells[EvalBlack], w.BishopCount[EvalBlack], c); break;
                case BlackKnight: ++w.KnightCount[EvalBlack]; break;
                case BlackPawn: AddPawn(w, EvalBlack, f, pawnBit); break;
                case WhiteQueen: w.QueenCell[EvalWhite] = static_cast<Byte>(c); break;
                case WhiteRook: AddCell(w.RookCells[EvalWhite], w.RookCount[EvalWhite], c); break;
                case WhiteBishop: AddCell(w.BishopCells[EvalWhite], w.BishopCount[EvalWhite], c); break;
                case WhiteKnight: ++w.KnightCount[EvalWhite]; break;
                case WhitePawn: AddPawn(w, EvalWhite, f, pawnBit); break;
                default: break;  // kings add nothing
            }
        } while (occupied != 0);
    }

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
