// The front end: start-up, the command loop and the input reader, the
// console and protocol commands, the configuration file, the game record,
// the opening book, the thinking output and the arithmetic of the search
// control. It owns the game and keeps every engine copy in step with copy 1.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <random>

#include "engine/copy.h"
#include "engine/engine.h"
#include "engine/search/search.h"
#include "frontend/move_text.h"

namespace corvane {

inline constexpr int LineCapacity = 256;  // 255 characters and the terminator
// A line of UCI mode may be long: the whole game comes in one "position"
// line. 16383 characters and the terminator.
inline constexpr int LongLineCapacity = 16384;
inline constexpr int UciPendingLines = 8;
inline constexpr int MaxWorkers = 3;
inline constexpr Byte NoPonderMove = 200;
// The largest 32-bit time, which stands for no limit at all: the clock
// after "sd", the hard limit of the move before a time control.
inline constexpr std::uint32_t NoTimeLimit = 4294967295u;
// PonderState: nothing pending; the opponent played the predicted reply (a
// ponder hit); the engine has just played a searched move (pondering may
// start).
inline constexpr Byte PonderIdle = 0;
inline constexpr Byte PonderHit = 1;
inline constexpr Byte PonderMayStart = 2;
inline constexpr const char* BookFileName = "Corvanebook.txt";

// Wall-clock stopwatch, kept as a time of day in hours, minutes, seconds and
// centiseconds.
struct Stopwatch {
    Word Hour, Minute, Second, Centisecond;
};

// UCI mode: what the interface set and the game as the "position" commands
// built it.
struct UciState {
    Byte OwnBook;       // play from the book (option OwnBook)
    Byte Positioned;    // a "position" command has set the game up
    Byte EngineWhite;   // the engine plays White in the game held
    char Base[128];     // "startpos" or the FEN of the position held
    // The moves played on from the base, each followed by a blank.
    char Moves[LongLineCapacity];
    int MovesLength;
    // Lines that arrived during a search, handled after it in order.
    char Pending[UciPendingLines][LongLineCapacity];
    int PendingCount;
    // Deepest iteration any search of UCI mode may complete, and the largest
    // hash size the Hash option offers (the fuzz target keeps both small; a
    // depth cap of 0 means none).
    Byte DepthCap;
    Word LargestHash;
    // Options: best lines reported per iteration (MultiPV), and the time in
    // milliseconds an interface loses per move to its own lag (Move
    // Overhead), taken off the clock before the allotment is computed.
    Byte MultiPv;
    Word MoveOverheadMs;

    // The search of the current "go": whether copy 1 has written a best
    // line of its own yet, the centiseconds searched before a "ponderhit"
    // restarted the stopwatch (so that "time" counts from the "go"), and
    // when "currmove" was last shown (centiseconds of that count).
    Byte HaveLine;
    std::uint32_t ShownBefore;
    std::uint32_t CurrMoveShown;

    // A board of its own on which every line is played through the game
    // operations before it is shown, so that no line names a move that
    // cannot be played (a stored move may leave its own king attacked).
    Engine Referee;
};

struct FrontEnd {
    Engine* Copies;    // copy 1 is Copies[0]
    int CopyCount;     // 4, 2 or 1
    // Copies that search (the UCI option Threads), the first ActiveCopies;
    // the others stay attached to the table and idle.
    int ActiveCopies;
    std::FILE* Output;

    // Mailbox between the input reader and the main loop. InputLine holds the
    // first 255 characters of the line; LongLine the same line up to 16383
    // characters, for UCI mode.
    char InputLine[LineCapacity];
    char LongLine[LongLineCapacity];
    std::atomic<Byte> LineReady;
    char WorkLine[LineCapacity];

    Byte ForceMode;
    Byte XboardMode;
    Byte UciMode;  // 1 once "uci" arrived: the program speaks UCI until it ends
    Byte BookActive;
    Byte BoardTurned;
    Byte HideThinking;
    Byte PonderEnabled;
    Byte PonderState;  // PonderIdle, PonderHit or PonderMayStart
    Byte PonderMove[3];  // from square, to square, promotion code
    Byte MaxDepth;
    Word HashMegabytes;

    // Clock.
    std::uint32_t EngineClock;
    std::uint32_t Allotment;
    std::uint32_t HardLimit;
    std::uint32_t ClockAddend;
    Word MovesPerPeriod;
    Stopwatch Watch;
    std::uint32_t Elapsed;

    // Worker-thread flags (workers 1..3 are engine copies 2..4).
    std::atomic<Byte> WorkerRun[MaxWorkers];
    std::atomic<Byte> WorkerBusy[MaxWorkers];
    // Copy 1's current iteration as the workers read it for their start
    // depths; written by the main thread between copy 1's search steps.
    std::atomic<Byte> LeadDepth;

    char PieceLetters[17];  // by piece code 1..16
    char MoveLetters[6];    // by piece kind 1..5

    // The program's only pseudo-random generator, seeded once at start-up;
    // it picks among the book lines that continue the game.
    std::mt19937 Random;

    UciState Uci;
};

// Sets the front end up over the given engine copies (no I/O, no threads).
void InitFrontEnd(FrontEnd& fe, Engine* copies, int copyCount, std::FILE* output);

// Runs the whole program with the given engine copies; returns the exit code.
int RunProgram(Engine* copies, int copyCount);

// -- command_loop.cpp ------------------------------------------------------
// A new game in every copy; with clearTable false the hash table keeps its
// entries (a game set up again in UCI mode).
void StartNewGame(FrontEnd& fe, Byte full, bool clearTable = true);
void FlipSides(FrontEnd& fe);
Byte ParseSquare(const FrontEnd& fe, char file, char rank);
void SquareName(const FrontEnd& fe, Byte square, char out[2]);
Byte PromotionCode(char letter, Byte side);
// Plays the move text of WorkLine for side 0 (the engine's pieces) or 1 in
// every copy, and returns copy 1's game-state code. With ageTable false the
// engine's own move leaves the hash table's ages alone (a game replayed).
Byte PlayGameMove(FrontEnd& fe, Byte side, bool ageTable = true);
// PlayGameMove, then the result line or "oops" for copy 1's code.
void ApplyGameMove(FrontEnd& fe, Byte side);
void ReportResult(FrontEnd& fe, Byte code);
// Runs the command words on one line, in their order; returns true for "quit".
bool RunCommand(FrontEnd& fe, const char* line);

// -- console.cpp -----------------------------------------------------------
void ShowBoard(FrontEnd& fe);

// -- protocol.cpp ----------------------------------------------------------
// Reads a decimal integer: leading blanks and a sign are allowed; any other
// character that is no digit (a trailing blank too) makes the value 0.
std::int64_t ReadNumber(const char* text);
void XboardCommand(FrontEnd& fe);
void TimeCommand(FrontEnd& fe, const char* line);
void LevelCommand(FrontEnd& fe, const char* line);
void DepthCommand(FrontEnd& fe, const char* line);
// Sets up the position of a "setboard" line in every copy. A position
// without exactly one king of each colour, or one whose side not to move
// stands in check, is refused: the function returns false and changes
// nothing. The FEN's en passant target is kept where a capture on it can
// really be made, and ignored otherwise.
bool SetBoard(FrontEnd& fe, const char* line, bool clearTable = true);
void SetBoardCommand(FrontEnd& fe, const char* line);

// -- config.cpp ------------------------------------------------------------
void ReadConfiguration(FrontEnd& fe, const char* fileName);

// -- game_record.cpp -------------------------------------------------------
// Names the real from-square and to-square of game ply k of copy 1's game
// move list, in either orientation.
void GameMoveSquares(const FrontEnd& fe, int ply, char from[2], char to[2]);
void WriteGameRecord(FrontEnd& fe, std::FILE* out);
void ListCommand(FrontEnd& fe);
void SaveCommand(FrontEnd& fe);

// -- output.cpp ------------------------------------------------------------
// An output line assembled in a fixed buffer (a thinking line of 64 entries
// fits with room to spare). Text past the end is dropped.
struct LineText {
    char Text[2048] = "";
    int Length = 0;

    void Add(char c) {
        if (Length < static_cast<int>(sizeof Text) - 1) Text[Length++] = c;
        Text[Length] = '\0';
    }
    void Add(const char* s) {
        while (*s != '\0') Add(*s++);
    }
    void AddSquare(const FrontEnd& fe, Byte square);
    void AddNumber(long long value) {
        char digits[24];
        std::snprintf(digits, sizeof digits, "%lld", value);
        Add(digits);
    }
    void AddUnsigned(std::uint64_t value) {
        char digits[24];
        std::snprintf(digits, sizeof digits, "%llu", static_cast<unsigned long long>(value));
        Add(digits);
    }
    void Blanks(int count) {
        for (int i = 0; i < count; ++i) Add(' ');
    }
};

// Every line is flushed as soon as it ends, so an interface sees it at once.
void Print(FrontEnd& fe, const char* text);
void PrintLine(FrontEnd& fe, const char* text);
void EndLine(FrontEnd& fe);

// -- workers.cpp -----------------------------------------------------------
// Every wait of the program is a polling loop with 1 ms sleeps.
void SleepOneMillisecond();
// Starts one worker thread per engine copy after the first.
void StartWorkers(FrontEnd& fe);
// Lets every worker search (run flag 1).
void RunWorkers(FrontEnd& fe);
// Makes copy 1's current iteration visible to the workers.
void PublishLeadDepth(FrontEnd& fe);
// Clears the run flags and waits until every worker is outside its search.
void StopWorkers(FrontEnd& fe);
// Tells every worker to end (run flag 64) and waits until each has.
void EndWorkers(FrontEnd& fe);
// Nodes of the current search summed over the copies that search.
std::uint64_t TotalNodes(const FrontEnd& fe);

// -- clock.cpp -------------------------------------------------------------
void StartStopwatch(FrontEnd& fe);
void ReadStopwatch(FrontEnd& fe);

// -- book.cpp --------------------------------------------------------------
// Looks the game up in the opening book. Clears BookActive; when a line of
// the book continues the game, picks one of those lines at random, leaves
// its next move (four characters) in WorkLine, announces "from book" and
// sets BookActive again. A move that is not legal in the game is never
// offered: the book is then off for the rest of the game.
void BookLookup(FrontEnd& fe, const char* fileName = BookFileName);

// -- thinking.cpp ----------------------------------------------------------
// Is a new best line ready in copy `e`? Takes the news: the read of the
// line's first entry clears the flag.
inline bool TakeNewVariation(Engine& e) { return ReadVariation(e, 0) == 1; }
// One thinking line from copy 1's best line (unless HideThinking is set),
// and, during the engine's own search, the predicted reply in PonderMove.
// Clears copy 1's NewVariation: the line shown is the current one.
void ShowThinking(FrontEnd& fe);
// The summary line after a search or ponder search: nodes, speed and time.
// Prints nothing when Elapsed is 0 or 1.
void PrintSummaryLine(FrontEnd& fe);

// -- search_control.cpp ----------------------------------------------------
// Allotment and HardLimit for the engine's move from EngineClock, the time
// control, pondering and the number of moves the engine has made (copy 1's
// GameMoveCount / 2).
void ComputeAllotment(FrontEnd& fe);
// The same with the number of moves the engine has made given.
void ComputeAllotmentFor(FrontEnd& fe, std::uint32_t movesMade);
// The engine's clock after its move: ReadStopwatch, then ChargeClock. Call it
// after printing the move and before the move is played, while
// GameMoveCount still counts the moves before it.
void UpdateClock(FrontEnd& fe);
// Adds the increment or, at a time control, the period's minutes, and takes
// Elapsed off EngineClock, which never falls below 5 centiseconds and never
// wraps around.
void ChargeClock(FrontEnd& fe);
// Run after every line played for the opponent (after ApplyGameMove for side
// 1). A refused line changes nothing. After a move: PonderState becomes
// PonderEnabled when the move is the predicted reply and a ponder search was
// started on it (PonderState 0 and a predicted move), 0 otherwise; the
// prediction is used up (PonderMove none).
void PonderHitTest(FrontEnd& fe);
// One search step of copy 1, with the depth the workers follow kept up.
void LeadStep(FrontEnd& fe);
// The stopping rules of the engine's own search after a step (time, depth,
// mate, the only legal move), without the test for a waiting line.
bool StopRulesFire(FrontEnd& fe);
// The engine's turn: a book move, or a search under the clock with the
// workers running; prints "move " and the move, which stays in WorkLine.
// Returns whether an input line was waiting before the move was shown.
bool SearchTurn(FrontEnd& fe);
// Pondering on the predicted reply while the opponent is to move, until a
// line of input arrives.
void PonderTurn(FrontEnd& fe);

// -- uci.cpp ---------------------------------------------------------------
// UCI mode, entered on the line "uci": prints the identification, the
// options and "uciok", then reads and answers lines until "quit" or the end
// of input. Returns the program's exit code.
int UciSession(FrontEnd& fe);
// The start of UCI mode without its loop (for the fuzz target).
void UciStart(FrontEnd& fe);
// Handles one line of UCI mode (a "go" searches until its limits, taking
// the lines that arrive meanwhile from the mailbox); true on "quit".
bool UciLine(FrontEnd& fe, const char* line);
// Takes the oldest line that arrived during a search into `out`
// (LongLineCapacity characters); false when none is left.
bool UciNextPending(FrontEnd& fe, char* out);

}  // namespace corvane
