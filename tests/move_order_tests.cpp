// Capture lists, recapture lists, move ordering and the tactical selector,
// checked against the full generator and a made-move check test over many
// random positions of both colours, plus the ordering rules on set cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "engine/board/board.h"
#include "test_support.h"

namespace corvane {
namespace {

using test::ClearBoard;
using test::Game;
using test::Place;
using Move = std::pair<int, int>;

std::vector<Move> ListOf(const Engine& e, int p) {
    std::vector<Move> moves;
    if (e.LastMove[p] == ListEmptyLast) return moves;
    for (int s = 0; s <= e.LastMove[p]; ++s) moves.emplace_back(e.MoveFrom[p][s], e.MoveTo[p][s]);
    return moves;
}

// Calls `visit(e, ply)` on the positions of random games from the start,
// Black and White to move, with Board, flags, check and keys of the ply set.
template <typename Visit>
int ForRandomPositions(int games, Visit visit) {
    std::mt19937 random(99);
    Game g;
    Engine& e = g.First();
    int positions = 0;
    for (int game = 0; game < games; ++game) {
        StartNewGame(*g.Front, 1);
        if (game % 2) FlipSides(*g.Front);
        for (int plies = 0; plies < 90 && e.GameTurn != TurnGameOver; ++plies) {
            const Byte ply = e.GameTurn == TurnEngine ? 1 : 2;
            for (int x = 0; x < BoardCells; ++x) e.Board[x] = e.GameBoard[x];
            e.PlyFlags[ply] = e.PlyFlags[0];
            e.HalfMoveClock[ply] = e.HalfMoveClock[0];
            e.InCheck[ply] = ply == 1 ? AttackedByWhite(e, e.Board[BlackKingCell]) : AttackedByBlack(e, e.Board[WhiteKingCell]);
            ComputeKeys(e, ply);
            e.CurrentPly = ply;
            visit(e, ply);
            ++positions;
            for (int x = 0; x < BoardCells; ++x) e.Board[x] = e.GameBoard[x];
            ply == 1 ? GenerateBlack(e, ply) : GenerateWhite(e, ply);
            std::vector<Move> legal = ListOf(e, ply);
            std::shuffle(legal.begin(), legal.end(), random);
            Byte code = GameRefused;
            for (const Move& m : legal) {
                code = ply == 1 ? PlayBlackMove(e, m.first, m.second, 0) : PlayWhiteMove(e, m.first, m.second, 0);
                if (code != GameRefused) break;
            }
            if (code == GameRefused) break;
        }
    }
    return positions;
}

// Without futility pruning the capture list holds exactly the generated
// captures, en passant captures and pushes to the last row; the recapture
// list of a cell holds exactly the generated captures onto it (without en
// passant), pawns first and the king last. The tactical selector stops at
// exactly the captures, pushes to the last two rows and moves that give
// check as making the move shows.
TEST(CaptureLists, AgreeWithTheFullGeneratorAndTheSelectorWithMadeMoves) {
    int recaptureLists = 0;
    int checks = 0;
    const int positions = ForRandomPositions(24, [&](Engine& e, Byte ply) {
        const bool black = ply & 1;
        black ? GenerateBlack(e, ply) : GenerateWhite(e, ply);
        const std::vector<Move> all = ListOf(e, ply);
        std::multiset<Move> expected;
        for (const Move& m : all) {
            const Byte mover = e.Board[m.first];
            const bool pawn = mover == (black ? BlackPawn : WhitePawn);
            const bool lastRow = black ? m.second > 159 : m.second < 56;
            const bool enPassant = pawn && e.Board[m.second] == Empty && ((m.second - m.first) & 1);
            if (e.Board[m.second] != Empty || enPassant || (pawn && lastRow)) expected.insert(m);
        }
        // The tactical selector over the full list.
        std::vector<Move> stops;
        std::vector<Move> forcing;
        for (int s = 0; s < static_cast<int>(all.size()); ++s) {
            const Move& m = all[s];
            const Byte mover = e.Board[m.first];
            const bool pawn = mover == (black ? BlackPawn : WhitePawn);
            bool qualifies = e.Board[m.second] != Empty || (pawn && (black ? m.second >= 136 : m.second <= 79)) ||
                             (pawn && ((m.second - m.first) & 1));
            if (!qualifies) {
                e.MoveExtra[ply][s] = black ? BlackQueen : WhiteQueen;
                PlaceMove(e, static_cast<Byte>(s), ply);
                qualifies = black ? AttackedByBlack(e, e.Board[WhiteKingCell]) != 0
                                  : AttackedByWhite(e, e.Board[BlackKingCell]) != 0;
                UnmakeMove(e, static_cast<Byte>(s), ply);
                checks += qualifies;
            }
            if (qualifies) forcing.push_back(m);
        }
        Byte before[BoardCells];
        std::copy(std::begin(e.Board), std::end(e.Board), before);
        e.BestIndex[ply] = 255;
        e.NoMoves = 0;
        if (!all.empty()) {
            e.MoveCursor[ply] = 0;
            for (;;) {
                black ? NextTacticalBlack(e) : NextTacticalWhite(e);
                if (e.MoveCursor[ply] > e.LastMove[ply]) break;
                stops.emplace_back(e.MoveFrom[ply][e.MoveCursor[ply]], e.MoveTo[ply][e.MoveCursor[ply]]);
                ++e.MoveCursor[ply];
            }
            EXPECT_EQ(e.MoveCursor[ply], e.LastMove[ply] + 1);
            EXPECT_EQ(e.NoMoves, 1);
        }
        ASSERT_EQ(stops, forcing);
        ASSERT_TRUE(std::equal(std::begin(e.Board), std::end(e.Board), before));

        // All captures, with the futility filter out of reach.
        e.PlyValue[ply] = ScoreLevel;
        e.PlyBound[ply] = ScoreLevel;
        black ? GenerateBlackCaptures(e, ply) : GenerateWhiteCaptures(e, ply);
        EXPECT_EQ(e.ListState[ply], ListIdle);
        const std::vector<Move> captures = ListOf(e, ply);
        ASSERT_EQ(std::multiset<Move>(captures.begin(), captures.end()), expected);

        // Recaptures on every cell holding an enemy piece.
        for (int t = 48; t <= 167; ++t) {
            if (!IsSquareCell(t)) continue;
            const Byte v = e.Board[t];
            const bool enemy = black ? (v > 10 && v <= 16) : (v < 8);
            if (!enemy) continue;
            std::multiset<Move> onto;
            for (const Move& m : all)
                if (m.second == t) onto.insert(m);
            e.PlyValue[ply] = ScoreLevel;
            e.PlyBound[ply] = black ? 2768 : 62768;
            black ? GenerateBlackRecaptures(e, static_cast<Byte>(t), ply)
                  : GenerateWhiteRecaptures(e, static_cast<Byte>(t), ply);
            const std::vector<Move> list = ListOf(e, ply);
            ASSERT_EQ(std::multiset<Move>(list.begin(), list.end()), onto) << "cell " << t;
            // Least valuable attacker first: pawns lead, the king closes.
            for (size_t i = 0; i < list.size(); ++i) {
                const Byte a = e.Board[list[i].first];
                if (a == (black ? BlackKing : WhiteKing)) {
                    EXPECT_EQ(i + 1, list.size());
                }
                if (i > 0 && a == (black ? BlackPawn : WhitePawn)) {
                    EXPECT_EQ(e.Board[list[i - 1].first], a);
                }
            }
            ++recaptureLists;
        }
    });
    EXPECT_GT(positions, 1500);
    EXPECT_GT(recaptureLists, 3000);
    EXPECT_GT(checks, 300);
}

// Capture order: victims from the king down, and for one victim the
// attackers from the pawn up; a hash move goes in front; killers follow the
// captures; promotions get their queen and, in full lists, three copies.
TEST(MoveOrdering, DesignedCases) {
    Game g;
    Engine& e = g.First();
    ClearBoard(e);
    Place(e, 48, BlackKing);
    Place(e, 167, WhiteKing);
    Place(e, 100, WhiteQueen);
    Place(e, 83, BlackPawn);    // takes the queen on 100 (+17)
    Place(e, 69, BlackKnight);  // takes the queen on 100 (+31)
    Place(e, 113, WhitePawn);
    Place(e, 65, BlackRook);    // takes the pawn on 113 down the b-file
    e.PlyFlags[1] = 0;
    e.InCheck[1] = 0;
    GenerateBlack(e, 1);
    e.HashTo = 0;
    OrderBlackMoves(e, 1, 1);
    EXPECT_EQ(e.MoveFrom[1][0], 83);
    EXPECT_EQ(e.MoveFrom[1][1], 69);
    EXPECT_EQ(e.MoveFrom[1][2], 65);
    EXPECT_EQ(e.MoveTo[1][2], 113);
    EXPECT_EQ(e.QuietIndex[1], 3);

    // A quiet hash move moves to the front, a killer after the captures.
    GenerateBlack(e, 1);
    const int quiet = e.LastMove[1];
    const Byte hf = e.MoveFrom[1][quiet], ht = e.MoveTo[1][quiet];
    e.KillerFrom[2][1] = e.MoveFrom[1][quiet - 1];
    e.KillerTo[2][1] = e.MoveTo[1][quiet - 1];
    e.HashFrom = hf;
    e.HashTo = ht;
    e.HashBound = BoundAtLeast;
    OrderBlackMoves(e, 1, 1);
    EXPECT_EQ(e.MoveFrom[1][0], hf);
    EXPECT_EQ(e.MoveTo[1][0], ht);
    EXPECT_EQ(e.MoveFrom[1][1], 83);
    EXPECT_EQ(e.MoveFrom[1][4], e.KillerFrom[2][1]);
    EXPECT_EQ(e.MoveTo[1][4], e.KillerTo[2][1]);
    EXPECT_EQ(e.QuietIndex[1], 5);
    // Without full ordering the move of an "at most" entry is dropped.
    GenerateBlack(e, 1);
    e.HashBound = BoundAtMost;
    OrderBlackMoves(e, 1, 0);
    EXPECT_EQ(e.HashTo, 0);
    EXPECT_EQ(e.QuietIndex[1], 3);

    // Promotions: queen in place, knight, rook and bishop copies appended;
    // a stored rook promotion is tried first and its copy becomes a queen.
    ClearBoard(e);
    Place(e, 48, BlackKing);
    Place(e, 100, WhiteKing);
    Place(e, 149, BlackPawn);
    GenerateBlack(e, 1);
    const int last = e.LastMove[1];
    e.HashFrom = 149;
    e.HashTo = 165;
    e.HashPromo = BlackRook;
    e.HashBound = BoundExact;
    OrderBlackMoves(e, 1, 1);
    ASSERT_EQ(e.LastMove[1], last + 3);
    EXPECT_EQ(e.ListState[1], last + 4);
    EXPECT_EQ(e.MoveTo[1][0], 165);
    EXPECT_EQ(e.MoveExtra[1][0], BlackRook);
    EXPECT_EQ(e.MoveExtra[1][last + 1], BlackKnight);
    EXPECT_EQ(e.MoveExtra[1][last + 2], BlackQueen);
    EXPECT_EQ(e.MoveExtra[1][last + 3], BlackBishop);
    // An empty list leaves everything as it was.
    e.LastMove[3] = ListEmptyLast;
    e.QuietIndex[3] = 77;
    OrderWhiteMoves(e, 3, 1);
    EXPECT_EQ(e.QuietIndex[3], 77);
}

// The futility margins of the capture lists, at their edges, for both sides.
TEST(CaptureLists, FutilityMarginsAtTheirEdges) {
    Game g;
    Engine& e = g.First();
    ClearBoard(e);
    Place(e, 48, BlackKing);
    Place(e, 164, WhiteKing);   // the Black pawn on 149 could take it
    Place(e, 149, BlackPawn);
    Place(e, 166, WhiteQueen);  // or the queen while promoting
    e.PlyFlags[1] = 0;
    e.PlyBound[1] = 40000;
    e.PlyValue[1] = 40000 - 2112;
    GenerateBlackCaptures(e, 1);
    EXPECT_EQ(e.LastMove[1], ListEmptyLast);
    e.PlyValue[1] = 40000 - 2111;
    GenerateBlackCaptures(e, 1);
    // The queen capture with promotion (1000 + 200 + 910) falls short by
    // one; the king capture stays.
    ASSERT_EQ(ListOf(e, 1), (std::vector<Move>{{149, 164}}));
    e.PlyValue[1] = 40000 - 2110;
    GenerateBlackCaptures(e, 1);
    EXPECT_EQ(ListOf(e, 1), (std::vector<Move>{{149, 164}, {149, 166}}));  // the bare push stays short

    // White mirrors it with its comparisons reversed.
    ClearBoard(e);
    Place(e, 167, WhiteKing);
    Place(e, 51, BlackKing);
    Place(e, 66, WhitePawn);
    Place(e, 49, BlackQueen);
    e.PlyFlags[2] = 0;
    e.PlyBound[2] = 20000;
    e.PlyValue[2] = 20000 + 2112;
    GenerateWhiteCaptures(e, 2);
    EXPECT_EQ(e.LastMove[2], ListEmptyLast);
    e.PlyValue[2] = 20000 + 2111;
    GenerateWhiteCaptures(e, 2);
    ASSERT_EQ(ListOf(e, 2), (std::vector<Move>{{66, 51}}));
    e.PlyValue[2] = 20000 + 2110;
    GenerateWhiteCaptures(e, 2);
    EXPECT_EQ(ListOf(e, 2), (std::vector<Move>{{66, 51}, {66, 49}}));

    // Recaptures: only pawns when the bound is out of reach for the pieces;
    // bishop, rook, then the queen for the rest.
    ClearBoard(e);
    Place(e, 48, BlackKing);
    Place(e, 167, WhiteKing);
    Place(e, 100, WhitePawn);
    Place(e, 66, BlackBishop);  // on the diagonal of 100 through 83
    Place(e, 52, BlackQueen);   // on its file
    Place(e, 96, BlackRook);    // on its row
    Place(e, 85, BlackPawn);    // takes on 100 by +15
    e.PlyValue[1] = 30000;
    e.PlyBound[1] = 30000 + 150 + 90;  // W = 30240: not above the bound
    GenerateBlackRecaptures(e, 100, 1);
    EXPECT_EQ(e.LastMove[1], ListEmptyLast);
    e.PlyBound[1] = 30000 + 150 + 90 - 1;  // W above the bound, bound below W
    GenerateBlackRecaptures(e, 100, 1);
    EXPECT_EQ(ListOf(e, 1), (std::vector<Move>{{85, 100}, {66, 100}, {96, 100}, {52, 100}}));
}

// A rook taken on its corner takes the castling right with it, so a
// threefold repetition through the position after the capture is found on
// time, at the console too.
TEST(CastlingRights, RookTakenOnItsCornerIsAGameRepetitionOnTime) {
    Game g;
    ASSERT_TRUE(g.SetUp("4k2r/p7/8/8/8/8/PB6/4K3 w k - 0 1"));
    const char* moves[] = {"b2h8", "e8d7", "h8b2", "d7e8", "b2h8", "e8d7", "h8b2", "d7e8"};
    for (const char* m : moves) ASSERT_EQ(g.Play(m), GameGoesOn) << m;
    EXPECT_EQ(g.Play("b2h8"), GameRepetition);
}

}  // namespace
}  // namespace corvane
