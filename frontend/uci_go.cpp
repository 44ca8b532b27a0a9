// UCI mode's "go": the limits it names, the search under the search control
// with the workers that the Threads option lets search, the "info" lines of
// the search (one best line, or several with MultiPV) and the closing
// "bestmove". Every move a line names is first played on a board of the
// front end's own, so that an interface never sees a move that cannot be
// played.
#include <cstdio>
#include <cstring>

#include "engine/board/board.h"
#include "engine/search/hash_table.h"
#include "engine/search/search.h"
#include "frontend/frontend.h"
#include "frontend/uci_text.h"

namespace corvane::uci {

namespace {

// With Move Overhead taken off, a clock or move time never falls below
// about the time one search step of copy 1 takes (150000 nodes).
constexpr std::int64_t kOneStepMs = 60;
// Numbers of "go" are read up to this many (over thirty thousand years in
// milliseconds); larger ones mean the same.
constexpr std::int64_t kLargestNumber = 1000000000000000;
// A "go mate N" that finds no mate ends after the iteration 2N - 1 that a
// mate in N moves needs, and this many more.
constexpr int kMateExtraIterations = 4;
constexpr int kDeepestIteration = 200;

struct GoLimits {
    std::int64_t Time[2] = {-1, -1};  // White's and Black's clock in ms, -1 when not given
    std::int64_t Increment[2] = {0, 0};
    std::int64_t MovesToGo = 0;
    std::int64_t Depth = -1;  // -1 when not given, as for the fields below
    std::int64_t MoveTime = -1;
    std::int64_t Nodes = -1;
    std::int64_t Mate = -1;
    bool Infinite = false;
    bool Ponder = false;
    RootMove Only[256];
    int OnlyCount = 0;
};

bool IsGoWord(const char* w) {
    static const char* const kWords[] = {"wtime", "btime", "winc", "binc", "movestogo", "depth",
                                         "nodes", "movetime", "infinite", "ponder", "searchmoves", "mate"};
    for (const char* k : kWords)
        if (Same(w, k)) return true;
    return false;
}

// A number of "go": a sign, digits and a fraction, which is dropped (an
// interface may send 2500.7 ms). False when the word is no number.
bool ReadGoNumber(const char* w, std::int64_t& value) {
    const char* p = w;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    std::int64_t v = 0;
    int digits = 0;
    for (; *p >= '0' && *p <= '9'; ++p, ++digits)
        if (v < kLargestNumber) v = v * 10 + (*p - '0');
    if (*p == '.')
        for (++p; *p >= '0' && *p <= '9'; ++p) ++digits;
    if (digits == 0 || *p != '\0') return false;
    if (v > kLargestNumber) v = kLargestNumber;
    value = negative ? -v : v;
    return true;
}

void ReadGoLimits(FrontEnd& fe, const char* rest, GoLimits& g) {
    Words words(rest);
    char word[64];
    while (words.Next(word, sizeof word)) {
        std::int64_t* field = nullptr;
        if (Same(word, "wtime")) field = &g.Time[0];
        else if (Same(word, "btime")) field = &g.Time[1];
        else if (Same(word, "winc")) field = &g.Increment[0];
        else if (Same(word, "binc")) field = &g.Increment[1];
        else if (Same(word, "movestogo")) field = &g.MovesToGo;
        else if (Same(word, "depth")) field = &g.Depth;
        else if (Same(word, "movetime")) field = &g.MoveTime;
        else if (Same(word, "nodes")) field = &g.Nodes;
        else if (Same(word, "mate")) field = &g.Mate;
        else if (Same(word, "infinite")) g.Infinite = true;
        else if (Same(word, "ponder")) g.Ponder = true;
        else if (Same(word, "searchmoves")) {
            while (words.Peek(word, sizeof word) && !IsGoWord(word)) {
                words.Next(word, sizeof word);
                if (!IsMoveWord(word) || g.OnlyCount == 256) {
                    InfoString(fe, "searchmoves: not a move: ", word);
                    continue;
                }
                RootMove& m = g.Only[g.OnlyCount++];
                m.From = ParseSquare(fe, word[0], word[1]);
                m.To = ParseSquare(fe, word[2], word[3]);
                m.Promotion = word[4] != '\0' ? PromotionCode(word[4], 0) : 0;
            }
        } else {
            InfoString(fe, "go: ignored: ", word);
        }
        if (field == nullptr) continue;
        // A field without its number reads as 0, as text that is no number
        // does everywhere; the next field's name is left for the next turn.
        // A negative number reads as 0 too: an interface sends a clock
        // below 0 when the engine's time is slightly overdrawn.
        char number[64];
        std::int64_t value = 0;
        if (!words.Peek(number, sizeof number) || IsGoWord(number) || !ReadGoNumber(number, value)) {
            InfoString(fe, "go: a number expected after ", word);
            if (words.Peek(number, sizeof number) && !IsGoWord(number)) words.Next(number, sizeof number);
            value = 0;
        } else {
            words.Next(number, sizeof number);
        }
        *field = value < 0 ? 0 : value;
    }
}

std::uint32_t Centiseconds(std::int64_t ms) {
    if (ms <= 0) return 0;
    const std::int64_t cs = ms / 10;
    return cs >= NoTimeLimit ? NoTimeLimit : static_cast<std::uint32_t>(cs);
}

// A clock or move time with Move Overhead taken off, never below the time
// of one search step (nor raised to it).
std::int64_t LessOverhead(const FrontEnd& fe, std::int64_t ms) {
    const std::int64_t overhead = fe.Uci.MoveOverheadMs;
    if (ms > overhead + kOneStepMs) return ms - overhead;
    return ms < kOneStepMs ? ms : kOneStepMs;
}

// The design's allotment and hard limit from the engine's clock, increment
// or moves to go, as "time" and "level" would set them; or the fixed time
// of "movetime"; or no time limit at all.
void ApplyTimeLimits(FrontEnd& fe, const GoLimits& g) {
    const int side = fe.Uci.EngineWhite ? 0 : 1;
    fe.MovesPerPeriod = 0;
    fe.ClockAddend = 0;
    fe.EngineClock = NoTimeLimit;
    std::uint32_t movesMade = fe.Copies[0].GameMoveCount / 2u;
    if (g.MoveTime < 0 && g.Time[side] >= 0) {
        fe.EngineClock = Centiseconds(LessOverhead(fe, g.Time[side]));
        if (g.MovesToGo > 0) {
            // Moves to go count from this move: a period of that many moves
            // of which none is made yet.
            fe.MovesPerPeriod = static_cast<Word>(g.MovesToGo > 65535 ? 65535 : g.MovesToGo);
            movesMade = 0;
        } else {
            fe.ClockAddend = Centiseconds(g.Increment[side]);
        }
    }
    ComputeAllotmentFor(fe, movesMade);
    if (g.MoveTime >= 0) {
        fe.Allotment = Centiseconds(LessOverhead(fe, g.MoveTime));
        fe.HardLimit = fe.Allotment;
    }
}

// -- Lines --------------------------------------------------------------------

// Does a best-line entry name root move m?
bool Names(std::uint32_t entry, const RootMove& m) {
    const LineMove move = ReadLineEntry(entry);
    return !move.Mate && move.From == m.From && move.To == m.To;
}

// A move in UCI notation (e2e4, e7e8q).
void AddMove(const FrontEnd& fe, LineText& text, Byte from, Byte to, Byte promotion) {
    char move[6];
    WriteMoveText(fe, from, to, promotion, PromotionText::EveryPiece, move);
    text.Add(move);
}

// How many of the first `count` entries of `line` can be played one after
// the other from the position of the search: each is played on the
// referee board with the game operations, which refuse a move that is not
// legal.
int PlayableEntries(FrontEnd& fe, const std::uint32_t* line, int count) {
    Engine& r = fe.Uci.Referee;
    CopyGamePosition(r, fe.Copies[0]);
    for (int i = 0; i < count; ++i) {
        const LineMove m = ReadLineEntry(line[i]);
        // The line starts with the engine's move (codes 1 to 6).
        const Byte code = i % 2 == 0 ? PlayBlackGameMove(r, m.From, m.To, m.Promotion)
                                     : PlayWhiteMove(r, m.From, m.To, m.Promotion);
        if (code == GameRefused) return i;
    }
    return count;
}

// The line shown for root move m: `candidate` when it starts with m (up to
// its end, its mate entry, or its first entry when that is failing high or
// low), otherwise m alone; then cut before its first move that cannot be
// played. Returns the number of entries in `out`.
int LineOfMove(FrontEnd& fe, const std::uint32_t* candidate, const RootMove& m, std::uint32_t* out) {
    int n = 0;
    if (candidate != nullptr && Names(candidate[0], m)) {
        for (; n < LineEntries - 1 && candidate[n] != 0 && (candidate[n] & 255) != LineMateEntry; ++n) {
            out[n] = candidate[n];
            if (candidate[n] & (LineFlagFailLow | LineFlagFailHigh)) {
                ++n;
                break;
            }
        }
    }
    if (n == 0) out[n++] = MoveLineEntry(m.From, m.To, m.Promotion);
    return PlayableEntries(fe, out, n);
}

// The line of copy 1 that starts with its best root move m, or null: the
// best line written by this search, or in a search for several lines line 1
// of the iteration.
const std::uint32_t* BestLineOf(FrontEnd& fe, const RootMove& m) {
    Engine& e = fe.Copies[0];
    const std::uint32_t* candidates[2] = {nullptr, nullptr};
    if (fe.Uci.HaveLine != 0) candidates[0] = e.PrincipalVariation;
    if (e.MultiPv > 1 && (e.LineCount > 0 || e.PvIndex > 0)) candidates[1] = e.LineVariation[0];
    for (const std::uint32_t* line : candidates)
        if (line != nullptr && Names(line[0], m)) return line;
    return nullptr;
}

// The score from the side to move: centipawns, or moves to mate (less than
// 0 when the engine is mated) for every score in the mate bands, which
// hold all mate scores the search produces and no other score.
void AddScore(LineText& text, Word s) {
    if (s > MatesAbove) {
        const int moves = (ScorePlusInfinity - s + 1) / 2;
        text.Add(" score mate ");
        text.AddNumber(moves < 1 ? 1 : moves);
    } else if (s < MatedBelow) {
        const int moves = (s - (ScoreMinusInfinity - 1)) / 2;
        text.Add(" score mate ");
        text.AddNumber(moves < 1 ? -1 : -moves);
    } else {
        text.Add(" score cp ");
        text.AddNumber(s == ScoreDraw ? 0 : s - ScoreLevel);
    }
}

// Centiseconds since the "go", a ponder search that became the engine's own
// included.
std::uint32_t ShownTime(const FrontEnd& fe) { return fe.Uci.ShownBefore + fe.Elapsed; }

// One "info" line: iteration `depth`, line `index` of several (0: the one
// line of a search for one), its score and its moves.
void PrintInfo(FrontEnd& fe, int depth, int index, Word score, const std::uint32_t* line, int length) {
    Engine& e = fe.Copies[0];
    LineText text;
    text.Add("info depth ");
    text.AddNumber(depth);
    text.Add(" seldepth ");
    text.AddNumber(e.DeepestPly > 1 ? e.DeepestPly - 1 : 1);
    if (index > 0) {
        text.Add(" multipv ");
        text.AddNumber(index);
    }
    AddScore(text, score);
    if (line[0] & LineFlagFailHigh) text.Add(" lowerbound");
    else if (line[0] & LineFlagFailLow) text.Add(" upperbound");
    const std::uint64_t nodes = TotalNodes(fe);
    const std::uint64_t ms = 10ull * ShownTime(fe);
    text.Add(" nodes ");
    text.AddUnsigned(nodes);
    text.Add(" nps ");
    text.AddUnsigned(ms > 0 ? nodes * 1000 / ms : 0);
    text.Add(" hashfull ");
    text.AddNumber(HashFullPerMille(e));
    text.Add(" time ");
    text.AddUnsigned(ms);
    for (int i = 0; i < length; ++i) {
        text.Add(i == 0 ? " pv " : " ");
        const LineMove m = ReadLineEntry(line[i]);
        AddMove(fe, text, m.From, m.To, m.Promotion);
    }
    PrintLine(fe, text.Text);
}

// The best line of copy 1 as it stands: its best root move and what the
// search has found after it.
void PrintBestLine(FrontEnd& fe, int depth, int index) {
    Engine& e = fe.Copies[0];
    const RootMove m = RootBestMove(e);
    std::uint32_t line[LineEntries];
    const int length = LineOfMove(fe, BestLineOf(fe, m), m, line);
    PrintInfo(fe, depth, index, e.BestScore, line, length);
}

// Every line of the iteration just completed, best first.
void PrintAllLines(FrontEnd& fe, int depth) {
    Engine& e = fe.Copies[0];
    for (int i = 0; i < e.LineCount; ++i) {
        const RootMove m{e.MoveFrom[1][i], e.MoveTo[1][i],
                         OnLastRow(e.MoveTo[1][i]) && e.GameBoard[e.MoveFrom[1][i]] == BlackPawn ? e.MoveExtra[1][i]
                                                                                               : Byte{0}};
        std::uint32_t line[LineEntries];
        const int length = LineOfMove(fe, e.LineVariation[i], m, line);
        PrintInfo(fe, depth, i + 1, e.LineScore[i], line, length);
    }
}

// The root move being searched, at most once a second and only after the
// first second.
void ShowCurrentMove(FrontEnd& fe) {
    UciState& u = fe.Uci;
    Engine& e = fe.Copies[0];
    const std::uint32_t now = ShownTime(fe);
    if (now < 100 || now < u.CurrMoveShown + 100) return;
    const int slot = e.MoveCursor[1];
    if (e.LastMove[1] == ListEmptyLast || slot > e.LastMove[1]) return;
    u.CurrMoveShown = now;
    const Byte from = e.MoveFrom[1][slot];
    const Byte to = e.MoveTo[1][slot];
    const Byte promotion = OnLastRow(to) && e.GameBoard[from] == BlackPawn ? e.MoveExtra[1][slot] : 0;
    LineText text;
    text.Add("info depth ");
    text.AddNumber(CurrentDepth(e));
    text.Add(" currmove ");
    AddMove(fe, text, from, to, promotion);
    text.Add(" currmovenumber ");
    text.AddNumber(slot + 1);
    PrintLine(fe, text.Text);
}

// "bestmove" with the root's best move and, when its line goes on with a
// move that can be played after it, "ponder" with that move.
void PrintBestMove(FrontEnd& fe) {
    Engine& e = fe.Copies[0];
    const RootMove m = RootBestMove(e);
    LineText text;
    text.Add("bestmove ");
    AddMove(fe, text, m.From, m.To, m.Promotion);
    const std::uint32_t* line = BestLineOf(fe, m);
    std::uint32_t shown[LineEntries];
    if (line != nullptr && (line[0] & (LineFlagFailLow | LineFlagFailHigh)) == 0 &&
        LineOfMove(fe, line, m, shown) >= 2) {
        const LineMove reply = ReadLineEntry(shown[1]);
        text.Add(" ponder ");
        AddMove(fe, text, reply.From, reply.To, reply.Promotion);
    }
    PrintLine(fe, text.Text);
}

// -- Lines that arrive during the search ------------------------------------

// A line that arrived during a search and is handled after it.
void KeepForLater(FrontEnd& fe, const char* line) {
    UciState& u = fe.Uci;
    if (u.PendingCount == UciPendingLines) {
        InfoString(fe, "too many lines during the search, dropped: ", line);
        return;
    }
    std::memcpy(u.Pending[u.PendingCount++], line, LongLineCapacity);
}

// What the search does about the lines that arrive while it runs.
struct SearchInput {
    bool Stop = false;
    bool Quit = false;
    bool PonderHit = false;
};

void TakeSearchInput(FrontEnd& fe, SearchInput& in, char* line) {
    if (!TakeLine(fe, line)) return;
    char word[16] = "";
    Words words(line);
    words.Next(word, sizeof word);
    char more[4];
    const bool alone = !words.Next(more, sizeof more);
    if (Same(word, "isready") && alone) PrintLine(fe, "readyok");
    else if (Same(word, "stop") && alone) in.Stop = true;
    else if (Same(word, "quit") && alone) in.Quit = true;
    else if (Same(word, "ponderhit") && alone) in.PonderHit = true;
    else KeepForLater(fe, line);
}

// The info lines after a step of copy 1: a new best line, and the lines of
// an iteration just completed.
void ReportStep(FrontEnd& fe) {
    Engine& first = fe.Copies[0];
    // The iteration a line belongs to: right after an iteration ends the
    // depth already names the next one.
    const int depth = CurrentDepth(first) - first.IterationDone;
    const bool fresh = TakeNewVariation(first);
    if (fresh) fe.Uci.HaveLine = 1;
    if (first.MultiPv <= 1) {
        if (fresh || first.IterationDone == 1) PrintBestLine(fe, depth, 0);
    } else if (first.IterationDone == 1) {
        PrintAllLines(fe, depth);
    } else if (fresh && first.PvIndex == 0) {
        PrintBestLine(fe, depth, 1);  // a new line 1 while the first pass runs
    }
    ShowCurrentMove(fe);
}

// Does score s mate within `moves` moves for the engine?
bool MatesWithin(Word s, std::int64_t moves) {
    return s > MatesAbove && static_cast<std::int64_t>(s) >= ScorePlusInfinity - 2 * moves;
}

}  // namespace

bool GoCommand(FrontEnd& fe, const char* rest) {
    UciState& u = fe.Uci;
    if (u.Positioned == 0) PositionCommand(fe, "startpos");
    Engine& first = fe.Copies[0];
    // An illegal move of the last "position" can leave the other side to
    // move: the engine then takes that side, the game set up again.
    if (first.GameTurn != TurnEngine) {
        char moves[LongLineCapacity];
        std::memcpy(moves, u.Moves, LongLineCapacity);
        char base[128];
        std::memcpy(base, u.Base, sizeof base);
        SetUpGame(fe, base, u.EngineWhite == 0, moves);
    }
    GoLimits g;
    ReadGoLimits(fe, rest, g);
    const bool open = g.Infinite || g.Ponder;  // only "stop" (or "ponderhit") ends it

    // The book, for a search of the engine's own move.
    if (!open && g.OnlyCount == 0 && u.OwnBook == 1 && fe.BookActive == 1) {
        BookLookup(fe);
        if (fe.BookActive == 1) {
            char line[sizeof fe.WorkLine + 16];
            std::snprintf(line, sizeof line, "bestmove %s", fe.WorkLine);
            PrintLine(fe, line);
            return false;
        }
    }

    // Copy 1 searches for the lines asked; the workers always for one.
    // A ponder search takes short steps, as pondering does in the other
    // modes, so that a "ponderhit" with little time left is answered soon.
    for (int k = 0; k < fe.ActiveCopies; ++k) {
        fe.Copies[k].MultiPv = k == 0 ? u.MultiPv : 1;
        fe.Copies[k].ShortSteps = g.Ponder ? 1 : 0;
        BeginSearch(fe.Copies[k]);
        if (g.OnlyCount > 0) KeepRootMoves(fe.Copies[k], g.Only, g.OnlyCount);
    }
    SearchInput in;
    char line[LongLineCapacity];
    if (first.LastMove[1] == ListEmptyLast) {
        PrintLine(fe, "bestmove (none)");
        return false;
    }

    std::int64_t deepest = g.Depth < 0 ? kDeepestIteration : g.Depth;
    if (g.Mate >= 0) {
        const std::int64_t mateDepth = g.Mate == 0 ? 0 : 2 * g.Mate - 1 + kMateExtraIterations;
        if (mateDepth < deepest) deepest = mateDepth;
    }
    fe.MaxDepth = static_cast<Byte>(deepest > kDeepestIteration ? kDeepestIteration : deepest);
    fe.PonderState = PonderIdle;
    u.HaveLine = 0;
    u.ShownBefore = 0;
    u.CurrMoveShown = 0;
    StartStopwatch(fe);
    ApplyTimeLimits(fe, g);
    bool pondering = g.Ponder;
    RunWorkers(fe);
    for (;;) {
        LeadStep(fe);
        ReadStopwatch(fe);
        ReportStep(fe);
        TakeSearchInput(fe, in, line);
        if (in.Quit || in.Stop) break;
        if (in.PonderHit && pondering) {
            // The predicted move was played: the search goes on as the
            // engine's own, under the limits of its "go" from now on; the
            // time shown still counts from the "go".
            pondering = false;
            u.ShownBefore += fe.Elapsed;
            StartStopwatch(fe);
            ApplyTimeLimits(fe, g);
        }
        in.PonderHit = false;
        if (u.DepthCap != 0 && first.IterationDone == 1 && CurrentDepth(first) > u.DepthCap) break;
        if (pondering || g.Infinite) continue;
        if (g.Mate > 0 && first.IterationDone == 1 && MatesWithin(first.BestScore, g.Mate)) break;
        if (g.Nodes >= 0 && TotalNodes(fe) > static_cast<std::uint64_t>(g.Nodes)) break;
        if (StopRulesFire(fe)) break;
    }
    // A move rests on two completed iterations, as in the other modes.
    if (!in.Quit) {
        while (CurrentDepth(first) < 3) {
            LeadStep(fe);
            ReadStopwatch(fe);
            ReportStep(fe);
        }
    }
    StopWorkers(fe);
    if (in.Quit) return true;
    ReadStopwatch(fe);
    PrintBestMove(fe);
    return false;
}

}  // namespace corvane::uci
