// Start-up, the input reader, the command loop and the game moves typed or
// played through it. Every game move, new game, set-up and flip is applied to
// every engine copy, copy 1 first; only copy 1's answers are read.
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "engine/board/board.h"
#include "engine/platform.h"
#include "engine/search/hash_table.h"
#include "frontend/frontend.h"

namespace corvane {

namespace {

constexpr const char* kConfigFile = "Corvaconfig.ini";

bool StartsWith(const char* line, const char* word) {
    return std::strncmp(line, word, std::strlen(word)) == 0;
}

bool Equals(const char* line, const char* word) {
    return std::strcmp(line, word) == 0;
}

// Keeps the first `capacity` - 1 characters of a line of `length` characters
// in `out`; a carriage return that ends what is kept is dropped.
void KeepLine(const char* text, int length, char* out, int capacity) {
    int n = length < capacity - 1 ? length : capacity - 1;
    std::memmove(out, text, static_cast<std::size_t>(n));
    if (n > 0 && out[n - 1] == '\r') --n;
    out[n] = '\0';
}

// Reads one line of standard input: at most 255 characters of it into
// `line` and at most 16383 into `longLine`. The rest of a longer line is read
// and thrown away, so it never arrives as a line of its own; a carriage
// return before the line end is dropped. Returns false at the end of input
// when nothing was read.
bool ReadInputLine(char* line, char* longLine) {
    int length = 0;
    int c = std::getchar();
    if (c == EOF) return false;
    while (c != EOF && c != '\n') {
        if (length < LongLineCapacity) longLine[length++] = static_cast<char>(c);
        c = std::getchar();
    }
    KeepLine(longLine, length, line, LineCapacity);
    KeepLine(longLine, length, longLine, LongLineCapacity);
    return true;
}

// The input reader thread: one line at a time into the mailbox. The end of
// standard input is delivered as "quit", so an engine whose interface has
// gone away ends instead of waiting forever.
void InputReader(FrontEnd* fe) {
    for (;;) {
        while (fe->LineReady.load(std::memory_order_acquire) == 1) SleepOneMillisecond();
        if (!ReadInputLine(fe->InputLine, fe->LongLine)) {
            std::strcpy(fe->InputLine, "quit");
            std::strcpy(fe->LongLine, "quit");
        }
        fe->LineReady.store(1, std::memory_order_release);
        if (Equals(fe->InputLine, "quit")) return;
    }
}

void WaitForLine(FrontEnd& fe) {
    while (fe.LineReady.load(std::memory_order_acquire) == 0) SleepOneMillisecond();
    std::memcpy(fe.WorkLine, fe.InputLine, LineCapacity);
}

void BuildLetters(FrontEnd& fe) {
    static constexpr char kPieces[] = " kqrbnp////KQRBNP";
    std::memcpy(fe.PieceLetters, kPieces, 17);
    std::memcpy(fe.MoveLetters, " KQRBN", 6);
}

// Allocates the hash table in copy 1; when the configured size cannot be had,
// halves it until it can. Returns false when not even one unit fits.
bool AllocateHashTable(FrontEnd& fe) {
    const bool spare = fe.CopyCount > 1;
    for (Word units = fe.HashMegabytes; units >= 1; units = static_cast<Word>(units / 2)) {
        if (HashAllocate(fe.Copies[0], units, spare)) {
            fe.HashMegabytes = units;
            return true;
        }
    }
    return false;
}

// SIGTERM, which an interface sends to an engine it is done with, ends the
// program with exit code 0. Every output line has been flushed as it ended
// and no file is held open between commands, so nothing is lost.
void OnTerminate(int) {
    std::_Exit(0);
}

void Shutdown(FrontEnd& fe) {
    // Every worker has left its loop before the table it searches goes.
    EndWorkers(fe);
    HashRelease(fe.Copies[0]);
    for (int k = 1; k < fe.CopyCount; ++k) HashDetach(fe.Copies[k]);
}

}  // namespace

void InitFrontEnd(FrontEnd& fe, Engine* copies, int copyCount, std::FILE* output) {
    fe.Copies = copies;
    fe.CopyCount = copyCount;
    fe.ActiveCopies = copyCount;
    fe.Output = output;
    std::strcpy(fe.InputLine, "-");
    std::strcpy(fe.LongLine, "-");
    fe.LineReady.store(1, std::memory_order_relaxed);
    fe.WorkLine[0] = '\0';
    fe.ForceMode = 1;
    fe.XboardMode = 0;
    fe.UciMode = 0;
    fe.BookActive = 1;
    fe.BoardTurned = 0;
    fe.HideThinking = 0;
    fe.PonderEnabled = 0;
    fe.PonderState = PonderIdle;
    fe.PonderMove[0] = NoPonderMove;
    fe.PonderMove[1] = 0;
    fe.PonderMove[2] = 0;
    fe.MaxDepth = 200;
    fe.HashMegabytes = 128;
    fe.EngineClock = 60000;
    fe.Allotment = 0;
    fe.HardLimit = NoTimeLimit;
    fe.ClockAddend = 0;
    fe.MovesPerPeriod = 0;
    fe.Watch = Stopwatch{0, 0, 0, 0};
    fe.Elapsed = 0;
    for (int k = 0; k < MaxWorkers; ++k) {
        fe.WorkerRun[k].store(0, std::memory_order_relaxed);
        fe.WorkerBusy[k].store(0, std::memory_order_relaxed);
    }
    fe.LeadDepth.store(0, std::memory_order_relaxed);
    BuildLetters(fe);
    fe.Random.seed(std::mt19937::default_seed);
    fe.Uci.OwnBook = 1;
    fe.Uci.Positioned = 0;
    fe.Uci.EngineWhite = 0;
    std::strcpy(fe.Uci.Base, "startpos");
    fe.Uci.Moves[0] = '\0';
    fe.Uci.MovesLength = 0;
    fe.Uci.PendingCount = 0;
    fe.Uci.DepthCap = 0;
    fe.Uci.LargestHash = 1024;
    fe.Uci.MultiPv = 1;
    fe.Uci.MoveOverheadMs = 0;
    fe.Uci.HaveLine = 0;
    fe.Uci.ShownBefore = 0;
    fe.Uci.CurrMoveShown = 0;
    for (int k = 0; k < copyCount; ++k) copies[k].CopyNumber = static_cast<Byte>(k + 1);
    // The referee board needs the key tables of the game operations; it
    // takes its game from copy 1 whenever it is used, holds no table and
    // searches nothing.
    InitBoardTables(fe.Uci.Referee);
    HashDetach(fe.Uci.Referee);
    fe.Uci.Referee.CopyNumber = 0;
}

void StartNewGame(FrontEnd& fe, Byte full, bool clearTable) {
    for (int k = 0; k < fe.CopyCount; ++k) NewGame(fe.Copies[k], clearTable);
    fe.BookActive = 1;
    fe.PonderState = PonderIdle;
    fe.PonderMove[0] = NoPonderMove;
    BuildLetters(fe);
    if (full == 1) {
        fe.MovesPerPeriod = 0;
        fe.ClockAddend = 0;
        fe.MaxDepth = 200;
        fe.HardLimit = NoTimeLimit;
        StartStopwatch(fe);
        if (fe.XboardMode == 0) fe.EngineClock = 60000;
    }
}

void FlipSides(FrontEnd& fe) {
    for (int k = 0; k < fe.CopyCount; ++k) FlipPosition(fe.Copies[k]);
    fe.PonderState = PonderIdle;
    // A prediction made for the other colour names no reply of this one.
    fe.PonderMove[0] = NoPonderMove;
    for (int i = 1; i <= 6; ++i) {
        const char c = fe.PieceLetters[i];
        fe.PieceLetters[i] = fe.PieceLetters[i + 10];
        fe.PieceLetters[i + 10] = c;
    }
}

Byte ParseSquare(const FrontEnd& fe, char file, char rank) {
    int square = 0;
    for (int k = 0; k < 8; ++k) {
        if (file == 'a' + k || file == 'A' + k) square += k;
        if (rank == '1' + k) square += (10 - k) * 16;
    }
    if (fe.Copies[0].Flipped == 1) square = RotatedCell(square);
    return static_cast<Byte>(square);
}

void SquareName(const FrontEnd& fe, Byte square, char out[2]) {
    int s = square;
    if (fe.Copies[0].Flipped == 1) s = RotatedCell(s);
    out[0] = static_cast<char>('a' + (s % 16));
    out[1] = static_cast<char>('1' + (WhiteCornerH1 - s) / 16);
}

Byte PromotionCode(char letter, Byte side) {
    Byte code = 2;
    if (letter == 'B' || letter == 'b') code = 4;
    else if (letter == 'N' || letter == 'n') code = 5;
    else if (letter == 'R' || letter == 'r') code = 3;
    return side == 1 ? static_cast<Byte>(code + 10) : code;
}

Byte PlayGameMove(FrontEnd& fe, Byte side, bool ageTable) {
    const char* w = fe.WorkLine;
    const std::size_t length = std::strlen(w);
    const char c1 = length > 0 ? w[0] : '\0';
    const char c2 = length > 1 ? w[1] : '\0';
    const char c3 = length > 2 ? w[2] : '\0';
    const char c4 = length > 3 ? w[3] : '\0';
    const Byte from = ParseSquare(fe, c1, c2);
    const Byte to = ParseSquare(fe, c3, c4);
    const Byte promotion = PromotionCode(length >= 5 ? w[4] : '\0', side);
    Byte first = GameRefused;
    for (int k = 0; k < fe.CopyCount; ++k) {
        Engine& e = fe.Copies[k];
        const Byte code =
            side == 0 ? PlayBlackMove(e, from, to, promotion, ageTable) : PlayWhiteMove(e, from, to, promotion);
        if (k == 0) first = code;
    }
    return first;
}

void ApplyGameMove(FrontEnd& fe, Byte side) {
    ReportResult(fe, PlayGameMove(fe, side));
}

void ReportResult(FrontEnd& fe, Byte code) {
    const char* open = fe.XboardMode ? "{" : "";
    const char* close = fe.XboardMode ? "}" : "";
    const char* head = nullptr;
    const char* text = nullptr;
    switch (code) {
    case GameRefused:
        if (fe.XboardMode == 0) PrintLine(fe, "oops");
        if (fe.Copies[0].GameTurn == TurnEngine && fe.ForceMode == 0) fe.BookActive = 0;
        return;
    case GameRepetition: head = "1/2-1/2 "; text = "Threefold repetition!"; break;
    case GameFiftyMoves: head = "1/2-1/2 "; text = "50 move rule draw!"; break;
    case GameWhiteMates: head = "1-0 "; text = "Checkmate suckah! White wins!"; break;
    case GameBlackMates: head = "0-1 "; text = "Checkmate suckah! Black wins!"; break;
    case GameNoMaterial: head = "1/2-1/2 "; text = "Insufficient material!"; break;
    case GameStalemate: head = "1/2-1/2 "; text = "Stalemate!"; break;
    default: return;
    }
    Print(fe, head);
    Print(fe, open);
    Print(fe, text);
    Print(fe, close);
    EndLine(fe);
}

bool RunCommand(FrontEnd& fe, const char* line) {
    if (Equals(line, "new")) {
        const Byte wasFlipped = fe.Copies[0].Flipped;
        StartNewGame(fe, 1);
        // At the console the engine changes colour with every new game.
        if (fe.XboardMode == 0 && wasFlipped == 0) FlipSides(fe);
        if (fe.XboardMode == 1) fe.ForceMode = 0;
    } else if (Equals(line, "flip")) {
        FlipSides(fe);
    } else if (Equals(line, "force")) {
        fe.ForceMode = 1;
    } else if (Equals(line, "easy")) {
        fe.PonderEnabled = 0;
    } else if (Equals(line, "hard")) {
        fe.PonderEnabled = 1;
    } else if (Equals(line, "ponder")) {
        fe.PonderEnabled = static_cast<Byte>(1 - fe.PonderEnabled);
    } else if (Equals(line, "save")) {
        SaveCommand(fe);
    } else if (Equals(line, "list")) {
        ListCommand(fe);
    } else if (Equals(line, "otbop")) {
        fe.BoardTurned = static_cast<Byte>(1 - fe.BoardTurned);
    } else if (Equals(line, "hide")) {
        fe.HideThinking = static_cast<Byte>(1 - fe.HideThinking);
    } else if (Equals(line, "xboard")) {
        XboardCommand(fe);
    } else if (StartsWith(line, "time")) {
        TimeCommand(fe, line);
    } else if (StartsWith(line, "level")) {
        LevelCommand(fe, line);
    } else if (StartsWith(line, "sd")) {
        DepthCommand(fe, line);
    } else if (StartsWith(line, "setboard")) {
        SetBoardCommand(fe, line);
    } else if (Equals(line, "go")) {
        fe.ForceMode = 0;
        if (fe.Copies[0].GameTurn == TurnOpponent) FlipSides(fe);
    } else if (Equals(line, "quit")) {
        return true;
    }
    return false;
}

int RunProgram(Engine* copies, int copyCount) {
    static FrontEnd fe;
    InitFrontEnd(fe, copies, copyCount, stdout);
    PlatformStart();
    std::signal(SIGTERM, OnTerminate);

    InitTables(copies[0]);
    for (int k = 1; k < copyCount; ++k) InitTablesAttached(copies[k]);

    PrintLine(fe, "Corvane chess 1.4 by the CorvaneChess team, 2026");
    ReadConfiguration(fe, kConfigFile);
    if (!AllocateHashTable(fe)) {
        PrintLine(fe, "error: not enough memory for the hash table");
        return 1;
    }
    char size[16];
    std::snprintf(size, sizeof size, "%uMB", static_cast<unsigned>(fe.HashMegabytes));
    PrintLine(fe, size);
    for (int k = 1; k < copyCount; ++k) HashAttach(copies[k], copies[0], fe.HashMegabytes);

    // The front end's defaults are InitFrontEnd's; the mailbox is full
    // until the first pass has run, so the reader waits for it.
    std::thread(InputReader, &fe).detach();

    StartNewGame(fe, 1);
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch();
    fe.Random.seed(static_cast<std::mt19937::result_type>(
        std::chrono::duration_cast<std::chrono::milliseconds>(ticks).count()));
    StartWorkers(fe);

    int exitCode = 0;
    // The mailbox is emptied for the reader only after a pass took its line.
    // A line that arrives after a pass has looked and found none (an
    // interface answers "move" at once with "go") stays for the next pass
    // instead of being wiped out with the mailbox, which would leave the
    // program waiting for a line already read.
    bool taken = true;  // the reader is held until the first pass
    for (;;) {
        bool answerLeft = false;
        if (taken) {
            std::strcpy(fe.InputLine, "-");
            fe.LineReady.store(0, std::memory_order_release);
        }
        if (fe.XboardMode == 0) ShowBoard(fe);

        switch (copies[0].GameTurn) {
        case TurnEngine:
            // The engine moves by itself unless in force mode, where a typed
            // move is played for its side.
            if (fe.ForceMode == 0) {
                // A line that comes once the move is shown is the interface's
                // answer to it (its move, "go" ...): it is left for the next
                // pass, where it is read as such, rather than tried as a
                // command of this one and lost.
                answerLeft = !SearchTurn(fe);
                ApplyGameMove(fe, 0);
            } else {
                WaitForLine(fe);
                if (!Equals(fe.WorkLine, "uci")) ApplyGameMove(fe, 0);
            }
            break;
        case TurnOpponent:
            if (fe.ForceMode == 0 && fe.PonderEnabled == 1 && fe.PonderState == PonderMayStart) PonderTurn(fe);
            WaitForLine(fe);
            // "uci" switches the program to UCI mode; it is no move to try.
            if (Equals(fe.WorkLine, "uci")) break;
            ApplyGameMove(fe, 1);
            PonderHitTest(fe);
            break;
        case TurnGameOver:
            PrintLine(fe, "End of the game.");
            WaitForLine(fe);
            break;
        default:
            break;
        }

        // The line is complete only once the reader has set LineReady; until
        // then the pass sees the "-" of its start.
        char line[LineCapacity];
        taken = !answerLeft && fe.LineReady.load(std::memory_order_acquire) == 1;
        if (taken) std::memcpy(line, fe.InputLine, LineCapacity);
        else std::strcpy(line, "-");
        if (Equals(line, "uci")) {
            exitCode = UciSession(fe);
            break;
        }
        if (RunCommand(fe, line)) break;
    }

    Shutdown(fe);
    return exitCode;
}

}  // namespace corvane
