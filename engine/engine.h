// The engine copy: every table of one search thread, as fixed-size arrays.
//
// One Engine instance exists per search thread and lives as long as the
// program. The board subsystem (engine/board), the evaluation (engine/eval)
// and the search (engine/search) are plain operations on it. Nothing in here
// is allocated at run time; the only memory an engine copy points to is the
// hash table, which copy 1 allocates at start-up and shares with the others.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace corvane {

using Byte = std::uint8_t;
using Word = std::uint16_t;

// Three buckets of the shared hash table in one 64-byte cache line. Bucket b
// holds the two slots a key with KeyA mod N = b may use: slot b
// (depth-preferred, part 0) and slot b + N (always-replace, part 1), so that
// a probe reads one line. Every word is a relaxed atomic of its own.
struct alignas(64) HashLine {
    std::atomic<std::uint32_t> Check[3][2];
    std::atomic<std::uint32_t> Score[3][2];
    std::atomic<std::uint16_t> Info[3][2];
};
static_assert(sizeof(HashLine) == 64);

// ---------------------------------------------------------------------------
// Cells and piece codes
// ---------------------------------------------------------------------------
// A board is 201 byte cells on a 16-column grid. The 64 squares are the cells
// 16 x row + file, rows 3 to 10, files 0 to 7; row 3 is rank 8 when the
// position is held unflipped. Cell 0 is always Empty, cells 2 and 3 hold the
// king cells, cell 6 is the scratch cell of ValidateMove, every other
// non-square cell holds OffBoard.
inline constexpr int BoardCells = 201;
inline constexpr Byte Empty = 8;
inline constexpr Byte OffBoard = 64;
inline constexpr int BlackKingCell = 2;  // Board[2]: cell of the Black king
inline constexpr int WhiteKingCell = 3;  // Board[3]: cell of the White king
inline constexpr int ScratchCell = 6;

inline constexpr Byte BlackKing = 1, BlackQueen = 2, BlackRook = 3, BlackBishop = 4,
                      BlackKnight = 5, BlackPawn = 6;
inline constexpr Byte WhiteKing = 11, WhiteQueen = 12, WhiteRook = 13, WhiteBishop = 14,
                      WhiteKnight = 15, WhitePawn = 16;

// The rows of squares start at FirstRowCell (row 3) and end with the row
// that starts at LastRowCell (row 10), RowCells apart.
inline constexpr int FirstRowCell = 48;
inline constexpr int LastRowCell = 160;
inline constexpr int RowCells = 16;
// The rooks' corners of the castling rights (named as held unflipped).
inline constexpr int BlackCornerA8 = 48, BlackCornerH8 = 55;
inline constexpr int WhiteCornerA1 = 160, WhiteCornerH1 = 167;
// The kings' home cells (e8 and e1 as held unflipped).
inline constexpr int BlackKingHome = 52, WhiteKingHome = 164;

// The board flip turns the board half round: cell x goes to cell 215 - x.
constexpr int RotatedCell(int cell) { return FirstRowCell + WhiteCornerH1 - cell; }

// Promotion rows: Black's pawns promote on the last row, White's on the first.
constexpr bool OnLastRow(int cell) { return cell >= LastRowCell; }
constexpr bool OnFirstRow(int cell) { return cell < FirstRowCell + 8; }

// True for the 64 square cells.
constexpr bool IsSquareCell(int cell) {
    return cell >= FirstRowCell && cell <= WhiteCornerH1 && (cell & 15) < 8;
}

// ---------------------------------------------------------------------------
// Per-ply tables and move lists
// ---------------------------------------------------------------------------
inline constexpr int Plies = 256;
inline constexpr int Slots = 256;
inline constexpr int GameMoveCapacity = 2048;  // entries of the game move list
inline constexpr int GameKeyCapacity = 168;    // entries of the key history

// PlyFlags bits: castling rights; the low 4 bits hold the en passant file + 1.
inline constexpr Byte CastleBlackA8 = 16;
inline constexpr Byte CastleBlackH8 = 32;
inline constexpr Byte CastleWhiteA1 = 64;
inline constexpr Byte CastleWhiteH1 = 128;

// Most moves a generator lists; the slots above are left for the extra
// promotion entries of the move ordering, and slot 255 is never written.
inline constexpr int MaxListMoves = 240;

// Sentinels of the move-list bookkeeping.
inline constexpr Byte ListEmptyLast = 254;    // LastMove of an empty list
inline constexpr Byte CursorNone = 255;       // MoveCursor of an empty list
inline constexpr Byte ListIdle = 252;         // ListState of an idle ply / capture list
// ListState of a node whose moves are not counted (the count of a counted
// list stays below ListIdle): a list searched in phases (the tactical moves
// of a static node, a reduced pass, the verification of a null move), the
// same right after its last move tried was found illegal (the illegal move
// takes one off the state, the resume puts it back), and a node whose null
// move is being searched.
inline constexpr Byte ListPhased = 254;
inline constexpr Byte ListPhasedIllegal = ListPhased - 1;
inline constexpr Byte ListNullMove = 255;

// Most best lines one search reports at the root (several lines at once for
// an analysing interface), and the entries of one best line.
inline constexpr int MaxRootLines = 64;
inline constexpr int LineEntries = 65;

// ---------------------------------------------------------------------------
// Scores (unsigned 16-bit, larger is better for Black)
// ---------------------------------------------------------------------------
inline constexpr Word ScoreLevel = 32768;
inline constexpr Word ScoreMinusInfinity = 2768;
inline constexpr Word ScorePlusInfinity = 62768;
inline constexpr Word ScoreDraw = 32767;
// The mate bands: a mate at ply p scores 62768 - p or 2767 + p, and a mate
// carried through the hash table keeps its distance from the node that
// stored it, so mate scores lie above MatesAbove or below MatedBelow, where
// no evaluation reaches.
inline constexpr Word MatesAbove = 62256;
inline constexpr Word MatedBelow = 3280;
// Two narrower bands inside those, each for one reader of the root score.
// The best line writes a mate entry, at index p - 1, only for a mate at a
// ply p below 65: the entries it has room for before its closing 0.
inline constexpr Word LineMatesAbove = ScorePlusInfinity - LineEntries;          // 62703
inline constexpr Word LineMatedBelow = ScoreMinusInfinity + (LineEntries - 1);   // 2832
// The time control stops thinking once a mate within a few plies is found
// (mating before ply 9, mated before ply 10) and a little time has passed:
// further iterations would not change so short a mate.
inline constexpr Word ShortMatesAbove = ScorePlusInfinity - 9;   // 62759
inline constexpr Word ShortMatedBelow = ScoreMinusInfinity + 9;  // 2777

// Bound kinds of a hash entry (the low bits of its info word, BoundBits)
// and of HashBound, seen from the side to move at the entry's node: its
// score is at most the stored one (the side did not reach its own bound), at
// least the stored one (it reached the parent's), exactly the stored one;
// and no entry.
inline constexpr Byte BoundAtMost = 0;
inline constexpr Byte BoundAtLeast = 1;
inline constexpr Byte BoundExact = 2;
inline constexpr Byte BoundNone = 3;
inline constexpr unsigned BoundBits = 3;

// Game-state codes of the game-move operations.
inline constexpr Byte GameRefused = 0;
inline constexpr Byte GameGoesOn = 1;
inline constexpr Byte GameRepetition = 3;
inline constexpr Byte GameFiftyMoves = 50;
inline constexpr Byte GameWhiteMates = 64;
inline constexpr Byte GameBlackMates = 65;
inline constexpr Byte GameNoMaterial = 127;
inline constexpr Byte GameStalemate = 128;

// GameTurn values.
inline constexpr Byte TurnEngine = 0;    // codes 1..6 (Black in engine terms) to move
inline constexpr Byte TurnOpponent = 1;  // codes 11..16 to move
inline constexpr Byte TurnGameOver = 4;

// One entry of the evaluation's pawn cache: a pair of pawn sets (as the piece
// lists hold them) and the amounts the pawn terms of each side move the
// score in its favour when no square rule runs.
struct PawnEntry {
    std::uint64_t BlackPawns;
    std::uint64_t WhitePawns;
    std::int16_t BlackTerms;
    std::int16_t WhiteTerms;
};
inline constexpr int PawnCacheBits = 10;

// ---------------------------------------------------------------------------
// The engine copy
// ---------------------------------------------------------------------------
struct Engine {
    // -- Board and moves --------------------------------------------------
    Byte Board[BoardCells];      // working board
    Byte GameBoard[BoardCells];  // game position

    // Piece lists of the working board, kept by make, unmake and place and
    // built afresh wherever Board is written whole (BuildPieceLists): for
    // each piece code the squares it stands on as one bit each, bit
    // 8 x (row - 3) + file, so that the bits ascend in cell order; every
    // piece on one word; the number of pieces of each code; and the sum of
    // the evaluation's ScanValue over the pieces (material and placement).
    std::uint64_t PieceSquares[17];
    std::uint64_t Occupied;
    Byte PieceCount[17];
    Word ScanSum;

    Byte PlyFlags[Plies];
    Byte HalfMoveClock[Plies];
    Byte InCheck[Plies];
    Byte Captured[Plies];        // undo byte of the move made at this ply
    std::uint32_t KeyA[Plies];
    std::uint32_t KeyB[Plies];
    Byte ListState[Plies];
    Byte LastMove[Plies];
    Byte MoveCursor[Plies];

    // Move lists: slot s of ply p is MoveFrom[p][s], MoveTo[p][s], MoveExtra[p][s].
    Byte MoveFrom[Plies][Slots];
    Byte MoveTo[Plies][Slots];
    Byte MoveExtra[Plies][Slots];

    Byte NoMoves;  // descent-end flag, also set by the full generators on an empty list

    // Game position bookkeeping.
    std::uint32_t GameKeyA[GameKeyCapacity];
    std::uint32_t GameKeyB[GameKeyCapacity];
    Byte GameTurn;  // TurnEngine, TurnOpponent or TurnGameOver
    Byte Flipped;   // 1: the position is held rotated with the colours exchanged
    Word GameMoveCount;
    Word GameMoves[GameMoveCapacity];
    // Ponder board copy (cells 0..200); between searches also the scratch of
    // the quiet-move order, one score per move slot, hence a slot's size.
    Word SavedBoard[Slots];

    // Start-up tables.
    std::uint64_t CellBit[BoardCells];  // a square cell's bit in the piece lists, 0 for other cells
    // For each square (bit number) the squares along each line from it to
    // the edge: steps +1, +15, +16, +17 (toward higher bits), then -1, -15,
    // -16, -17; their union by rows and files and by diagonals; the knight's
    // reach.
    std::uint64_t Rays[8][64];
    Byte RayLength[8][64];
    std::uint64_t StraightLines[64];
    std::uint64_t DiagonalLines[64];
    std::uint64_t KnightReach[64];
    Byte LineOf[64][64];  // the line from one square to another (as Rays), 8 for none
    Word PieceValue[17];
    std::uint32_t RandomA[BoardCells];
    std::uint32_t RandomB[BoardCells];
    std::uint32_t KeyTableA[17][BoardCells];
    std::uint32_t KeyTableB[17][BoardCells];

    // -- Evaluation -------------------------------------------------------
    Byte KingCentreTable[BoardCells];
    Byte PawnTable[BoardCells];
    Byte KnightTable[BoardCells];
    Byte BlackKingZoneWeight[65];
    Byte WhiteKingZoneWeight[65];
    Byte MaskTop[256];
    Byte MaskBottom[256];
    Byte MaskCount[256];
    // The board scan's whole change of the score for a piece code on a cell
    // (material, placement table, rook file, bishop home square), signed,
    // built from the tables above.
    std::int16_t ScanValue[17][BoardCells];
    Word BlackSignature;
    Word WhiteSignature;
    // The pawn terms of pawn structures met before, the entry of a pair of
    // sets chosen by PawnCacheIndex; an entry holds the terms of exactly the
    // sets it names, so a hit gives what working them out would.
    PawnEntry PawnCache[1 << PawnCacheBits];

    // -- Search -----------------------------------------------------------
    Word PlyDepth[Plies];
    Word PlyValue[Plies];
    Word PlyBound[Plies];
    Byte BestIndex[Plies];
    Byte QuietIndex[Plies];
    Byte PlyReduction[Plies];
    Byte PlyPhase[Plies];
    Byte KillerFrom[4][Plies];
    Byte KillerTo[4][Plies];

    Byte CurrentPly;
    Byte ParentPly;
    Word RemainingCode;
    Word StaticScore;
    std::uint32_t StepNodes;
    std::uint32_t StepBudget;
    // Written only by the thread searching this copy; read by the front end
    // (for the node display) while the copy searches.
    std::atomic<std::uint64_t> NodeCount;
    Byte IterationDone;
    Word BestScore;
    Word WindowLow;
    Word WindowHigh;
    Byte WindowFails;
    Word SavedRootScore;
    Byte SavedRootIndex;
    // Deepest ply a node of this search was entered at.
    Byte DeepestPly;
    // 1: every search step takes a quarter of its node budget, as the steps
    // of a ponder search do, so that the search answers sooner.
    Byte ShortSteps;
    // A flag of the front end that ends the current search step after its
    // descent once it no longer holds StepFlagGo (the search does not
    // depend on where steps end): in UCI mode a worker's run flag, so that
    // a worker told to stop is idle at once, and for copy 1 the flag of a
    // waiting input line, so that "ponderhit" and "stop" are seen at once.
    // Null where the steps run their whole budget.
    const std::atomic<Byte>* StepFlag;
    Byte StepFlagGo;

    // Several best lines at the root. With MultiPv k > 1 every iteration
    // searches the root k times: pass j (PvIndex) over the root moves that
    // passes 0 to j - 1 have not taken, which stand in slots 0 to j - 1.
    // When the last pass ends, the passes' moves, scores and lines are sorted
    // best first into slots 0 to k - 1, LineScore and LineVariation. With
    // MultiPv 0 or 1 none of this runs.
    Byte MultiPv;
    Byte PvIndex;
    Byte LineCount;     // lines of the last completed iteration
    Byte ReportedSlot;  // root slot whose best line was written last (255: none in this pass)
    Word LineScore[MaxRootLines];
    std::uint32_t LineVariation[MaxRootLines][LineEntries];

    // Hash move of the current node, left by the probe, and the bound kind
    // of its entry (BoundNone without one).
    Byte HashFrom;
    Byte HashTo;
    Byte HashPromo;
    Byte HashBound;

    // Best line.
    std::uint32_t PrincipalVariation[LineEntries];
    Byte NewVariation;

    // -- Shared hash table (allocated by copy 1) --------------------------
    HashLine* HashLines;
    std::uint32_t HashSlots;  // N: depth-preferred slots 0..N-1, always-replace N..2N-1
    std::uint64_t HashReciprocal;  // 2^64 / N rounded up: a key's bucket without a division
    std::size_t HashBytes;  // size of the memory block behind HashLines (copy 1)

    // -- Identity ---------------------------------------------------------
    Byte CopyNumber;  // 1 to 4; copy 1 owns the hash table and draws the random numbers
};

}  // namespace corvane
