// Protocol commands: the feature announcement, the clock commands "time",
// "level" and "sd", and "setboard" with its position in Forsyth-Edwards
// Notation. They work the same at the console.
#include <csignal>
#include <cstring>

#include "engine/board/board.h"
#include "engine/board/sides.h"
#include "frontend/frontend.h"

namespace corvane {

namespace {

// Limits of the "setboard" line: fields start at character 10 and nothing is
// read beyond character 120.
constexpr int kFenStart = 9;
constexpr int kFenEnd = 120;

// Returns the end (exclusive) of the field that starts at `start`: the next
// blank, the end of the line or the read limit.
int FieldEnd(const char* line, int start, int limit) {
    int i = start;
    while (i < limit && line[i] != '\0' && line[i] != ' ') ++i;
    return i;
}

// A field copied out as its own text, for ReadNumber.
void CopyField(const char* line, int start, int end, char* out) {
    int n = 0;
    for (int i = start; i < end && n < LineCapacity - 1; ++i) out[n++] = line[i];
    out[n] = '\0';
}

// A number of the "level" command times its unit (6000 centiseconds a
// minute, 100 a second), kept within the 32-bit clock: a negative number
// gives 0 and one too large for the clock the largest value, where the
// product used to overflow.
std::uint32_t ClockValue(std::int64_t number, std::int64_t unit) {
    if (number <= 0) return 0;
    if (number > NoTimeLimit / unit) return NoTimeLimit;
    return static_cast<std::uint32_t>(number * unit);
}

}  // namespace

std::int64_t ReadNumber(const char* text) {
    const char* p = text;
    while (*p == ' ') ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    std::uint64_t value = 0;
    for (; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9') return 0;
        value = value * 10u + static_cast<std::uint64_t>(*p - '0');
    }
    return static_cast<std::int64_t>(negative ? 0u - value : value);
}

void XboardCommand(FrontEnd& fe) {
    fe.XboardMode = 1;
    // The interface sends SIGINT to its engines (to interrupt a search), and
    // its default action would end the program in the middle of a game.
    std::signal(SIGINT, SIG_IGN);
    PrintLine(fe, "feature myname=\"Corvane 1.4\"");
    PrintLine(fe, "feature setboard=1");
    PrintLine(fe, "feature analyze=0");
    PrintLine(fe, "feature done=1");
}

void TimeCommand(FrontEnd& fe, const char* line) {
    if (std::strlen(line) <= 5) return;
    // An interface may report a clock that has run out as a negative time:
    // no time left, not 497 days.
    const std::int64_t value = ReadNumber(line + 5);
    fe.EngineClock = value < 0 ? 0 : value > NoTimeLimit ? NoTimeLimit : static_cast<std::uint32_t>(value);
}

void DepthCommand(FrontEnd& fe, const char* line) {
    if (std::strlen(line) > 3) fe.MaxDepth = static_cast<Byte>(ReadNumber(line + 3) & 255);
    fe.EngineClock = NoTimeLimit;
}

void LevelCommand(FrontEnd& fe, const char* line) {
    const int length = static_cast<int>(std::strlen(line));
    char field[LineCapacity];
    int firstEnd = length;
    if (length > 6) {
        firstEnd = FieldEnd(line, 6, length);
        if (firstEnd > 6) {
            CopyField(line, 6, firstEnd, field);
            fe.MovesPerPeriod = static_cast<Word>(ReadNumber(field));
        }
    }
    if (fe.MovesPerPeriod > 0) {
        if (firstEnd < length) {  // the blank that ends the first field
            const int start = firstEnd + 1;
            const int end = FieldEnd(line, start, length);
            if (end > start) {
                CopyField(line, start, end, field);
                const std::int64_t minutes = ReadNumber(field);
                fe.ClockAddend = ClockValue(minutes, 1);
                fe.EngineClock = ClockValue(minutes, 6000);
            }
        }
    } else if (length > 8) {
        const int end = FieldEnd(line, 8, length);
        if (end > 8) {
            CopyField(line, 8, end, field);
            fe.EngineClock = ClockValue(ReadNumber(field), 6000);
            if (end + 1 < length) fe.ClockAddend = ClockValue(ReadNumber(line + end + 1), 100);
        }
    }
}

namespace {

// A position as a "setboard" line gives it, read before anything is checked
// or set up.
struct FenPosition {
    Byte Cells[BoardCells];
    int BlackKings = 0;
    int WhiteKings = 0;
    bool BlackToMove = false;
    Byte Rights = 0;
    int EnPassantFile = -1;    // the file of the target square, -1 for none
    char Rest[LineCapacity];  // the fields after the en passant target
};

// The placement field from `i` to `end` into the position's cells. Only
// square cells are ever written, however many squares a row claims.
void ReadPlacement(const char* line, int i, int end, FenPosition& p) {
    for (int x = 0; x < BoardCells; ++x) p.Cells[x] = IsSquareCell(x) ? Empty : OffBoard;
    p.Cells[0] = Empty;
    // Letters as a new game sets them: lower case Black, upper case White.
    static constexpr char kLetters[] = " kqrbnp////KQRBNP";
    int counter = FirstRowCell;
    for (; i < end; ++i) {
        const char c = line[i];
        if (c == '/') {
            counter = (counter + RowCells) & ~(RowCells - 1);
        } else if (c >= '1' && c <= '9') {
            counter += c - '0';
        } else {
            for (int code = BlackKing; code <= WhitePawn; ++code) {
                if (code > BlackPawn && code < WhiteKing) continue;
                if (kLetters[code] != c) continue;
                if (counter < BoardCells && IsSquareCell(counter)) {
                    p.Cells[counter] = static_cast<Byte>(code);
                    if (code == BlackKing) {
                        ++p.BlackKings;
                        p.Cells[BlackKingCell] = static_cast<Byte>(counter);
                    }
                    if (code == WhiteKing) {
                        ++p.WhiteKings;
                        p.Cells[WhiteKingCell] = static_cast<Byte>(counter);
                    }
                }
                ++counter;
                break;
            }
        }
        if (counter > 255) counter = 255;
    }
}

// The side to move, the castling rights (each granted only where its king
// and rook stand at home), the en passant target's file and the rest of the
// line, from `pos` on.
void ReadFields(const char* line, int pos, int limit, FenPosition& p) {
    p.BlackToMove = pos < limit && line[pos] == 'b';
    const int sideEnd = FieldEnd(line, pos, limit);
    pos = sideEnd < limit ? sideEnd + 1 : limit;
    const Byte* c = p.Cells;
    for (int field = 0; field < 3; ++field) {
        const int end = FieldEnd(line, pos, limit);
        for (int k = pos; k < end; ++k) {
            // Repeated letters grant a right once.
            const char letter = line[k];
            if (letter == 'K' && c[WhiteKingHome] == WhiteKing && c[WhiteCornerH1] == WhiteRook) p.Rights |= CastleWhiteH1;
            if (letter == 'Q' && c[WhiteKingHome] == WhiteKing && c[WhiteCornerA1] == WhiteRook) p.Rights |= CastleWhiteA1;
            if (letter == 'k' && c[BlackKingHome] == BlackKing && c[BlackCornerH8] == BlackRook) p.Rights |= CastleBlackH8;
            if (letter == 'q' && c[BlackKingHome] == BlackKing && c[BlackCornerA8] == BlackRook) p.Rights |= CastleBlackA8;
        }
        if (field == 1 && end - pos == 2 && line[pos] >= 'a' && line[pos] <= 'h') {
            // The target square behind a pawn that has just double-stepped:
            // rank 6 with White to move, rank 3 with Black to move.
            if ((!p.BlackToMove && line[pos + 1] == '6') || (p.BlackToMove && line[pos + 1] == '3'))
                p.EnPassantFile = line[pos] - 'a';
        }
        pos = end < limit ? end + 1 : limit;
    }
    CopyField(line, pos, limit, p.Rest);
}

// Can the side that has just moved be taken? No game of chess allows it.
bool MoverInCheck(Engine& first, const FenPosition& p) {
    for (int x = 0; x < BoardCells; ++x) first.Board[x] = p.Cells[x];
    const bool attacked = p.BlackToMove ? AttackedByBlack(first, p.Cells[WhiteKingCell]) != 0
                                        : AttackedByWhite(first, p.Cells[BlackKingCell]) != 0;
    for (int x = 0; x < BoardCells; ++x) first.Board[x] = first.GameBoard[x];
    return attacked;
}

// The en passant bits of the position: kept where the pawn that has just
// double-stepped stands in front of the target with the two squares it
// crossed empty, and only when an enemy pawn stands beside it: the state a
// game move would have left, so the capture is legal for exactly the next
// move and the keys are those of the played double step. Any other target
// is ignored.
Byte EnPassantBits(const FenPosition& p) {
    if (p.EnPassantFile < 0) return 0;
    const Byte* c = p.Cells;
    // The pawn stands on rank 5 (Black's, White to move) or rank 4 (White's).
    const int pawn = (p.BlackToMove ? BlackOrders.VictimRow : WhiteOrders.VictimRow) + p.EnPassantFile;
    const Byte mover = p.BlackToMove ? WhitePawn : BlackPawn;
    const Byte taker = p.BlackToMove ? BlackPawn : WhitePawn;
    const int back = p.BlackToMove ? RowCells : -RowCells;  // towards the squares it crossed
    if (c[pawn] == mover && c[pawn + back] == Empty && c[pawn + 2 * back] == Empty &&
        (c[pawn - 1] == taker || c[pawn + 1] == taker))
        return static_cast<Byte>(p.EnPassantFile + 1);
    return 0;
}

// Sets the position up in every copy as a new game in force mode, the
// engine holding Black, with the move number's count of game plies.
void SetUpPosition(FrontEnd& fe, const FenPosition& p, Byte epBits, bool clearTable) {
    StartNewGame(fe, 0, clearTable);
    for (int k = 0; k < fe.CopyCount; ++k) {
        Engine& e = fe.Copies[k];
        for (int x = 0; x < BoardCells; ++x) e.GameBoard[x] = p.Cells[x];
        if (p.BlackToMove) e.GameTurn = TurnEngine;
        e.PlyFlags[0] = static_cast<Byte>(p.Rights | epBits);
    }
    std::int64_t fullMove = ReadNumber(p.Rest);
    if (fullMove > 0) {
        // The game move list holds 2048 plies; a larger number only says
        // that the list is full (and is cut before it can overflow).
        if (fullMove > GameMoveCapacity) fullMove = GameMoveCapacity;
        std::int64_t count = 2 * (fullMove - 1) + 1 - fe.Copies[0].GameTurn;
        if (count > GameMoveCapacity) count = GameMoveCapacity;
        for (int k = 0; k < fe.CopyCount; ++k) fe.Copies[k].GameMoveCount = static_cast<Word>(count);
    }
    // Turned round twice: the keys, the check flags and the orientation as
    // every game position has them.
    FlipSides(fe);
    FlipSides(fe);
}

}  // namespace

bool SetBoard(FrontEnd& fe, const char* line, bool clearTable) {
    const int length = static_cast<int>(std::strlen(line));
    const int limit = length < kFenEnd ? length : kFenEnd;
    // Read into a position of its own first, so that one that cannot be
    // played leaves the game as it was.
    FenPosition p;
    const int placementEnd = FieldEnd(line, kFenStart, limit);
    ReadPlacement(line, kFenStart, placementEnd, p);
    if (p.BlackKings != 1 || p.WhiteKings != 1) return false;
    ReadFields(line, placementEnd < limit ? placementEnd + 1 : limit, limit, p);
    if (MoverInCheck(fe.Copies[0], p)) return false;
    SetUpPosition(fe, p, EnPassantBits(p), clearTable);
    return true;
}

void SetBoardCommand(FrontEnd& fe, const char* line) {
    if (!SetBoard(fe, line)) {
        Print(fe, "Error (illegal position): ");
        PrintLine(fe, line);
        return;
    }
    fe.ForceMode = 1;
    fe.BookActive = 0;
    ShowBoard(fe);

    // A position whose game is already over (mate, stalemate, too little
    // material) ends the game at once, as a game move reaching it would:
    // otherwise an engine told to play a side without a legal move would
    // offer a move the game refuses, and do so again on every pass. The end
    // test looks at the side to move after the side that has just moved.
    Byte code = GameGoesOn;
    for (int k = 0; k < fe.CopyCount; ++k) {
        Engine& e = fe.Copies[k];
        e.GameTurn = static_cast<Byte>(1 - e.GameTurn);
        std::memcpy(e.Board, e.GameBoard, BoardCells);
        const Byte copyCode = GameEndTest(e);
        if (k == 0) code = copyCode;
    }
    ReportResult(fe, code);
}

}  // namespace corvane
