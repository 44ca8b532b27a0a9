// The best line: whenever a root move becomes the new best move, the line is
// rebuilt from the hash table by playing the root move and then the stored
// move of every position reached, on the scratch plies 253 to 255. Each entry
// carries what the front end needs to write the move in short notation.
#include "engine/board/board.h"
#include "engine/board/sides.h"
#include "engine/search/hash_table.h"
#include "engine/search/search.h"

namespace corvane {

namespace {

constexpr int kFirstLinePly = 253;    // Black's moves of the line
constexpr int kSecondLinePly = 254;   // White's moves of the line
constexpr int kBoardCopyPly = 255;    // its MoveExtra column holds the board
constexpr int kLineKeys = 102;        // game-key entries of the line's positions


// The entry of a move with from-cell f, to-cell t and promotion code x, on
// the board before it is made.
std::uint32_t LineEntry(const Engine& e, Byte f, Byte t, Byte x, bool black) {
    const Byte piece = e.Board[f];
    std::uint32_t word = (static_cast<std::uint32_t>(f) << 24) + (static_cast<std::uint32_t>(t) << 16) +
                         (static_cast<std::uint32_t>(x & 15) << 12) + (static_cast<std::uint32_t>((piece - 1) & 15) << 8);
    const Byte pawn = black ? BlackPawn : WhitePawn;
    if (e.Board[t] != Empty) word += LineFlagCapture;
    else if (piece == pawn && ((t - f) & 1)) word += LineFlagCapture + LineFlagEnPassant;
    if (piece == pawn && (black ? OnLastRow(t) : OnFirstRow(t))) word += LineFlagPromotion;
    if (SameKindReach(e, piece, t) > 1) word += LineFlagName;
    return word;
}

}  // namespace

std::uint32_t RootMoveEntry(const Engine& e, int slot) {
    return LineEntry(e, e.MoveFrom[1][slot], e.MoveTo[1][slot], e.MoveExtra[1][slot], true);
}

int SameKindReach(const Engine& e, Byte piece, Byte target) {
    const Byte* b = e.Board;
    const int t = target;
    int n = 0;
    if (piece == BlackKnight || piece == WhiteKnight) {
        for (int d : KnightOffsets)
            if (b[t + d] == piece) ++n;
    }
    // The first piece along each line from t.
    auto along = [&](const std::array<int, 4>& steps) {
        for (int d : steps)
            if (b[FirstOccupied(b, t, d)] == piece) ++n;
    };
    if (piece == BlackQueen || piece == BlackRook || piece == WhiteQueen || piece == WhiteRook) along(StraightOffsets);
    if (piece == BlackQueen || piece == BlackBishop || piece == WhiteQueen || piece == WhiteBishop) along(DiagonalOffsets);
    return n;
}

Byte LineEndTest(Engine& e, Byte ply, int k) {
    const int s = ply;
    const int h = e.HalfMoveClock[s];
    if (h > 7) {
        if (h >= 100) return 1;
        int n = 0;
        for (int i = 2; i <= h / 2; ++i) {
            const int index = 2 * i < k ? k + 101 - 2 * i : 2 * i - k;
            if (index >= GameKeyCapacity) break;
            if (e.KeyA[s] == e.GameKeyA[index] && e.KeyB[s] == e.GameKeyB[index]) ++n;
        }
        if (n >= 2) return 1;
    }
    // Bare material: no pawn, and one side without pieces while the other
    // has less than a rook.
    int blackPawns = 0, whitePawns = 0, blackMaterial = 0, whiteMaterial = 0;
    for (int row = FirstRowCell; row <= LastRowCell; row += RowCells) {
        for (int x = row; x < row + 8; ++x) {
            switch (e.Board[x]) {
            case BlackPawn: ++blackPawns; break;
            case WhitePawn: ++whitePawns; break;
            case BlackQueen: case BlackRook: blackMaterial += 5; break;
            case BlackBishop: case BlackKnight: blackMaterial += 3; break;
            case WhiteQueen: case WhiteRook: whiteMaterial += 5; break;
            case WhiteBishop: case WhiteKnight: whiteMaterial += 3; break;
            default: break;
            }
        }
    }
    if (blackPawns == 0 && whitePawns == 0 &&
        ((blackMaterial < 5 && whiteMaterial == 0) || (whiteMaterial < 5 && blackMaterial == 0)))
        return 1;
    return 0;
}

void ReportBestLine(Engine& e) {
    if (e.PlyDepth[1] <= 16) return;
    if (e.WindowFails != 0 && e.NodeCount.load(std::memory_order_relaxed) <= 8192) return;

    Byte* saved = e.MoveExtra[kBoardCopyPly];
    for (int x = 0; x < BoardCells; ++x) saved[x] = e.Board[x];
    e.PlyDepth[kFirstLinePly] = 4096;
    e.PlyDepth[kSecondLinePly] = 4096;

    const int b = e.BestIndex[1];
    const Byte f = e.MoveFrom[1][b];
    const Byte t = e.MoveTo[1][b];
    const Byte x = e.MoveExtra[1][b];
    std::uint32_t first = LineEntry(e, f, t, x, true);
    if (e.WindowFails > 128) first += LineFlagFailHigh;
    else if (e.WindowFails > 0) first += LineFlagFailLow;

    int s = kFirstLinePly;
    e.PlyFlags[s] = e.PlyFlags[1];
    e.HalfMoveClock[s] = e.HalfMoveClock[1];
    e.KeyA[s] = e.KeyA[1];
    e.KeyB[s] = e.KeyB[1];
    e.MoveFrom[s][0] = f;
    e.MoveTo[s][0] = t;
    e.MoveExtra[s][0] = x;
    e.HashTo = t;
    MakeMove(e, 0, static_cast<Byte>(s));
    e.GameKeyA[kLineKeys] = e.KeyA[s + 1];
    e.GameKeyB[kLineKeys] = e.KeyB[s + 1];
    if (AttackedBy<BlackOrders>(e, e.Board[WhiteKingCell]) != 0) first += LineFlagCheck;
    e.PrincipalVariation[0] = first;

    int k = 1;
    for (; k <= 63; ++k) {
        const bool white = (k & 1) != 0;
        s = white ? kSecondLinePly : kFirstLinePly;
        if (!white) {
            e.PlyFlags[s] = e.PlyFlags[kBoardCopyPly];
            e.HalfMoveClock[s] = e.HalfMoveClock[kBoardCopyPly];
            e.KeyA[s] = e.KeyA[kBoardCopyPly];
            e.KeyB[s] = e.KeyB[kBoardCopyPly];
        }
        // A rook taken on its corner: the generator drops the stale right.
        if (white) {
            if ((e.PlyFlags[s] & (CastleWhiteA1 | CastleWhiteH1)) != 0 && (e.HashTo == WhiteCornerA1 || e.HashTo == WhiteCornerH1)) GenerateWhite(e, static_cast<Byte>(s));
        } else {
            if ((e.PlyFlags[s] & (CastleBlackA8 | CastleBlackH8)) != 0 && (e.HashTo == BlackCornerA8 || e.HashTo == BlackCornerH8)) GenerateBlack(e, static_cast<Byte>(s));
        }
        if (LineEndTest(e, static_cast<Byte>(s), k) == 1 || HashProbe(e, static_cast<Byte>(s)) == 0) {
            e.PrincipalVariation[k] = 0;
            break;
        }
        e.MoveFrom[s][0] = e.HashFrom;
        e.MoveTo[s][0] = e.HashTo;
        e.MoveExtra[s][0] = e.HashPromo;
        std::uint32_t entry = LineEntry(e, e.HashFrom, e.HashTo, e.HashPromo, !white);
        MakeMove(e, 0, static_cast<Byte>(s));
        e.GameKeyA[kLineKeys + k] = e.KeyA[s + 1];
        e.GameKeyB[kLineKeys + k] = e.KeyB[s + 1];
        const bool check = white ? AttackedBy<WhiteOrders>(e, e.Board[BlackKingCell]) != 0
                                 : AttackedBy<BlackOrders>(e, e.Board[WhiteKingCell]) != 0;
        if (check) entry += LineFlagCheck;
        e.PrincipalVariation[k] = entry;
    }
    e.PrincipalVariation[64] = 0;

    // The mate entry stands right after the last move of a mating line.
    const Word score = e.BestScore;
    if (score > ScoreMinusInfinity && score < LineMatedBelow) {
        const std::uint32_t i = score - ScoreMinusInfinity;
        e.PrincipalVariation[i] = i * 32768u + LineMateEntry;
    } else if (score > LineMatesAbove && score < ScorePlusInfinity) {
        e.PrincipalVariation[62767 - score] = (62768u - score) * 32768u + LineMateEntry;
    }

    for (int c = 0; c < BoardCells; ++c) e.Board[c] = saved[c];
    BuildPieceLists(e);
    e.PlyDepth[kFirstLinePly] = 16;
    e.PlyDepth[kSecondLinePly] = 16;
    e.StepBudget = 0;
    e.NewVariation = 1;
    e.ReportedSlot = static_cast<Byte>(b);
}

}  // namespace corvane
