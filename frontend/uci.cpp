// UCI mode: the Universal Chess Interface beside the console and the xboard
// protocol. It starts on the line "uci" and lasts until "quit". The game is
// kept by the same game operations as in the other modes: a "position"
// command plays its moves through them, so repetitions and the fifty-move
// rule stay visible to the search, and a "position" that only adds moves to
// the game held plays just those. The search runs under the same search
// control (allotment, hard limit, stopping rules, workers); UCI only sets its
// limits and prints "info" and "bestmove" lines instead of thinking and
// "move" lines.
#include <cstdio>
#include <cstring>

#include "engine/board/board.h"
#include "engine/search/hash_table.h"
#include "engine/search/search.h"
#include "frontend/frontend.h"

namespace corvane {

namespace {

constexpr std::uint32_t kNoClock = 4294967295u;
constexpr int kShownCommand = 60;  // characters of a bad line repeated in a reply

// The words of a line, one after the other (blanks and tabs separate them).
struct Words {
    const char* At;

    explicit Words(const char* text) : At(text) {}

    void SkipBlanks() {
        while (*At == ' ' || *At == '\t') ++At;
    }
    // The next word into `out` (cut to `capacity` - 1 characters); false at
    // the end of the line.
    bool Next(char* out, int capacity) {
        SkipBlanks();
        if (*At == '\0') return false;
        int n = 0;
        while (*At != '\0' && *At != ' ' && *At != '\t') {
            if (n < capacity - 1) out[n++] = *At;
            ++At;
        }
        out[n] = '\0';
        return true;
    }
    // The next word without taking it.
    bool Peek(char* out, int capacity) {
        const char* keep = At;
        const bool found = Next(out, capacity);
        At = keep;
        return found;
    }
};

bool Same(const char* a, const char* b) {
    return std::strcmp(a, b) == 0;
}

// Option names and their values compare without regard to case.
bool SameNoCase(const char* a, const char* b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        const char x = (*a >= 'A' && *a <= 'Z') ? static_cast<char>(*a - 'A' + 'a') : *a;
        const char y = (*b >= 'A' && *b <= 'Z') ? static_cast<char>(*b - 'A' + 'a') : *b;
        if (x != y) return false;
    }
    return *a == *b;
}

void InfoString(FrontEnd& fe, const char* text, const char* detail = nullptr) {
    char line[160];
    if (detail == nullptr) std::snprintf(line, sizeof line, "info string %s", text);
    else std::snprintf(line, sizeof line, "info string %s%.*s", text, kShownCommand, detail);
    PrintLine(fe, line);
}

// A move in UCI notation from the cells of the position held and the
// promoted piece's code (0 for no promotion): e2e4, e7e8q.
void MoveText(const FrontEnd& fe, Byte from, Byte to, Byte promotion, char out[6]) {
    SquareName(fe, from, out);
    SquareName(fe, to, out + 2);
    int n = 4;
    if (promotion != 0) out[n++] = " kqrbn"[promotion % 10 <= 5 ? promotion % 10 : 2];
    out[n] = '\0';
}

// Is the word a move in coordinate notation (with a promotion letter or
// not)?
bool IsMoveWord(const char* w) {
    const std::size_t n = std::strlen(w);
    if (n != 4 && n != 5) return false;
    if (w[0] < 'a' || w[0] > 'h' || w[1] < '1' || w[1] > '8' || w[2] < 'a' || w[2] > 'h' || w[3] < '1' ||
        w[3] > '8')
        return false;
    return n == 4 || std::strchr("qrbnQRBN", w[4]) != nullptr;
}

// Reads a whole word as a number; false when it is none.
bool ReadWordNumber(const char* w, std::int64_t& value) {
    const char* p = w;
    if (*p == '-' || *p == '+') ++p;
    if (*p == '\0' || std::strlen(p) > 18) return false;
    for (const char* q = p; *q != '\0'; ++q)
        if (*q < '0' || *q > '9') return false;
    value = ReadNumber(w);
    return true;
}

// -- The game held ---------------------------------------------------------

// Plays one move word for the side to move in every copy; false when the
// game refuses it. A move that ends the game (mate aside, the game goes on
// for an interface that judges the end itself) leaves the other side to move.
bool PlayMoveWord(FrontEnd& fe, const char* word, bool ageTable) {
    if (!IsMoveWord(word)) return false;
    std::snprintf(fe.WorkLine, LineCapacity, "%s", word);
    const Byte side = fe.Copies[0].GameTurn == TurnEngine ? 0 : 1;
    const Byte code = PlayGameMove(fe, side, ageTable);
    if (code == GameRefused) return false;
    if (code != GameGoesOn)
        for (int k = 0; k < fe.CopyCount; ++k) fe.Copies[k].GameTurn = side == 0 ? TurnOpponent : TurnEngine;
    return true;
}

// Plays the move words of `moves` one after the other and adds each to the
// moves held; stops at the first that the game refuses, with a line naming
// it.
void PlayMoveWords(FrontEnd& fe, const char* moves, bool ageTable) {
    UciState& u = fe.Uci;
    Words words(moves);
    char word[16];
    while (words.Next(word, sizeof word)) {
        const int length = static_cast<int>(std::strlen(word));
        if (u.MovesLength + length + 2 > LongLineCapacity || !PlayMoveWord(fe, word, ageTable)) {
            InfoString(fe, "illegal move, the moves from it on are not played: ", word);
            return;
        }
        std::memcpy(u.Moves + u.MovesLength, word, static_cast<std::size_t>(length));
        u.MovesLength += length;
        u.Moves[u.MovesLength++] = ' ';
        u.Moves[u.MovesLength] = '\0';
    }
}

// Sets the base position up afresh in every copy, the engine playing White
// or Black, and plays `moves` on it without ageing the hash table (they
// were played before, or the game is new). The table keeps its entries.
// False when the position is refused; the game held is then unchanged.
bool SetUpGame(FrontEnd& fe, const char* base, bool engineWhite, const char* moves) {
    UciState& u = fe.Uci;
    if (Same(base, "startpos")) {
        StartNewGame(fe, 0, false);
    } else {
        char line[LineCapacity];
        std::snprintf(line, sizeof line, "setboard %s", base);
        if (!SetBoard(fe, line, false)) return false;
        fe.BookActive = 0;  // the book follows games from the start position only
    }
    if (engineWhite) FlipSides(fe);
    std::snprintf(u.Base, sizeof u.Base, "%s", base);
    u.EngineWhite = engineWhite ? 1 : 0;
    u.Positioned = 1;
    u.MovesLength = 0;
    u.Moves[0] = '\0';
    PlayMoveWords(fe, moves, false);
    return true;
}

// "position startpos|fen FEN [moves ...]".
void PositionCommand(FrontEnd& fe, const char* rest) {
    UciState& u = fe.Uci;
    Words words(rest);
    char word[128];
    char base[128];
    if (!words.Next(word, sizeof word)) {
        InfoString(fe, "position needs startpos or fen");
        return;
    }
    bool whiteToMove = true;
    if (Same(word, "startpos")) {
        std::strcpy(base, "startpos");
    } else if (Same(word, "fen")) {
        // The FEN's fields up to "moves", joined by single blanks.
        int n = 0;
        int fields = 0;
        bool tooLong = false;
        while (words.Peek(word, sizeof word) && !Same(word, "moves")) {
            words.Next(word, sizeof word);
            const int length = static_cast<int>(std::strlen(word));
            if (n + length + 2 > 111) tooLong = true;
            if (!tooLong) {
                if (n > 0) base[n++] = ' ';
                std::memcpy(base + n, word, static_cast<std::size_t>(length));
                n += length;
            }
            if (fields == 1) whiteToMove = word[0] != 'b';  // as "setboard" reads the side
            ++fields;
        }
        base[n] = '\0';
        if (fields == 0 || tooLong) {
            InfoString(fe, "illegal position, the game is kept: ", rest);
            return;
        }
    } else {
        InfoString(fe, "position needs startpos or fen: ", rest);
        return;
    }
    const char* moves = "";
    if (words.Next(word, sizeof word)) {
        if (!Same(word, "moves")) {
            InfoString(fe, "position: moves expected: ", word);
            return;
        }
        words.SkipBlanks();
        moves = words.At;
    }

    // The engine plays the side to move after the last move.
    int count = 0;
    Words counter(moves);
    char move[16];
    while (counter.Next(move, sizeof move)) ++count;
    const bool engineWhite = whiteToMove == (count % 2 == 0);

    // A game that only goes on from the one held plays just the new moves.
    if (u.Positioned == 1 && Same(base, u.Base) && u.EngineWhite == (engineWhite ? 1 : 0)) {
        Words held(u.Moves);
        Words given(moves);
        char a[16], b[16];
        bool prefix = true;
        while (held.Next(a, sizeof a)) {
            if (!given.Next(b, sizeof b) || !Same(a, b)) {
                prefix = false;
                break;
            }
        }
        if (prefix) {
            PlayMoveWords(fe, given.At, true);
            return;
        }
    }
    if (!SetUpGame(fe, base, engineWhite, moves)) InfoString(fe, "illegal position, the game is kept: ", rest);
}

// -- Options -----------------------------------------------------------------

void PrintIdentification(FrontEnd& fe) {
    PrintLine(fe, "id name Corvane 1.4");
    PrintLine(fe, "id author the CorvaneChess team");
    char line[96];
    std::snprintf(line, sizeof line, "option name Hash type spin default %u min 1 max %u",
                  static_cast<unsigned>(fe.HashMegabytes), static_cast<unsigned>(fe.Uci.LargestHash));
    PrintLine(fe, line);
    PrintLine(fe, "option name Ponder type check default false");
    PrintLine(fe, "option name Clear Hash type button");
    PrintLine(fe, "option name OwnBook type check default true");
    PrintLine(fe, "uciok");
}

bool ReadCheckValue(const char* value, Byte& out) {
    if (SameNoCase(value, "true")) out = 1;
    else if (SameNoCase(value, "false")) out = 0;
    else return false;
    return true;
}

// "setoption name NAME [value VALUE]": a name or value that does not fit
// changes nothing and says so.
void SetOptionCommand(FrontEnd& fe, const char* rest) {
    Words words(rest);
    char word[64];
    if (!words.Next(word, sizeof word) || !Same(word, "name")) {
        InfoString(fe, "setoption needs a name: ", rest);
        return;
    }
    // The name runs up to "value"; the value is the rest of the line.
    char name[64] = "";
    int n = 0;
    const char* value = "";
    while (words.Next(word, sizeof word)) {
        if (Same(word, "value")) {
            words.SkipBlanks();
            value = words.At;
            break;
        }
        const int length = static_cast<int>(std::strlen(word));
        if (n + length + 2 > static_cast<int>(sizeof name)) break;
        if (n > 0) name[n++] = ' ';
        std::memcpy(name + n, word, static_cast<std::size_t>(length));
        n += length;
        name[n] = '\0';
    }
    char clean[64];
    Words(value).Next(clean, sizeof clean);
    if (*value == '\0') clean[0] = '\0';

    if (SameNoCase(name, "Hash")) {
        std::int64_t units = 0;
        if (!ReadWordNumber(clean, units) || units < 1 || units > fe.Uci.LargestHash) {
            InfoString(fe, "Hash takes a size from 1 to the largest offered; unchanged: ", value);
            return;
        }
        Engine& first = fe.Copies[0];
        if (!HashResize(first, static_cast<Word>(units), fe.CopyCount > 1)) {
            char text[120];
            std::snprintf(text, sizeof text, "not enough memory for %dMB; the %uMB table is kept",
                          static_cast<int>(units), static_cast<unsigned>(fe.HashMegabytes));
            InfoString(fe, text);
            return;
        }
        fe.HashMegabytes = static_cast<Word>(units);
        for (int k = 1; k < fe.CopyCount; ++k) HashAttach(fe.Copies[k], first, fe.HashMegabytes);
        char text[40];
        std::snprintf(text, sizeof text, "%uMB", static_cast<unsigned>(fe.HashMegabytes));
        InfoString(fe, text);
    } else if (SameNoCase(name, "Ponder")) {
        if (!ReadCheckValue(clean, fe.PonderEnabled)) InfoString(fe, "Ponder takes true or false; unchanged: ", value);
    } else if (SameNoCase(name, "OwnBook")) {
        if (!ReadCheckValue(clean, fe.Uci.OwnBook)) InfoString(fe, "OwnBook takes true or false; unchanged: ", value);
    } else if (SameNoCase(name, "Clear Hash")) {
        HashClear(fe.Copies[0]);
    } else {
        InfoString(fe, "no such option: ", name);
    }
}

// -- The search ------------------------------------------------------------

struct GoLimits {
    std::int64_t Time[2] = {-1, -1};  // White's and Black's clock in ms, -1 when not given
    std::int64_t Increment[2] = {0, 0};
    std::int64_t MovesToGo = 0;
    std::int64_t Depth = -1;
    std::int64_t MoveTime = -1;
    std::int64_t Nodes = -1;
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
        } else if (!Same(word, "mate")) {
            InfoString(fe, "go: ignored: ", word);
        }
        if (field == nullptr) continue;
        char number[64];
        std::int64_t value = 0;
        if (!words.Next(number, sizeof number) || !ReadWordNumber(number, value)) {
            InfoString(fe, "go: a number expected after ", word);
            continue;
        }
        *field = value;
    }
}

std::uint32_t Centiseconds(std::int64_t ms) {
    if (ms <= 0) return 0;
    const std::int64_t cs = ms / 10;
    return cs >= kNoClock ? kNoClock : static_cast<std::uint32_t>(cs);
}

// The design's allotment and hard limit from the engine's clock, increment
// or moves to go, as "time" and "level" would set them; or the fixed time
// of "movetime"; or no time limit at all.
void ApplyTimeLimits(FrontEnd& fe, const GoLimits& g) {
    const int side = fe.Uci.EngineWhite ? 0 : 1;
    fe.MovesPerPeriod = 0;
    fe.ClockAddend = 0;
    fe.EngineClock = kNoClock;
    std::uint32_t movesMade = fe.Copies[0].GameMoveCount / 2u;
    if (g.MoveTime < 0 && g.Time[side] >= 0) {
        fe.EngineClock = Centiseconds(g.Time[side]);
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
        fe.Allotment = Centiseconds(g.MoveTime);
        fe.HardLimit = fe.Allotment;
    }
}

// One "info" line of the best line of copy 1 as it stands.
void PrintInfo(FrontEnd& fe, int depth) {
    Engine& e = fe.Copies[0];
    e.NewVariation = 0;
    LineText line;
    line.Add("info depth ");
    line.AddNumber(depth);
    // The score from the side to move: centipawns, or moves to mate (less
    // than 0 when the engine is mated).
    const int s = e.BestScore;
    if (s > 62759) {
        line.Add(" score mate ");
        line.AddNumber((62768 - s + 1) / 2);
    } else if (s < 2777) {
        line.Add(" score mate ");
        line.AddNumber(-((s - 2767) / 2));
    } else {
        line.Add(" score cp ");
        line.AddNumber(s == ScoreDraw ? 0 : s - ScoreLevel);
    }
    const std::uint64_t nodes = TotalNodes(fe);
    const std::uint64_t ms = 10ull * fe.Elapsed;
    line.Add(" nodes ");
    line.AddUnsigned(nodes);
    line.Add(" nps ");
    line.AddUnsigned(ms > 0 ? nodes * 1000 / ms : 0);
    line.Add(" time ");
    line.AddUnsigned(ms);
    const std::uint32_t* pv = e.PrincipalVariation;
    for (int i = 0; i < 64 && pv[i] != 0 && (pv[i] & 255) != LineMateEntry; ++i) {
        line.Add(i == 0 ? " pv " : " ");
        char text[6];
        MoveText(fe, static_cast<Byte>(pv[i] >> 24), static_cast<Byte>(pv[i] >> 16),
                 (pv[i] & LineFlagPromotion) ? static_cast<Byte>((pv[i] >> 12) & 15) : 0, text);
        line.Add(text);
        if (pv[i] & (LineFlagFailLow | LineFlagFailHigh)) break;
    }
    PrintLine(fe, line.Text);
}

// "bestmove" with the root's best move and, when the best line predicts
// the reply, "ponder" with it.
void PrintBestMove(FrontEnd& fe) {
    Engine& e = fe.Copies[0];
    const RootMove m = RootBestMove(e);
    char best[6];
    MoveText(fe, m.From, m.To, m.Promotion, best);
    char line[40];
    const std::uint32_t* pv = e.PrincipalVariation;
    const bool lineStartsWithIt = pv[0] != 0 && (pv[0] & 255) != LineMateEntry &&
                                  static_cast<Byte>(pv[0] >> 24) == m.From && static_cast<Byte>(pv[0] >> 16) == m.To &&
                                  (pv[0] & (LineFlagFailLow | LineFlagFailHigh)) == 0;
    if (lineStartsWithIt && pv[1] != 0 && (pv[1] & 255) != LineMateEntry) {
        char reply[6];
        MoveText(fe, static_cast<Byte>(pv[1] >> 24), static_cast<Byte>(pv[1] >> 16),
                 (pv[1] & LineFlagPromotion) ? static_cast<Byte>((pv[1] >> 12) & 15) : 0, reply);
        std::snprintf(line, sizeof line, "bestmove %s ponder %s", best, reply);
    } else {
        std::snprintf(line, sizeof line, "bestmove %s", best);
    }
    PrintLine(fe, line);
}

// Takes a waiting line from the mailbox into `out`; false when none waits.
bool TakeLine(FrontEnd& fe, char* out) {
    if (fe.LineReady.load(std::memory_order_acquire) == 0) return false;
    std::memcpy(out, fe.LongLine, LongLineCapacity);
    fe.LineReady.store(0, std::memory_order_release);
    return true;
}

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

// "go": searches the game held with the engine on the move until the
// limits of the command, a "stop" or a "quit"; true on "quit".
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

    for (int k = 0; k < fe.CopyCount; ++k) {
        BeginSearch(fe.Copies[k]);
        if (g.OnlyCount > 0) KeepRootMoves(fe.Copies[k], g.Only, g.OnlyCount);
    }
    SearchInput in;
    char line[LongLineCapacity];
    if (first.LastMove[1] == ListEmptyLast) {
        PrintLine(fe, "bestmove (none)");
        return false;
    }

    fe.MaxDepth = g.Depth < 0 ? 200 : g.Depth > 200 ? 200 : static_cast<Byte>(g.Depth);
    fe.PonderState = 0;
    StartStopwatch(fe);
    ApplyTimeLimits(fe, g);
    bool pondering = g.Ponder;
    RunWorkers(fe);
    for (;;) {
        LeadStep(fe);
        ReadStopwatch(fe);
        // The iteration a line belongs to: right after an iteration ends the
        // depth already names the next one.
        const int depth = CurrentDepth(first) - first.IterationDone;
        if (TakeNewVariation(first) || first.IterationDone == 1) PrintInfo(fe, depth);
        TakeSearchInput(fe, in, line);
        if (in.Quit || in.Stop) break;
        if (in.PonderHit && pondering) {
            // The predicted move was played: the search goes on as the
            // engine's own, under the limits of its "go" from now on.
            pondering = false;
            StartStopwatch(fe);
            ApplyTimeLimits(fe, g);
        }
        in.PonderHit = false;
        if (u.DepthCap != 0 && first.IterationDone == 1 && CurrentDepth(first) > u.DepthCap) break;
        if (pondering || g.Infinite) continue;
        if (g.Nodes >= 0 && TotalNodes(fe) > static_cast<std::uint64_t>(g.Nodes)) break;
        if (StopRulesFire(fe)) break;
    }
    // A move rests on two completed iterations, as in the other modes.
    if (!in.Quit)
        while (CurrentDepth(first) < 3) LeadStep(fe);
    StopWorkers(fe);
    if (in.Quit) return true;
    ReadStopwatch(fe);
    PrintBestMove(fe);
    return false;
}

}  // namespace

void UciStart(FrontEnd& fe) {
    fe.UciMode = 1;
    PrintIdentification(fe);
}

bool UciLine(FrontEnd& fe, const char* line) {
    Words words(line);
    char word[32];
    if (!words.Next(word, sizeof word)) return false;
    words.SkipBlanks();
    const char* rest = words.At;
    if (Same(word, "quit")) return true;
    if (Same(word, "uci")) {
        PrintIdentification(fe);
    } else if (Same(word, "isready")) {
        PrintLine(fe, "readyok");
    } else if (Same(word, "ucinewgame")) {
        StartNewGame(fe, 1);
        fe.Uci.Positioned = 0;
    } else if (Same(word, "position")) {
        PositionCommand(fe, rest);
    } else if (Same(word, "go")) {
        return GoCommand(fe, rest);
    } else if (Same(word, "setoption")) {
        SetOptionCommand(fe, rest);
    } else if (Same(word, "stop") || Same(word, "ponderhit") || Same(word, "debug") || Same(word, "register")) {
        // Nothing searches: nothing to stop or to take over.
    } else {
        InfoString(fe, "unknown command: ", line);
    }
    return false;
}

bool UciNextPending(FrontEnd& fe, char* out) {
    UciState& u = fe.Uci;
    if (u.PendingCount == 0) return false;
    std::memcpy(out, u.Pending[0], LongLineCapacity);
    for (int i = 1; i < u.PendingCount; ++i) std::memcpy(u.Pending[i - 1], u.Pending[i], LongLineCapacity);
    --u.PendingCount;
    return true;
}

int UciSession(FrontEnd& fe) {
    UciStart(fe);
    static char line[LongLineCapacity];
    // The line "uci" itself is taken.
    fe.LineReady.store(0, std::memory_order_release);
    for (;;) {
        // Lines that came during a search first, in their order.
        if (!UciNextPending(fe, line))
            while (!TakeLine(fe, line)) SleepOneMillisecond();
        if (UciLine(fe, line)) return 0;
    }
}

}  // namespace corvane
