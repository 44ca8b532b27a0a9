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
#include "frontend/uci_text.h"

namespace corvane {

namespace uci {

namespace {

constexpr int kShownCommand = 60;  // characters of a bad line repeated in a reply

}  // namespace

bool Same(const char* a, const char* b) {
    return std::strcmp(a, b) == 0;
}

bool SameNoCase(const char* a, const char* b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        const char x = (*a >= 'A' && *a <= 'Z') ? static_cast<char>(*a - 'A' + 'a') : *a;
        const char y = (*b >= 'A' && *b <= 'Z') ? static_cast<char>(*b - 'A' + 'a') : *b;
        if (x != y) return false;
    }
    return *a == *b;
}

void InfoString(FrontEnd& fe, const char* text, const char* detail) {
    char line[160];
    if (detail == nullptr) std::snprintf(line, sizeof line, "info string %s", text);
    else std::snprintf(line, sizeof line, "info string %s%.*s", text, kShownCommand, detail);
    PrintLine(fe, line);
}

bool IsMoveWord(const char* w) {
    const std::size_t n = std::strlen(w);
    if (n != 4 && n != 5) return false;
    if (w[0] < 'a' || w[0] > 'h' || w[1] < '1' || w[1] > '8' || w[2] < 'a' || w[2] > 'h' || w[3] < '1' ||
        w[3] > '8')
        return false;
    return n == 4 || std::strchr("qrbnQRBN", w[4]) != nullptr;
}

bool ReadWordNumber(const char* w, std::int64_t& value) {
    const char* p = w;
    if (*p == '-' || *p == '+') ++p;
    if (*p == '\0' || std::strlen(p) > 18) return false;
    for (const char* q = p; *q != '\0'; ++q)
        if (*q < '0' || *q > '9') return false;
    value = ReadNumber(w);
    return true;
}

bool TakeLine(FrontEnd& fe, char* out) {
    if (fe.LineReady.load(std::memory_order_acquire) == 0) return false;
    std::memcpy(out, fe.LongLine, LongLineCapacity);
    fe.LineReady.store(0, std::memory_order_release);
    return true;
}

namespace {

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

}  // namespace

// The engine plays White or Black; `moves` are played without ageing the
// hash table (they were played before, or the game is new). The table keeps
// its entries.
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

namespace {

// -- Options -----------------------------------------------------------------

constexpr int kMostOverheadMs = 5000;  // the largest Move Overhead, in milliseconds

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
    std::snprintf(line, sizeof line, "option name MultiPV type spin default 1 min 1 max %d", MaxRootLines);
    PrintLine(fe, line);
    std::snprintf(line, sizeof line, "option name Threads type spin default %d min 1 max %d", fe.CopyCount,
                  fe.CopyCount);
    PrintLine(fe, line);
    std::snprintf(line, sizeof line, "option name Move Overhead type spin default 0 min 0 max %d", kMostOverheadMs);
    PrintLine(fe, line);
    PrintLine(fe, "uciok");
}

// The value of a spin option from `low` to `high`; false (after a line that
// names the option and its range) when the value is no such number.
bool ReadSpinValue(FrontEnd& fe, const char* name, const char* value, std::int64_t low, std::int64_t high,
                   std::int64_t& out) {
    char clean[64];
    Words(value).Next(clean, sizeof clean);
    if (*value == '\0') clean[0] = '\0';
    if (ReadWordNumber(clean, out) && out >= low && out <= high) return true;
    char text[96];
    std::snprintf(text, sizeof text, "%s takes a number from %lld to %lld; unchanged: ", name,
                  static_cast<long long>(low), static_cast<long long>(high));
    InfoString(fe, text, value);
    return false;
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
        // The whole table, both slots of every bucket: the next search after
        // a new game is then the search of a freshly started program.
        HashEmpty(fe.Copies[0], fe.CopyCount > 1);
    } else if (SameNoCase(name, "MultiPV")) {
        std::int64_t lines = 0;
        if (ReadSpinValue(fe, "MultiPV", value, 1, MaxRootLines, lines)) fe.Uci.MultiPv = static_cast<Byte>(lines);
    } else if (SameNoCase(name, "Threads")) {
        // Takes effect with the next search; the copies left out stay idle.
        std::int64_t threads = 0;
        if (ReadSpinValue(fe, "Threads", value, 1, fe.CopyCount, threads)) fe.ActiveCopies = static_cast<int>(threads);
    } else if (SameNoCase(name, "Move Overhead")) {
        std::int64_t ms = 0;
        if (ReadSpinValue(fe, "Move Overhead", value, 0, kMostOverheadMs, ms)) fe.Uci.MoveOverheadMs = static_cast<Word>(ms);
    } else {
        InfoString(fe, "no such option: ", name);
    }
}

}  // namespace

}  // namespace uci

using namespace uci;

void UciStart(FrontEnd& fe) {
    fe.UciMode = 1;
    // An interface waits for the answers to "ponderhit", "stop" and
    // "isready", and for the move after a "stop" with little time left: a
    // search step ends as soon as a line is waiting (copy 1) or its worker
    // is told to stop (the other copies).
    fe.Copies[0].StepFlag = &fe.LineReady;
    fe.Copies[0].StepFlagGo = 0;
    for (int k = 1; k < fe.CopyCount; ++k) {
        fe.Copies[k].StepFlag = &fe.WorkerRun[k - 1];
        fe.Copies[k].StepFlagGo = 1;
    }
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
