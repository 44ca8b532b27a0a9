// Evaluate: the static score of the position on Board. Stages, always in
// this order: the scan (material and placement as the board keeps them
// summed, and the signatures), the lazy test, the positional stage (pawns,
// then rooks, kings, bishops) when the lazy test lets it run, and the
// endgame stage. Every stage reads the pieces from the board's lists.
#include "engine/eval/evaluate.h"

#include "engine/eval/eval_internal.h"

namespace corvane {

namespace {

// 32 per rook, 1 per minor piece, 1024 for any queen.
template <const SideOrders& S>
inline Word Signature(const Engine& e) {
    return static_cast<Word>(32 * e.PieceCount[S.Rook] + e.PieceCount[S.Bishop] + e.PieceCount[S.Knight] +
                             (e.PieceCount[S.Queen] != 0 ? 1024 : 0));
}

}  // namespace

Word ScanBoard(Engine& e, EvalWork& w) {
    // One point for Black when Black is to move (odd ply); material and
    // placement of every piece come summed from the board's lists.
    const Word s = static_cast<Word>(ScoreLevel + (e.CurrentPly & 1) + e.ScanSum);
    e.BlackSignature = Signature<BlackOrders>(e);
    e.WhiteSignature = Signature<WhiteOrders>(e);
    w.LazyScore = s;
    w.RookShutIn[BlackOrders.Index] = 0;
    w.RookShutIn[WhiteOrders.Index] = 0;
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
        PawnTermsOfBoth(e, s);
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
