// The search step: the start of a new search, the node budget of a call, the
// iterations with the root's aspiration window, and the results the front
// end reads.
#include "engine/search/search.h"

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

void NextIteration(Engine& e) {
    if (e.PlyDepth[1] < kDeepestRootDepth) e.PlyDepth[1] = static_cast<Word>(e.PlyDepth[1] + 8);
    const int b = e.BestIndex[1];
    if (b != 0 && e.LastMove[1] != ListEmptyLast) {
        MoveSlotToFront(e, 1, b);
        if (b >= e.QuietIndex[1]) ++e.QuietIndex[1];
        e.BestIndex[1] = 0;
    }
    ResetPlies(e, 2);
    int high = e.BestScore + 16;
    int low = e.BestScore - 16;
    if (high > ScorePlusInfinity) high = ScorePlusInfinity;
    if (low < ScoreMinusInfinity) low = ScoreMinusInfinity;
    e.WindowHigh = static_cast<Word>(high);
    e.WindowLow = static_cast<Word>(low);
    e.PlyBound[0] = e.WindowHigh;
    e.PlyBound[1] = e.WindowLow;
    e.WindowFails = 0;
    e.SavedRootScore = 0;
    e.PlyValue[1] = ScoreMinusInfinity;
    e.MoveCursor[1] = e.LastMove[1] == ListEmptyLast ? CursorNone : 0;
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
    RunSearchStep(e, startDepth, budget >> (2 * e.GameTurn));
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
    } while (e.StepNodes <= e.StepBudget);

    e.NodeCount.store(e.NodeCount.load(std::memory_order_relaxed) + e.StepNodes - 1, std::memory_order_relaxed);
    if (e.IterationDone == 1) NextIteration(e);
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
    const int b = e.BestIndex[1];
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
