// The nodes of the search: one descent step enters a node, resumes it after
// a child closed, or closes it. Full-width nodes carry the extensions, the
// late-move reduction, the null move with its verification, the reduced
// pre-search and the futility cut two plies before the horizon; horizon,
// frontier and quiescence nodes decide between a static score, a selective
// list of forcing moves, capture lists and check evasions.
//
// Black moves at odd plies and maximises, White at even plies and minimises;
// scores are never negated. Each node procedure is written once over the
// side to move's table (sides.h), with every comparison and margin taken
// from the side.
#include <utility>

#include "engine/board/board.h"
#include "engine/board/sides.h"
#include "engine/eval/evaluate.h"
#include "engine/search/hash_table.h"
#include "engine/search/search.h"

namespace corvane {

namespace {

// The levels of RemainingCode the node procedures test. Nodes at the
// horizon and one ply before it (the frontier) are decided by a static
// score and forcing moves; a static node two plies before it may be cut by
// futility; the null move is reduced by 1 ply, by 2 with more than 2 plies
// left and by 3 with more than 11; a reduced pre-search runs with more than
// 4 plies left and no hash move; late quiet moves are reduced with more than
// one ply left. Quiescence nodes less than 4 plies below the horizon search
// every capture, deeper ones recaptures only.
constexpr int kHorizon = PliesLeft(0);
constexpr int kFrontier = PliesLeft(1);
constexpr int kFutilityTwo = PliesLeft(2);
constexpr int kNullReducedTwo = PliesLeft(2);
constexpr int kNullReducedThree = PliesLeft(11);
constexpr int kReducedPass = PliesLeft(4);
constexpr int kLateMoveReduced = PliesLeft(1);
constexpr int kAllCaptures = PliesLeft(-4);

inline Byte B(int v) { return static_cast<Byte>(v); }
inline Word W(int v) { return static_cast<Word>(v); }

// Fetches the bucket of the position after the move f to t at ply q into
// the cache, its key worked out from the board before the move is made
// (special moves aside, for which the guess is simply wasted; the null move
// is cell 0 to cell 0).
inline void PrefetchChild(const Engine& e, int q, Byte f, Byte t) {
    if (e.HashSlots == 0) return;
    const Byte piece = e.Board[f];
    const Byte victim = e.Board[t];
    if (piece > 16 || victim > 16) return;
    std::uint32_t key = e.KeyA[q] + 512u - 1024u * (q & 1) + e.KeyTableA[piece][t] - e.KeyTableA[piece][f] -
                        (e.PlyFlags[q] & 15u);
    if (victim != Empty) key -= e.KeyTableA[victim][t];
    HashPrefetchKey(e, key);
}

// The bucket after the next move of ply q's list.
inline void PrefetchNextSibling(const Engine& e, int q) {
    const int next = e.MoveCursor[q] + 1;
    if (next <= e.LastMove[q]) PrefetchChild(e, q, e.MoveFrom[q][next], e.MoveTo[q][next]);
}

template <const SideOrders& S>
void NullMoveSetup(Engine& e, int p) {
    const int last = e.LastMove[p] + 1;
    e.LastMove[p] = B(last);
    e.MoveFrom[p][last] = 0;
    e.MoveTo[p][last] = 0;
    Byte reduction = 1;
    if (e.RemainingCode > kNullReducedTwo) reduction = 2;
    if (e.RemainingCode > kNullReducedThree) reduction = 3;
    e.PlyReduction[p] = reduction;
    e.PlyDepth[p] = W(e.PlyDepth[p] - 8 * reduction);
    e.PlyPhase[p] = e.HashTo == 0 ? 1 : 0;
    e.ListState[p] = ListNullMove;
    e.MoveCursor[p] = B(last);
}

// Takes the node's depth down for a reduced pass over its list.
inline void ReducePass(Engine& e, int p) {
    e.PlyReduction[p] = B((e.PlyDepth[p] / 8 - p) / 4 + 3);
    e.PlyDepth[p] = W(e.PlyDepth[p] - 8 * e.PlyReduction[p]);
}

// End of a reduced pass (pre-search or verification).
template <const SideOrders& S>
void PassEnd(Engine& e, int p) {
    const int q = p - 1;
    if (e.PlyPhase[p] != 1 && AtLeast<S>(e.PlyValue[p], e.PlyBound[q])) {
        // The verification confirms the null-move cutoff.
        e.PlyValue[p] = e.PlyBound[q];
        e.NoMoves = 1;
        if (e.PlyPhase[p] == 3) e.NoMoves = 0;
        return;
    }
    // The list is searched again at full depth, the pass's best move first.
    e.PlyValue[p] = S.WorstScore;
    e.PlyDepth[p] = W(e.PlyDepth[p] + 8 * e.PlyReduction[p]);
    e.MoveCursor[p] = 0;
    const int b = e.BestIndex[p];
    if (b != 0 && b != 255) {
        MoveSlotToFront(e, p, b);
        if (b >= e.QuietIndex[p]) ++e.QuietIndex[p];
    }
    e.ListState[p] = B(e.LastMove[p] + 1);
    e.PlyBound[p] = e.PlyBound[p - 2];
}

template <const SideOrders& S>
void Quiescence(Engine& e, int p) {
    const int q = p - 1;
    if (e.InCheck[p] == 0) {
        e.PlyValue[p] = Evaluate(e);
        if (AtLeast<S>(e.PlyValue[p], e.PlyBound[q])) {
            e.NoMoves = 1;  // stand pat
            return;
        }
        if (Better<S>(e.PlyValue[p], e.PlyBound[p])) e.PlyBound[p] = e.PlyValue[p];
        if (e.RemainingCode > kAllCaptures) {
            S.GenerateCaptures(e, B(p));
            S.OrderCaptures(e, B(p));
        } else {
            S.GenerateRecaptures(e, e.MoveTo[q][e.MoveCursor[q]], B(p));
        }
        return;
    }
    if (DrawTest(e, p)) {
        e.PlyValue[p] = ScoreDraw;
        e.NoMoves = 1;
        return;
    }
    // Every evasion, counted: without a legal one the node is mate.
    e.PlyValue[p] = S.WorstScore;
    e.HashTo = 0;
    S.Generate(e, B(p));
    S.OrderMoves(e, B(p), 0);
}

template <const SideOrders& S>
void Horizon(Engine& e, int p) {
    const int q = p - 1;
    if (e.InCheck[p] != 0) {
        e.PlyValue[p] = S.WorstScore;
        S.Generate(e, B(p));
        S.OrderMoves(e, B(p), 1);
        return;
    }
    e.PlyValue[p] = Evaluate(e);
    if (AtLeast<S>(e.PlyValue[p], e.PlyBound[q])) {
        e.NoMoves = 1;
        return;
    }
    if (Better<S>(e.PlyValue[p], e.PlyBound[p])) e.PlyBound[p] = e.PlyValue[p];
    S.Generate(e, B(p));
    S.OrderMoves(e, B(p), 0);
    e.PlyPhase[p] = 0;
    if (e.HashTo == 0 && e.LastMove[p] != ListEmptyLast) S.NextTactical(e);
    e.ListState[p] = ListPhased;
}

// Is a pawn of the opponent one step from promotion with its way free and
// its promotion cell not held by more attackers of the side to move?
template <const SideOrders& S>
bool DangerousPawn(Engine& e) {
    Byte* b = e.Board;
    bool d = false;
    constexpr const SideOrders& Them = EnemyOf<S>;
    constexpr int seventh = RowStart<Them>(6);  // their pawns' last row but one
    for (int k = seventh; k < seventh + 8; ++k) {
        const Byte pawn = Them.Pawn;
        if (b[k] != pawn || d) continue;
        d = true;
        const int ahead = k + Them.Forward;
        if (b[ahead] == Empty) {
            // The pawn is lifted from the cells alone for the look, so the
            // counts are read from the cells.
            b[k] = Empty;
            const int own = S.AttacksFromCells(e, B(ahead));
            const int theirs = Them.AttacksFromCells(e, B(ahead));
            if (own > theirs) d = false;
            b[k] = pawn;
        }
        if (b[ahead] != Empty) d = false;
    }
    return d;
}

template <const SideOrders& S>
void Frontier(Engine& e, int p) {
    const int q = p - 1;
    e.ListState[p] = ListIdle;
    if (e.InCheck[p] == 0 && e.HalfMoveClock[p] < 99) {
        e.StaticScore = Evaluate(e);
        const int st = e.StaticScore;
        if (Better<S>(st, e.PlyBound[q]) && e.*S.Signature > 1 &&
            (e.MoveCursor[q] >= e.QuietIndex[q] || Better<S>(Loss<S>(st, 500), e.PlyBound[q]))) {
            if (!DangerousPawn<S>(e)) {
                e.NoMoves = 1;
                e.PlyValue[p] = e.PlyBound[q];
                e.ListState[p] = ListPhased;
                return;
            }
        }
        if (Better<S>(e.PlyBound[p], Gain<S>(st, 150))) {
            e.PlyValue[p] = e.StaticScore;
            S.Generate(e, B(p));
            S.OrderMoves(e, B(p), 0);
            e.PlyPhase[p] = 0;
            e.ListState[p] = ListPhased;
            if (e.HashTo == 0 && e.LastMove[p] != ListEmptyLast) S.NextTactical(e);
        }
    }
    if (e.ListState[p] == ListIdle) {
        e.PlyValue[p] = S.WorstScore;
        S.Generate(e, B(p));
        S.OrderMoves(e, B(p), 1);
    }
}

template <const SideOrders& S>
void Interior(Engine& e, int p) {
    const int q = p - 1;
    e.PlyValue[p] = S.WorstScore;
    S.Generate(e, B(p));
    S.OrderMoves(e, B(p), 1);
    if (e.RemainingCode > PliesLeft(1) + e.PlyDepth[1] / 16) QuietOrder(e, B(p));
    if (e.InCheck[p] == 0 && e.LastMove[p] != ListEmptyLast) {
        e.StaticScore = Evaluate(e);
        const int st = e.StaticScore;
        if (e.*S.Signature != 0) {
            if (Better<S>(st, e.PlyBound[q]) && e.HashBound != BoundAtMost) {
                // A null window just short of the threshold.
                e.PlyBound[p] = W(Loss<S>(e.PlyBound[q], 1));
                NullMoveSetup<S>(e, p);
            } else if (e.RemainingCode == kFutilityTwo && Better<S>(e.PlyBound[p], Gain<S>(st, 250)) &&
                       e.*EnemyOf<S>.Signature > 1 && e.HalfMoveClock[p] < 98) {
                e.PlyPhase[p] = 0;
                e.PlyValue[p] = e.StaticScore;
                e.ListState[p] = ListPhased;
                if (e.HashTo == 0 || e.HashBound == BoundAtMost) S.NextTactical(e);
            }
        }
    }
    if (e.RemainingCode > kReducedPass && e.HashTo == 0 && e.ListState[p] != ListNullMove && e.LastMove[p] != ListEmptyLast) {
        e.PlyPhase[p] = 1;
        e.ListState[p] = ListPhased;
        ReducePass(e, p);
    }
}

template <const SideOrders& S>
void Enter(Engine& e, int p) {
    const int q = p - 1;
    CORVANE_ASSERT(p >= 1 && p <= DeepestTreePly);
    // A node with full plies left will probe the table: its bucket, and the
    // bucket of the parent's next move, are fetched ahead.
    const bool fullWidth = e.PlyDepth[q] / 8 >= p;
    if (fullWidth) PrefetchNextSibling(e, q);
    MakeMove(e, e.MoveCursor[q], B(q));
    if (fullWidth) HashPrefetch(e, B(p));
    if (MoveMayExposeKing(e, B(q), e.MoveCursor[q]) && AttackedBy<S>(e, e.Board[S.EnemyKingCell]) != 0) {
        // The move just made left its own king attacked.
        e.PlyValue[p] = W(Loss<S>(S.KingCapture, p));
        --e.ListState[q];
        e.NoMoves = 1;
        return;
    }
    ++e.StepNodes;
    if (p > e.DeepestPly) e.DeepestPly = B(p);
    e.PlyDepth[p] = e.PlyDepth[q];
    e.PlyBound[p] = e.PlyBound[p - 2];
    e.InCheck[p] = AttackedBy<EnemyOf<S>>(e, e.Board[S.OwnKingCell]);
    e.RemainingCode = W(PliesLeft(e.PlyDepth[p] / 8 - p));

    if (p >= DeepestTreePly) {
        // The tables end a few plies further: such a node is a leaf.
        e.PlyValue[p] = Evaluate(e);
        e.NoMoves = 1;
        return;
    }
    if (e.RemainingCode < kHorizon) {
        Quiescence<S>(e, p);
        return;
    }
    if (DrawTest(e, p)) {
        e.PlyValue[p] = ScoreDraw;
        e.NoMoves = 1;
        return;
    }

    int marker = 0;
    if (e.InCheck[p] != 0) {
        e.PlyDepth[p] = W(e.PlyDepth[p] + 4);
        marker = 4;
    }
    const Byte arrived = e.Board[e.MoveTo[q][e.MoveCursor[q]]];
    const int to = e.MoveTo[q][e.MoveCursor[q]];
    // An enemy pawn that has reached its last row but one (or, as far as the
    // test goes, its last).
    if (arrived == S.EnemyPawn && RelativeRow<EnemyOf<S>>(to) >= 6) {
        e.PlyDepth[p] = W(e.PlyDepth[p] + 8 - marker);
        marker = 1;
    }
    if (e.RemainingCode > kLateMoveReduced && marker == 0 && e.InCheck[q] == 0 && e.MoveCursor[q] >= e.QuietIndex[q] &&
        e.ListState[q] != ListNullMove) {
        e.PlyDepth[p] = W(e.PlyDepth[p] - 8);
        marker = 1;
    }

    if (HashProbe(e, B(p)) == 2) return;

    e.BestIndex[p] = 255;
    if (marker != 0) {
        if (e.PlyDepth[p] > 1616) e.PlyDepth[p] = 1616;
        e.RemainingCode = W(PliesLeft(e.PlyDepth[p] / 8 - p));
    }
    if (e.RemainingCode == kHorizon) Horizon<S>(e, p);
    else if (e.RemainingCode == kFrontier) Frontier<S>(e, p);
    else Interior<S>(e, p);
}

template <const SideOrders& S>
void Resume(Engine& e, int p) {
    const int q = p - 1;
    if (AtLeast<S>(e.PlyValue[p], e.PlyBound[q])) {
        const int cursor = e.MoveCursor[p];
        if ((e.Captured[p] & 31) == Empty && e.ListState[p] != ListNullMove) {
            const Byte f = e.MoveFrom[p][cursor];
            const Byte t = e.MoveTo[p][cursor];
            bool known = false;
            for (int k = 0; k < 4; ++k)
                if (e.KillerFrom[k][p] == f && e.KillerTo[k][p] == t) known = true;
            if (!known) {
                for (int k = 3; k > 0; --k) {
                    e.KillerFrom[k][p] = e.KillerFrom[k - 1][p];
                    e.KillerTo[k][p] = e.KillerTo[k - 1][p];
                }
                e.KillerFrom[0][p] = f;
                e.KillerTo[0][p] = t;
            }
        }
        e.MoveCursor[p] = e.LastMove[p];
    }
    e.MoveCursor[p] = B(e.MoveCursor[p] + 1);

    const Byte stage = e.ListState[p];
    if (stage == ListPhasedIllegal || stage == ListPhased) {
        e.ListState[p] = ListPhased;
        if (e.PlyPhase[p] == 0) S.NextTactical(e);
        else if (e.MoveCursor[p] > e.LastMove[p]) PassEnd<S>(e, p);
    }
    if (e.ListState[p] == ListNullMove) {
        // The null move has just been searched.
        const Word v = e.PlyValue[p];
        if (AtLeast<S>(v, e.PlyBound[q])) {
            if (p + 4 >= e.PlyDepth[p] / 8 + e.PlyReduction[p]) {
                e.NoMoves = 1;
                e.PlyValue[p] = e.PlyBound[q];
            } else {
                // Verify with the real moves at reduced depth and a null window.
                e.PlyPhase[p] = B(e.PlyPhase[p] + 2);
                e.ListState[p] = ListPhased;
                e.PlyBound[p] = W(Loss<S>(e.PlyBound[q], 1));
                e.PlyValue[p] = S.WorstScore;
                e.LastMove[p] = B(e.LastMove[p] - 1);
                e.MoveCursor[p] = 0;
                e.PlyDepth[p] = W(e.PlyDepth[p] + 8 * e.PlyReduction[p]);
                ReducePass(e, p);
            }
        } else {
            e.PlyDepth[p] = W(e.PlyDepth[p] + 8 * e.PlyReduction[p]);
            e.MoveCursor[p] = 0;
            e.ListState[p] = e.LastMove[p];  // the number of real moves
            e.LastMove[p] = B(e.LastMove[p] - 1);
            e.PlyBound[p] = e.PlyBound[p - 2];
            e.PlyValue[p] = S.WorstScore;
            if (p + 4 < e.PlyDepth[p] / 8 && e.PlyPhase[p] == 1) {
                e.ListState[p] = ListPhased;
                ReducePass(e, p);
            }
        }
    }
}

template <const SideOrders& S>
void Close(Engine& e, int p) {
    if (p <= 1) {
        // The root's list is exhausted: the iteration is complete.
        e.StepBudget = 0;
        e.IterationDone = 1;
        e.NoMoves = 1;
        return;
    }
    const int q = p - 1;
    UnmakeMove(e, e.MoveCursor[q], B(q));
    if (e.ListState[p] == 0) {
        // Every move of a counted list was illegal: mate or stalemate.
        e.ListState[p] = ListIdle;
        e.NoMoves = 1;
        if (e.InCheck[p] == 0) e.PlyValue[p] = ScoreLevel;
    }
    if (e.NoMoves == 0 && e.PlyDepth[p] / 8 >= p) HashStore(e, B(p));

    const Word v = e.PlyValue[p];
    bool again = false;
    // The parent is of the other side: it takes the value when it is better
    // for the parent, that is worse for this node's side.
    if (Better<EnemyOf<S>>(v, e.PlyBound[q])) e.PlyBound[q] = v;
    if (Better<EnemyOf<S>>(v, e.PlyValue[q])) {
        e.PlyValue[q] = v;
        e.BestIndex[q] = e.MoveCursor[q];
        if (p == 2) {
            again = RootAspiration(e);
            ReportBestLine(e);
        }
    }
    // A root move whose score fell outside the window is searched again:
    // the descent goes back to ply 2 instead of ply 1.
    e.CurrentPly = B(again ? 1 : p - 2);
    e.NoMoves = 1;
}

template <const SideOrders& S>
void Step(Engine& e, int p) {
    if (e.MoveCursor[p] > e.LastMove[p]) Enter<S>(e, p);
    else Resume<S>(e, p);
    if (e.MoveCursor[p] > e.LastMove[p]) Close<S>(e, p);
}

}  // namespace

// Repetition and fifty-move draw at ply p: one repetition inside the tree, or
// two of positions before it (the root counts as the game's latest).
bool DrawTest(const Engine& e, int p) {
    const int h = e.HalfMoveClock[p];
    if (h <= 3) return false;
    if (h >= 100) return true;
    int n = 0;
    for (int i = 2; i <= h / 2; ++i) {
        if (2 * i + 1 < p) {
            if (e.KeyA[p - 2 * i] == e.KeyA[p] && e.KeyB[p - 2 * i] == e.KeyB[p]) n = 2;
        } else {
            const int k = 2 * i + 1 - p;
            if (k >= GameKeyCapacity) break;
            if (e.KeyA[p] == e.GameKeyA[k] && e.KeyB[p] == e.GameKeyB[k]) ++n;
        }
    }
    return n >= 2;
}

void DescentStep(Engine& e) {
    const int p = e.CurrentPly;
    if (p & 1) Step<BlackOrders>(e, p);
    else Step<WhiteOrders>(e, p);
    e.ParentPly = e.CurrentPly;
    e.CurrentPly = B(e.CurrentPly + 1);
}

void QuietOrder(Engine& e, Byte ply) {
    const int p = ply;
    const int last = e.LastMove[p];
    const int first = e.QuietIndex[p];
    if (last == ListEmptyLast || last <= first) return;
    Word* score = e.SavedBoard;  // scratch: one order score per slot
    for (int i = first; i <= last; ++i) {
        PlaceMove(e, B(i), ply);
        Word s = Evaluate(e);
        s = W(s + 32 * AttackedBy<BlackOrders>(e, e.Board[WhiteKingCell]) - 32 * AttackedBy<WhiteOrders>(e, e.Board[BlackKingCell]));
        UnmakeMove(e, B(i), ply);
        score[i] = (p & 1) ? s : W(ScorePlusInfinity - s);
    }
    Byte* from = e.MoveFrom[p];
    Byte* to = e.MoveTo[p];
    Byte* extra = e.MoveExtra[p];
    for (int i = first; i < last; ++i) {
        for (int j = i + 1; j <= last; ++j) {
            if (score[j] > score[i]) {
                std::swap(from[i], from[j]);
                std::swap(to[i], to[j]);
                std::swap(extra[i], extra[j]);
                std::swap(score[i], score[j]);
            }
        }
    }
}

}  // namespace corvane
