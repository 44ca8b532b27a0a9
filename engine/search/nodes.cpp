// The nodes of the search: one descent step enters a node, resumes it after
// a child closed, or closes it. Full-width nodes carry the extensions, the
// late-move reduction, the null move with its verification, the reduced
// pre-search and the futility cut two plies before the horizon; horizon,
// frontier and quiescence nodes decide between a static score, a selective
// list of forcing moves, capture lists and check evasions.
//
// Black moves at odd plies and maximises, White at even plies and minimises;
// scores are never negated. Each node procedure is written once for the side
// to move, with every comparison and margin taken from the side.
#include <utility>

#include "engine/board/board.h"
#include "engine/board/sides.h"
#include "engine/eval/evaluate.h"
#include "engine/search/hash_table.h"
#include "engine/search/search.h"

namespace corvane {

namespace {

// What a node procedure needs to know about the side to move.
template <bool Black>
struct Side {
    static constexpr Word Start = Black ? ScoreMinusInfinity : ScorePlusInfinity;

    // Is a at least as good as b for the side (reaches the threshold b)?
    static bool AtLeast(int a, int b) { return Black ? a >= b : a <= b; }
    // Is a strictly better than b for the side?
    static bool Better(int a, int b) { return Black ? a > b : a < b; }
    // The score `margin` points worse for the side.
    static int Worse(int score, int margin) { return Black ? score - margin : score + margin; }
    // The score `margin` points better for the side.
    static int Improved(int score, int margin) { return Black ? score + margin : score - margin; }

    static Word OwnSignature(const Engine& e) { return Black ? e.BlackSignature : e.WhiteSignature; }
    static Word OpponentSignature(const Engine& e) { return Black ? e.WhiteSignature : e.BlackSignature; }

    static void Generate(Engine& e, Byte p) { Black ? GenerateBlack(e, p) : GenerateWhite(e, p); }
    static void Order(Engine& e, Byte p, Byte full) { Black ? OrderBlackMoves(e, p, full) : OrderWhiteMoves(e, p, full); }
    static void NextTactical(Engine& e) { Black ? NextTacticalBlack(e) : NextTacticalWhite(e); }
    static void Captures(Engine& e, Byte p) {
        if (Black) {
            GenerateBlackCaptures(e, p);
            OrderBlackCaptures(e, p);
        } else {
            GenerateWhiteCaptures(e, p);
            OrderWhiteCaptures(e, p);
        }
    }
    static void Recaptures(Engine& e, Byte t, Byte p) {
        Black ? GenerateBlackRecaptures(e, t, p) : GenerateWhiteRecaptures(e, t, p);
    }
    // Number of attacks on the king of the side to move.
    static Byte KingAttacks(const Engine& e) {
        return Black ? AttackedBy<WhiteOrders>(e, e.Board[BlackKingCell]) : AttackedBy<BlackOrders>(e, e.Board[WhiteKingCell]);
    }
    // Number of attacks on the king of the side that has just moved.
    static Byte MoverKingAttacks(const Engine& e) {
        return Black ? AttackedBy<BlackOrders>(e, e.Board[WhiteKingCell]) : AttackedBy<WhiteOrders>(e, e.Board[BlackKingCell]);
    }
};

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

template <bool Black>
void NullMoveSetup(Engine& e, int p) {
    const int last = e.LastMove[p] + 1;
    e.LastMove[p] = B(last);
    e.MoveFrom[p][last] = 0;
    e.MoveTo[p][last] = 0;
    Byte reduction = 1;
    if (e.RemainingCode > 258) reduction = 2;
    if (e.RemainingCode > 267) reduction = 3;
    e.PlyReduction[p] = reduction;
    e.PlyDepth[p] = W(e.PlyDepth[p] - 8 * reduction);
    e.PlyPhase[p] = e.HashTo == 0 ? 1 : 0;
    e.ListState[p] = 255;
    e.MoveCursor[p] = B(last);
}

// Takes the node's depth down for a reduced pass over its list.
inline void ReducePass(Engine& e, int p) {
    e.PlyReduction[p] = B((e.PlyDepth[p] / 8 - p) / 4 + 3);
    e.PlyDepth[p] = W(e.PlyDepth[p] - 8 * e.PlyReduction[p]);
}

// End of a reduced pass (pre-search or verification).
template <bool Black>
void PassEnd(Engine& e, int p) {
    using S = Side<Black>;
    const int q = p - 1;
    if (e.PlyPhase[p] != 1 && S::AtLeast(e.PlyValue[p], e.PlyBound[q])) {
        // The verification confirms the null-move cutoff.
        e.PlyValue[p] = e.PlyBound[q];
        e.NoMoves = 1;
        if (e.PlyPhase[p] == 3) e.NoMoves = 0;
        return;
    }
    // The list is searched again at full depth, the pass's best move first.
    e.PlyValue[p] = S::Start;
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

template <bool Black>
void Quiescence(Engine& e, int p) {
    using S = Side<Black>;
    const int q = p - 1;
    if (e.InCheck[p] == 0) {
        e.PlyValue[p] = Evaluate(e);
        if (S::AtLeast(e.PlyValue[p], e.PlyBound[q])) {
            e.NoMoves = 1;  // stand pat
            return;
        }
        if (S::Better(e.PlyValue[p], e.PlyBound[p])) e.PlyBound[p] = e.PlyValue[p];
        if (e.RemainingCode > 252) S::Captures(e, B(p));
        else S::Recaptures(e, e.MoveTo[q][e.MoveCursor[q]], B(p));
        return;
    }
    if (DrawTest(e, p)) {
        e.PlyValue[p] = ScoreDraw;
        e.NoMoves = 1;
        return;
    }
    // Every evasion, counted: without a legal one the node is mate.
    e.PlyValue[p] = S::Start;
    e.HashTo = 0;
    S::Generate(e, B(p));
    S::Order(e, B(p), 0);
}

template <bool Black>
void Horizon(Engine& e, int p) {
    using S = Side<Black>;
    const int q = p - 1;
    if (e.InCheck[p] != 0) {
        e.PlyValue[p] = S::Start;
        S::Generate(e, B(p));
        S::Order(e, B(p), 1);
        return;
    }
    e.PlyValue[p] = Evaluate(e);
    if (S::AtLeast(e.PlyValue[p], e.PlyBound[q])) {
        e.NoMoves = 1;
        return;
    }
    if (S::Better(e.PlyValue[p], e.PlyBound[p])) e.PlyBound[p] = e.PlyValue[p];
    S::Generate(e, B(p));
    S::Order(e, B(p), 0);
    e.PlyPhase[p] = 0;
    if (e.HashTo == 0 && e.LastMove[p] != ListEmptyLast) S::NextTactical(e);
    e.ListState[p] = 254;
}

// Is a pawn of the opponent one step from promotion with its way free and
// its promotion cell not held by more attackers of the side to move?
template <bool Black>
bool DangerousPawn(Engine& e) {
    Byte* b = e.Board;
    bool d = false;
    const int seventh = Black ? FirstRowCell + RowCells : LastRowCell - RowCells;  // their pawns' last row but one
    for (int k = seventh; k < seventh + 8; ++k) {
        const Byte pawn = Black ? WhitePawn : BlackPawn;
        if (b[k] != pawn || d) continue;
        d = true;
        const int ahead = Black ? k - 16 : k + 16;
        if (b[ahead] == Empty) {
            // The pawn is lifted from the cells alone for the look, so the
            // counts are read from the cells.
            b[k] = Empty;
            const int own = Black ? AttackedByBlack(e, B(ahead)) : AttackedByWhite(e, B(ahead));
            const int theirs = Black ? AttackedByWhite(e, B(ahead)) : AttackedByBlack(e, B(ahead));
            if (own > theirs) d = false;
            b[k] = pawn;
        }
        if (b[ahead] != Empty) d = false;
    }
    return d;
}

template <bool Black>
void Frontier(Engine& e, int p) {
    using S = Side<Black>;
    const int q = p - 1;
    e.ListState[p] = ListIdle;
    if (e.InCheck[p] == 0 && e.HalfMoveClock[p] < 99) {
        e.StaticScore = Evaluate(e);
        const int st = e.StaticScore;
        if (S::Better(st, e.PlyBound[q]) && S::OwnSignature(e) > 1 &&
            (e.MoveCursor[q] >= e.QuietIndex[q] || S::Better(S::Worse(st, 500), e.PlyBound[q]))) {
            if (!DangerousPawn<Black>(e)) {
                e.NoMoves = 1;
                e.PlyValue[p] = e.PlyBound[q];
                e.ListState[p] = 254;
                return;
            }
        }
        if (S::Better(e.PlyBound[p], S::Improved(st, 150))) {
            e.PlyValue[p] = e.StaticScore;
            S::Generate(e, B(p));
            S::Order(e, B(p), 0);
            e.PlyPhase[p] = 0;
            e.ListState[p] = 254;
            if (e.HashTo == 0 && e.LastMove[p] != ListEmptyLast) S::NextTactical(e);
        }
    }
    if (e.ListState[p] == ListIdle) {
        e.PlyValue[p] = S::Start;
        S::Generate(e, B(p));
        S::Order(e, B(p), 1);
    }
}

template <bool Black>
void Interior(Engine& e, int p) {
    using S = Side<Black>;
    const int q = p - 1;
    e.PlyValue[p] = S::Start;
    S::Generate(e, B(p));
    S::Order(e, B(p), 1);
    if (e.RemainingCode > e.PlyDepth[1] / 16 + 257) QuietOrder(e, B(p));
    if (e.InCheck[p] == 0 && e.LastMove[p] != ListEmptyLast) {
        e.StaticScore = Evaluate(e);
        const int st = e.StaticScore;
        if (S::OwnSignature(e) != 0) {
            if (S::Better(st, e.PlyBound[q]) && e.HashBound != 0) {
                // A null window just short of the threshold.
                e.PlyBound[p] = W(S::Worse(e.PlyBound[q], 1));
                NullMoveSetup<Black>(e, p);
            } else if (e.RemainingCode == 258 && S::Better(e.PlyBound[p], S::Improved(st, 250)) &&
                       S::OpponentSignature(e) > 1 && e.HalfMoveClock[p] < 98) {
                e.PlyPhase[p] = 0;
                e.PlyValue[p] = e.StaticScore;
                e.ListState[p] = 254;
                if (e.HashTo == 0 || e.HashBound == 0) S::NextTactical(e);
            }
        }
    }
    if (e.RemainingCode > 260 && e.HashTo == 0 && e.ListState[p] != 255 && e.LastMove[p] != ListEmptyLast) {
        e.PlyPhase[p] = 1;
        e.ListState[p] = 254;
        ReducePass(e, p);
    }
}

template <bool Black>
void Enter(Engine& e, int p) {
    using S = Side<Black>;
    const int q = p - 1;
    // A node with full plies left will probe the table: its bucket, and the
    // bucket of the parent's next move, are fetched ahead.
    const bool fullWidth = e.PlyDepth[q] / 8 >= p;
    if (fullWidth) PrefetchNextSibling(e, q);
    MakeMove(e, e.MoveCursor[q], B(q));
    if (fullWidth) HashPrefetch(e, B(p));
    if (MoveMayExposeKing(e, B(q), e.MoveCursor[q]) && S::MoverKingAttacks(e) != 0) {
        // The move just made left its own king attacked.
        e.PlyValue[p] = W(Black ? 62769 - p : 2766 + p);
        --e.ListState[q];
        e.NoMoves = 1;
        return;
    }
    ++e.StepNodes;
    if (p > e.DeepestPly) e.DeepestPly = B(p);
    e.PlyDepth[p] = e.PlyDepth[q];
    e.PlyBound[p] = e.PlyBound[p - 2];
    e.InCheck[p] = S::KingAttacks(e);
    e.RemainingCode = W(e.PlyDepth[p] / 8 + 256 - p);

    if (p >= DeepestTreePly) {
        // The tables end a few plies further: such a node is a leaf.
        e.PlyValue[p] = Evaluate(e);
        e.NoMoves = 1;
        return;
    }
    if (e.RemainingCode < 256) {
        Quiescence<Black>(e, p);
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
    if (Black ? (arrived == WhitePawn && to < 72) : (arrived == BlackPawn && to > 143)) {
        e.PlyDepth[p] = W(e.PlyDepth[p] + 8 - marker);
        marker = 1;
    }
    if (e.RemainingCode > 257 && marker == 0 && e.InCheck[q] == 0 && e.MoveCursor[q] >= e.QuietIndex[q] &&
        e.ListState[q] != 255) {
        e.PlyDepth[p] = W(e.PlyDepth[p] - 8);
        marker = 1;
    }

    if (HashProbe(e, B(p)) == 2) return;

    e.BestIndex[p] = 255;
    if (marker != 0) {
        if (e.PlyDepth[p] > 1616) e.PlyDepth[p] = 1616;
        e.RemainingCode = W(e.PlyDepth[p] / 8 + 256 - p);
    }
    if (e.RemainingCode == 256) Horizon<Black>(e, p);
    else if (e.RemainingCode == 257) Frontier<Black>(e, p);
    else Interior<Black>(e, p);
}

template <bool Black>
void Resume(Engine& e, int p) {
    using S = Side<Black>;
    const int q = p - 1;
    if (S::AtLeast(e.PlyValue[p], e.PlyBound[q])) {
        const int cursor = e.MoveCursor[p];
        if ((e.Captured[p] & 31) == Empty && e.ListState[p] != 255) {
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
    if (stage == 253 || stage == 254) {
        e.ListState[p] = 254;
        if (e.PlyPhase[p] == 0) S::NextTactical(e);
        else if (e.MoveCursor[p] > e.LastMove[p]) PassEnd<Black>(e, p);
    }
    if (e.ListState[p] == 255) {
        // The null move has just been searched.
        const Word v = e.PlyValue[p];
        if (S::AtLeast(v, e.PlyBound[q])) {
            if (p + 4 >= e.PlyDepth[p] / 8 + e.PlyReduction[p]) {
                e.NoMoves = 1;
                e.PlyValue[p] = e.PlyBound[q];
            } else {
                // Verify with the real moves at reduced depth and a null window.
                e.PlyPhase[p] = B(e.PlyPhase[p] + 2);
                e.ListState[p] = 254;
                e.PlyBound[p] = W(S::Worse(e.PlyBound[q], 1));
                e.PlyValue[p] = S::Start;
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
            e.PlyValue[p] = S::Start;
            if (p + 4 < e.PlyDepth[p] / 8 && e.PlyPhase[p] == 1) {
                e.ListState[p] = 254;
                ReducePass(e, p);
            }
        }
    }
}

template <bool Black>
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
    if (Side<!Black>::Better(v, e.PlyBound[q])) e.PlyBound[q] = v;
    if (Side<!Black>::Better(v, e.PlyValue[q])) {
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

template <bool Black>
void Step(Engine& e, int p) {
    if (e.MoveCursor[p] > e.LastMove[p]) Enter<Black>(e, p);
    else Resume<Black>(e, p);
    if (e.MoveCursor[p] > e.LastMove[p]) Close<Black>(e, p);
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
    if (p & 1) Step<true>(e, p);
    else Step<false>(e, p);
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
