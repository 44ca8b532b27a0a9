// The search step: the start of a new search, the node budget of a call, the
// iterations with the root's aspiration window, and the results the front
// end reads.
#include "engine/search/search.h"

#include <algorithm>
#include <utility>

#include "engine/board/board.h"
#include "engine/board/sides.h"
#include "engine/eval/evaluate.h"
#include "engine/search/hash_table.h"

namespace corvane {

namespace {

// The iteration depth never grows beyond the largest depth a byte can name.
constexpr Word kDeepestRootDepth = 8 * 256;

void ResetPlies(Engine& e, int first) {
    for (int p = first; p < Plies; ++p) {
        e.LastMove[p] = ListEmptyLast;
        e.MoveCursor[p] = CursorNone;
        e.ListState[p] = ListIdle;
    }
}

// Removes from the root list every move for which `drop(slot)` is true,
// keeping the order of the others and the list's bookkeeping.
template <typename Drop>
void DropRootMoves(Engine& e, Drop drop) {
    if (e.LastMove[1] == ListEmptyLast) return;
    int last = e.LastMove[1];
    for (int i = 0; i <= last;) {
        if (!drop(i)) {
            ++i;
            continue;
        }
        for (int j = i; j < last; ++j) {
            e.MoveFrom[1][j] = e.MoveFrom[1][j + 1];
            e.MoveTo[1][j] = e.MoveTo[1][j + 1];
            e.MoveExtra[1][j] = e.MoveExtra[1][j + 1];
        }
        --last;
        --e.ListState[1];
        if (i < e.QuietIndex[1]) --e.QuietIndex[1];
    }
    if (last < 0) {
        e.LastMove[1] = ListEmptyLast;
        e.MoveCursor[1] = CursorNone;
    } else {
        e.LastMove[1] = static_cast<Byte>(last);
    }
}

void StartNewSearch(Engine& e) {
    ResetPlies(e, 1);
    e.PlyFlags[1] = e.PlyFlags[0];
    e.HalfMoveClock[1] = e.HalfMoveClock[0];
    LoadBoard(e, e.GameBoard);
    ComputeKeys(e, 1);
    e.InCheck[1] = AttackedBy<WhiteOrders>(e, e.Board[BlackKingCell]);

    // The huge depth makes every stored entry too shallow for a cutoff: the
    // probe only brings the stored move for the ordering.
    e.PlyDepth[1] = 1981;
    HashProbe(e, 1);
    e.PlyDepth[1] = 16;

    GenerateBlack(e, 1);
    OrderBlackMoves(e, 1, 1);
    e.BestIndex[1] = 0;
    e.PlyValue[1] = ScoreMinusInfinity;
    e.PlyBound[0] = ScorePlusInfinity;
    e.PlyBound[1] = ScoreMinusInfinity;
    e.CurrentPly = 1;
    e.ParentPly = 0;
    QuietOrder(e, 1);

    e.WindowHigh = ScorePlusInfinity;
    e.WindowLow = ScoreMinusInfinity;
    e.BestScore = ScoreLevel;
    e.WindowFails = 0;
    e.SavedRootScore = 0;
    e.DeepestPly = 1;
    e.PvIndex = 0;
    e.LineCount = 0;
    e.ReportedSlot = 255;
    e.NodeCount.store(1, std::memory_order_relaxed);
    e.CurrentPly = 2;
    e.ParentPly = 1;

    // The root list keeps only legal moves.
    DropRootMoves(e, [&e](int i) {
        PlaceMove(e, static_cast<Byte>(i), 1);
        const bool attacked = AttackedBy<WhiteOrders>(e, e.Board[BlackKingCell]) != 0;
        UnmakeMove(e, static_cast<Byte>(i), 1);
        return attacked;
    });
}

// A new pass over the root moves: the window 16 points either side of
// `score` (within the infinities), no failure yet, no value and no line.
void OpenRootWindow(Engine& e, int score) {
    e.WindowHigh = static_cast<Word>(std::min<int>(score + 16, ScorePlusInfinity));
    e.WindowLow = static_cast<Word>(std::max<int>(score - 16, ScoreMinusInfinity));
    e.PlyBound[0] = e.WindowHigh;
    e.PlyBound[1] = e.WindowLow;
    e.WindowFails = 0;
    e.SavedRootScore = 0;
    e.PlyValue[1] = ScoreMinusInfinity;
    e.ReportedSlot = 255;
}

void NextIteration(Engine& e) {
    if (e.PlyDepth[1] < kDeepestRootDepth) e.PlyDepth[1] = static_cast<Word>(e.PlyDepth[1] + 8);
    const int b = e.BestIndex[1];
    if (b != 0 && e.LastMove[1] != ListEmptyLast) {
        MoveSlotToFront(e, 1, b);
        if (b >= e.QuietIndex[1]) ++e.QuietIndex[1];
        e.BestIndex[1] = 0;
    }
    ResetPlies(e, 2);
    OpenRootWindow(e, e.BestScore);
    e.MoveCursor[1] = e.LastMove[1] == ListEmptyLast ? CursorNone : 0;
}

// Moves root slot b to slot j (j <= b), shifting slots j..b-1 up by one; a
// quiet move that comes before the quiet part joins the front part.
void MoveRootSlot(Engine& e, int b, int j) {
    Byte* from = e.MoveFrom[1];
    Byte* to = e.MoveTo[1];
    Byte* extra = e.MoveExtra[1];
    const Byte f = from[b];
    const Byte t = to[b];
    const Byte x = extra[b];
    for (int i = b; i > j; --i) {
        from[i] = from[i - 1];
        to[i] = to[i - 1];
        extra[i] = extra[i - 1];
    }
    from[j] = f;
    to[j] = t;
    extra[j] = x;
    if (b >= e.QuietIndex[1] && j < e.QuietIndex[1]) ++e.QuietIndex[1];
}

// Sorts the k lines of the iteration best first (stable), their root moves
// in slots 0 to k - 1 with them.
void SortRootLines(Engine& e, int k) {
    for (int i = 1; i < k; ++i) {
        for (int j = i; j > 0 && e.LineScore[j] > e.LineScore[j - 1]; --j) {
            std::swap(e.LineScore[j], e.LineScore[j - 1]);
            std::swap(e.LineVariation[j], e.LineVariation[j - 1]);
            std::swap(e.MoveFrom[1][j], e.MoveFrom[1][j - 1]);
            std::swap(e.MoveTo[1][j], e.MoveTo[1][j - 1]);
            std::swap(e.MoveExtra[1][j], e.MoveExtra[1][j - 1]);
        }
    }
}

// The end of a pass of a search for several lines: its best move goes to
// slot PvIndex with its score and line. Returns true when another pass of
// the same iteration is set up; false after the last pass, with the lines
// sorted and line 1 as the iteration's result (best move in slot 0, its
// score in BestScore, its line in PrincipalVariation).
bool EndRootPass(Engine& e) {
    const int j = e.PvIndex;
    const int b = e.BestIndex[1];
    std::uint32_t* line = e.LineVariation[j];
    if (e.ReportedSlot == b) {
        for (int i = 0; i < LineEntries; ++i) line[i] = e.PrincipalVariation[i];
    } else {
        // No line was written for this move in this pass (the first
        // iteration writes none): the move alone.
        line[0] = RootMoveEntry(e, b);
        line[1] = 0;
    }
    e.LineScore[j] = e.BestScore;
    MoveRootSlot(e, b, j);

    int lines = e.LastMove[1] + 1;
    if (lines > e.MultiPv) lines = e.MultiPv;
    if (lines > MaxRootLines) lines = MaxRootLines;
    if (j + 1 < lines) {
        // The next pass: the remaining moves against a window around the
        // score its line had in the iteration before, if there was one.
        const int next = j + 1;
        ResetPlies(e, 2);
        OpenRootWindow(e, next < e.LineCount ? e.LineScore[next] : ScoreLevel);
        if (next >= e.LineCount) {
            // The line's first iteration: the whole window.
            e.WindowHigh = e.PlyBound[0] = ScorePlusInfinity;
            e.WindowLow = e.PlyBound[1] = ScoreMinusInfinity;
        }
        e.PvIndex = static_cast<Byte>(next);
        e.BestIndex[1] = static_cast<Byte>(next);
        e.MoveCursor[1] = static_cast<Byte>(next);
        return true;
    }
    SortRootLines(e, lines);
    e.LineCount = static_cast<Byte>(lines);
    e.PvIndex = 0;
    e.BestIndex[1] = 0;
    e.BestScore = e.LineScore[0];
    for (int i = 0; i < LineEntries; ++i) e.PrincipalVariation[i] = e.LineVariation[0][i];
    return false;
}

}  // namespace

// Moves slot b of a ply's list to slot 0, shifting slots 0..b-1 up by one.
void MoveSlotToFront(Engine& e, int ply, int b) {
    Byte* from = e.MoveFrom[ply];
    Byte* to = e.MoveTo[ply];
    Byte* extra = e.MoveExtra[ply];
    const Byte f = from[b];
    const Byte t = to[b];
    const Byte x = extra[b];
    for (int j = b; j > 0; --j) {
        from[j] = from[j - 1];
        to[j] = to[j - 1];
        extra[j] = extra[j - 1];
    }
    from[0] = f;
    to[0] = t;
    extra[0] = x;
}

void BeginSearch(Engine& e) {
    StartNewSearch(e);
}

void KeepRootMoves(Engine& e, const RootMove* moves, int count) {
    auto named = [&](int i) {
        for (int k = 0; k < count; ++k) {
            if (moves[k].From != e.MoveFrom[1][i] || moves[k].To != e.MoveTo[1][i]) continue;
            if (moves[k].Promotion == 0 || moves[k].Promotion == e.MoveExtra[1][i]) return true;
        }
        return false;
    };
    if (e.LastMove[1] == ListEmptyLast) return;
    bool any = false;
    for (int i = 0; i <= e.LastMove[1]; ++i) any = any || named(i);
    if (!any) return;
    DropRootMoves(e, [&](int i) { return !named(i); });
}

void SearchStep(Engine& e, Byte startDepth) {
    const std::uint32_t budget = e.CopyNumber > 1 ? StepBudgetOthers : StepBudgetFirst;
    RunSearchStep(e, startDepth, budget >> (2 * (e.GameTurn != TurnEngine || e.ShortSteps != 0 ? 1 : 0)));
}

void RunSearchStep(Engine& e, Byte startDepth, std::uint32_t budget) {
    if (e.NodeCount.load(std::memory_order_relaxed) == 0) StartNewSearch(e);
    if (e.CopyNumber > 1 && startDepth != 0) e.PlyDepth[1] = static_cast<Word>(8 * startDepth + 8);

    e.IterationDone = 0;
    e.StepNodes = 1;
    e.StepBudget = budget;

    if (e.LastMove[1] == ListEmptyLast) {
        // No legal move at the root (the front end never searches such a
        // position): every call completes an iteration at once.
        e.IterationDone = 1;
        e.BestScore = e.InCheck[1] != 0 ? static_cast<Word>(2767 + 1) : ScoreLevel;  // mated at ply 1, or stalemate
        if (e.PlyDepth[1] < kDeepestRootDepth) e.PlyDepth[1] = static_cast<Word>(e.PlyDepth[1] + 8);
        return;
    }

    do {
        e.NoMoves = 0;
        do {
            DescentStep(e);
        } while (e.NoMoves == 0);
    } while (e.StepNodes <= e.StepBudget &&
             (e.StepFlag == nullptr || e.StepFlag->load(std::memory_order_relaxed) == e.StepFlagGo));

    e.NodeCount.store(e.NodeCount.load(std::memory_order_relaxed) + e.StepNodes - 1, std::memory_order_relaxed);
    if (e.IterationDone == 1) {
        // With several lines an iteration ends only after its last pass.
        if (e.MultiPv > 1 && EndRootPass(e)) e.IterationDone = 0;
        else NextIteration(e);
    }
}

bool RootAspiration(Engine& e) {
    const Word s = e.PlyValue[1];
    bool again = false;
    e.BestScore = s;
    int low = e.WindowLow;
    int high = e.WindowHigh;
    int boundLow;   // PlyBound[1] before the clamp
    int boundHigh;  // PlyBound[0] before the clamp
    if (low < s && s < high) {
        // Inside the window: the other root moves are searched against a
        // window from this score to 16 points above it.
        e.WindowFails = 0;
        if (s < e.SavedRootScore) {
            e.BestIndex[1] = e.SavedRootIndex;
            e.PlyValue[1] = e.SavedRootScore;
            e.BestScore = e.SavedRootScore;
        }
        e.SavedRootIndex = e.BestIndex[1];
        e.SavedRootScore = e.BestScore;
        low = e.BestScore - 1;
        high = e.BestScore + 16;
        boundHigh = high;
        boundLow = e.BestScore;
    } else {
        // A failure: widen the window on the failing side, 150 points more
        // each time and without limit from the fourth failure on, and search
        // the same move again. Bit 7 of WindowFails remembers a high failure.
        const int n = e.WindowFails;
        const int k = (n & 127) + 1;
        int fails = n + 1;
        if (s >= high) {
            high = s + 150 * k;
            if ((n & 127) > 2) high = ScorePlusInfinity;
            if (n == 0 || n > 128) low = s - 1;
            if (fails < 128) fails += 128;
        } else {
            low = s - 150 * k;
            if ((n & 127) > 2) low = ScoreMinusInfinity;
            if (n < 128) high = s + 1;
            if (fails > 128) fails -= 128;
        }
        e.WindowFails = static_cast<Byte>(fails);
        boundHigh = high;
        boundLow = low;
        e.PlyValue[1] = ScoreMinusInfinity;
        again = true;
    }
    if ((e.WindowFails & 127) > 5) {
        // The sixth failure of one move: its score is taken as it is.
        e.WindowFails = 0;
        e.PlyValue[1] = e.BestScore;
        again = false;
    }
    if (low < ScoreMinusInfinity) low = boundLow = ScoreMinusInfinity;
    if (high > ScorePlusInfinity) high = boundHigh = ScorePlusInfinity;
    e.WindowLow = static_cast<Word>(low);
    e.WindowHigh = static_cast<Word>(high);
    e.PlyBound[1] = static_cast<Word>(boundLow);
    e.PlyBound[0] = static_cast<Word>(boundHigh);
    return again;
}

Byte CurrentDepth(const Engine& e) {
    return static_cast<Byte>(e.PlyDepth[1] / 8 - 1);
}

RootMove RootBestMove(Engine& e) {
    // In the later passes of a search for several lines, line 1 of the
    // iteration stands in slot 0.
    const int b = e.PvIndex > 0 ? 0 : e.BestIndex[1];
    RootMove m{e.MoveFrom[1][b], e.MoveTo[1][b], e.MoveExtra[1][b]};
    if (!(e.GameBoard[m.From] == BlackPawn && OnLastRow(m.To))) {
        m.Promotion = 0;
        e.MoveExtra[1][b] = 0;
    }
    return m;
}

Word MaterialBalance(const Engine& e) {
    int balance = ScoreLevel;
    for (int row = FirstRowCell; row <= LastRowCell; row += RowCells) {
        for (int x = row; x < row + 8; ++x) {
            const Byte v = e.GameBoard[x];
            if (v < 8) balance += e.PieceValue[v];
            else if (v > 10 && v <= 16) balance -= e.PieceValue[v];
        }
    }
    return static_cast<Word>(balance);
}

std::uint32_t ReadVariation(Engine& e, int i) {
    if (e.NewVariation != 0) {
        e.NewVariation = 0;
        return 1;
    }
    return e.PrincipalVariation[i];
}

}  // namespace corvane
