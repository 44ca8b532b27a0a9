// The search control of the console and the xboard protocol: how long the
// engine may think about its move and how its clock runs down after it
// (all times in centiseconds), whether the opponent's move was the reply
// the engine pondered on, the stopping rules, and the two turns that drive
// the search: the engine's own (a book move, or a search with the workers
// until a rule stops it, then "move") and pondering on the predicted reply.
#include <cstdint>

#include "engine/board/board.h"
#include "frontend/frontend.h"

namespace corvane {

namespace {

// Time the engine never plans to use.
constexpr std::uint32_t kReserve = 300;
// The clock after a move that took all of it.
constexpr std::uint32_t kClockFloor = 5;

std::uint32_t Saturate(std::uint64_t value) {
    return static_cast<std::uint32_t>(value < NoTimeLimit ? value : NoTimeLimit);
}

// Moves the engine has made in this game, counting from 0.
std::uint32_t EngineMovesMade(const FrontEnd& fe) {
    return fe.Copies[0].GameMoveCount / 2u;
}

}  // namespace

void ComputeAllotment(FrontEnd& fe) {
    ComputeAllotmentFor(fe, EngineMovesMade(fe));
}

void ComputeAllotmentFor(FrontEnd& fe, std::uint32_t movesMade) {
    const std::uint64_t t = fe.EngineClock;
    const std::uint64_t p = fe.PonderEnabled;
    const std::uint64_t a = fe.ClockAddend;
    const std::uint64_t m = fe.MovesPerPeriod;
    const std::uint64_t n = movesMade;

    if (t <= kReserve) {
        fe.Allotment = 0;
        fe.HardLimit = 0;
        return;
    }
    // Sums are formed in 64 bits: with the clock at its "sd" value of
    // NoTimeLimit an increment would otherwise wrap the hard limit around to
    // a few seconds.
    if (m == 0) {
        fe.Allotment = Saturate(6 * (a / 10) + (t - kReserve) / 68 + (t * p) / 128);
        fe.HardLimit = Saturate((a + t - kReserve) / 6);
    } else {
        const std::int64_t movesToGo = static_cast<std::int64_t>(m + 1 - n % m);  // plus one
        const std::int64_t plan =
            4 * (static_cast<std::int64_t>(t - kReserve) / movesToGo + static_cast<std::int64_t>(t * p) / 128) / 7;
        fe.Allotment = Saturate(static_cast<std::uint64_t>(plan));
        if ((n + 1) % m == 0) {  // the last move before the time control
            fe.Allotment = static_cast<std::uint32_t>(t);
            fe.HardLimit = NoTimeLimit;
        } else {
            fe.HardLimit = static_cast<std::uint32_t>((t - kReserve) / 2);
        }
    }
    if (t - kReserve < fe.HardLimit) fe.HardLimit = static_cast<std::uint32_t>(t - kReserve);
}

void UpdateClock(FrontEnd& fe) {
    ReadStopwatch(fe);
    ChargeClock(fe);
}

void ChargeClock(FrontEnd& fe) {
    const std::uint64_t m = fe.MovesPerPeriod;
    const std::uint64_t n = EngineMovesMade(fe);
    // The clock never wraps: "sd" leaves it at its largest value.
    std::uint64_t clock = fe.EngineClock;
    if (m == 0) clock += fe.ClockAddend;
    else if ((n + 1) % m == 0) clock += 6000u * static_cast<std::uint64_t>(fe.ClockAddend);
    fe.EngineClock = Saturate(clock);
    if (fe.Elapsed < fe.EngineClock) fe.EngineClock -= fe.Elapsed;
    else fe.EngineClock = kClockFloor;
}

void PonderHitTest(FrontEnd& fe) {
    Engine& first = fe.Copies[0];
    // A refused line (a command, or "time" and "otim" ahead of the real move)
    // leaves the prediction waiting for the move that follows.
    if (first.GameTurn == TurnOpponent) return;

    // A ponder search is held in the engine copies only when pondering
    // started on this prediction (PonderState went from PonderMayStart to
    // PonderIdle) and no move
    // has been played since: a prediction that was never pondered on, or a
    // hit that no search of the engine took up, must not be carried over.
    const bool pondered = fe.PonderState == PonderIdle && fe.PonderMove[0] != NoPonderMove;
    const char* w = fe.WorkLine;
    bool hit = false;
    if (pondered) {
        char c[5] = {'\0', '\0', '\0', '\0', '\0'};
        for (int k = 0; k < 5 && w[k] != '\0'; ++k) c[k] = w[k];
        hit = ParseSquare(fe, c[0], c[1]) == fe.PonderMove[0] && ParseSquare(fe, c[2], c[3]) == fe.PonderMove[1] &&
              (fe.PonderMove[2] == 0 || PromotionCode(c[4], 1) == fe.PonderMove[2]);
    }
    fe.PonderState = hit && fe.PonderEnabled == 1 ? PonderHit : PonderIdle;
    // The prediction is used up either way.
    fe.PonderMove[0] = NoPonderMove;
}

}  // namespace corvane

namespace corvane {

namespace {

bool LineWaiting(const FrontEnd& fe) {
    return fe.LineReady.load(std::memory_order_acquire) == 1;
}

}  // namespace

void LeadStep(FrontEnd& fe) {
    SearchStep(fe.Copies[0]);
    PublishLeadDepth(fe);
}

bool StopRulesFire(FrontEnd& fe) {
    Engine& e = fe.Copies[0];
    if (e.IterationDone == 1) {
        if (e.LastMove[1] == 0 && CurrentDepth(e) > 3) return true;  // the only legal move
        if (fe.Elapsed > fe.Allotment / 2) {
            // Half the time is gone: stop when in check, or when the line is
            // about level and the best move wins back material lost before.
            if (e.InCheck[1] != 0) return true;
            const int score = e.BestScore;
            const RootMove m = RootBestMove(e);
            if (score > MaterialBalance(e) + 220 && score > 32515 && score < 33018 && e.GameBoard[m.To] > Empty)
                return true;
        }
        if ((e.BestScore > ShortMatesAbove || e.BestScore < ShortMatedBelow) && fe.Elapsed > 400) return true;  // a mate found
        if (CurrentDepth(e) > fe.MaxDepth) return true;
        if (fe.Elapsed > fe.Allotment) return true;
    }
    if (fe.PonderState == PonderHit && fe.Elapsed > fe.Allotment && e.MoveCursor[1] == 0 &&
        (e.PrincipalVariation[0] & (32 | 64)) == 0)
        return true;
    return fe.Elapsed >= fe.HardLimit;
}

namespace {

// The stopping rules after a step of the engine's own search.
bool TimeToMove(FrontEnd& fe) {
    return StopRulesFire(fe) || LineWaiting(fe);
}

}  // namespace

bool SearchTurn(FrontEnd& fe) {
    Engine& first = fe.Copies[0];
    StartStopwatch(fe);
    bool fromBook = false;
    if (fe.BookActive == 1) {
        BookLookup(fe);
        fromBook = fe.BookActive == 1;
    }
    if (!fromBook) {
        ComputeAllotment(fe);
        if (fe.PonderState == PonderHit) {
            // The opponent played the predicted reply: the ponder search goes
            // on as the engine's own, with a little more time.
            const std::uint32_t t = fe.EngineClock;
            if (fe.Allotment >= 3) fe.PonderState = PonderIdle;
            fe.Allotment += t > 81920 ? 320 : t / 256;
            if (fe.Allotment < 8) fe.Allotment = 8;
            if (first.LastMove[1] == 0) fe.HardLimit = 1;
            for (int k = 0; k < fe.CopyCount; ++k) PonderEnd(fe.Copies[k], 1);
            fe.Elapsed = 0;
            ShowThinking(fe);
        }
        RunWorkers(fe);
        for (;;) {
            LeadStep(fe);
            ReadStopwatch(fe);
            if (TakeNewVariation(first)) ShowThinking(fe);
            if (TimeToMove(fe)) break;
        }
        // Whatever stopped the search, a move rests on two completed
        // iterations.
        while (CurrentDepth(first) < 3) LeadStep(fe);
        StopWorkers(fe);
        ReadStopwatch(fe);
        PrintSummaryLine(fe);
        // The move's text, a blank after it for a queen promotion.
        const RootMove m = RootBestMove(first);
        WriteMoveText(fe, m.From, m.To, m.Promotion, PromotionText::QueenBlank, fe.WorkLine);
        fe.PonderState = PonderMayStart;
    }
    // Whether a line came while the move was being found; one that comes
    // after the move is shown is the interface's answer to it.
    const bool lineBefore = LineWaiting(fe);
    Print(fe, "move ");
    PrintLine(fe, fe.WorkLine);
    UpdateClock(fe);
    return lineBefore;
}

void PonderTurn(FrontEnd& fe) {
    Engine& first = fe.Copies[0];
    const Byte* m = fe.PonderMove;
    if (PonderStart(first, m[0], m[1], m[2]) != 1) {
        fe.PonderMove[0] = NoPonderMove;
        return;
    }
    fe.PonderState = PonderIdle;
    // Every copy must take the reply that copy 1 took, or the copies would
    // hold different games: their own scores must not refuse it.
    for (int k = 1; k < fe.CopyCount; ++k) {
        fe.Copies[k].BestScore = first.BestScore;
        PonderStart(fe.Copies[k], m[0], m[1], m[2]);
    }
    PrintLine(fe, "ponder started");
    StartStopwatch(fe);
    RunWorkers(fe);
    do {
        LeadStep(fe);
        ReadStopwatch(fe);
        if (TakeNewVariation(first) && fe.Elapsed > 10) ShowThinking(fe);
    } while (!LineWaiting(fe) && CurrentDepth(first) <= fe.MaxDepth);
    StopWorkers(fe);
    PrintLine(fe, "ponder stopped");
    ReadStopwatch(fe);
    PrintSummaryLine(fe);
    for (int k = 0; k < fe.CopyCount; ++k) PonderEnd(fe.Copies[k], 0);
}

}  // namespace corvane
