// Game moves and the end of the game, in both orientations of the held
// position; the capacity limits of the game move list and key history.
#include <cstring>
#include <random>
#include <vector>

#include "test_support.h"

namespace corvane::test {
namespace {

TEST(GameMoves, PlaysRecordsAndRefuses) {
    Game g;
    Engine& e = g.First();
    EXPECT_EQ(PlayWhiteMove(e, 148, 100, 0), GameRefused);  // e2-e5
    EXPECT_EQ(e.GameTurn, TurnOpponent);
    EXPECT_EQ(e.GameMoveCount, 0);
    EXPECT_EQ(PlayWhiteMove(e, 148, 116, 0), GameGoesOn);  // e2-e4
    EXPECT_EQ(e.GameTurn, TurnEngine);
    EXPECT_EQ(e.GameMoves[0], 51472);
    EXPECT_EQ(e.GameMoveCount, 1);
    EXPECT_EQ(e.HalfMoveClock[0], 0);
    EXPECT_EQ(e.PlyFlags[0], 240);

    // A pinned piece may not leave the line of its king.
    Game p;
    ASSERT_TRUE(p.SetUp("4k3/8/8/8/8/4r3/4B3/4K3 w - - 0 1"));
    EXPECT_EQ(p.Play("e2d3"), GameRefused);
    EXPECT_EQ(p.First().GameTurn, TurnOpponent);
    EXPECT_EQ(p.Play("e1d1"), GameGoesOn);
}

TEST(GameMoves, CheckmateNamesTheRealWinnerInBothOrientations) {
    Game g;
    for (const char* m : {"f2f3", "e7e5", "g2g4"}) ASSERT_EQ(g.Play(m), GameGoesOn) << m;
    EXPECT_EQ(g.Play("d8h4"), GameBlackMates);
    EXPECT_EQ(g.First().GameTurn, TurnGameOver);
    EXPECT_EQ(g.Play("e2e4"), GameRefused);

    // The engine plays White (the position is held flipped): still Black wins.
    Game f;
    FlipSides(*f.Front);
    for (const char* m : {"f2f3", "e7e5", "g2g4"}) ASSERT_EQ(f.Play(m), GameGoesOn) << m;
    EXPECT_EQ(f.Play("d8h4"), GameBlackMates);

    // White mates (scholar's mate) with the engine on either side.
    for (int flipped = 0; flipped < 2; ++flipped) {
        Game s;
        if (flipped) FlipSides(*s.Front);
        for (const char* m : {"e2e4", "e7e5", "d1h5", "b8c6", "f1c4", "g8f6"}) ASSERT_EQ(s.Play(m), GameGoesOn) << m;
        EXPECT_EQ(s.Play("h5f7"), GameWhiteMates) << "flipped " << flipped;
    }
}

TEST(GameMoves, ThreefoldRepetitionByKnightMoves) {
    for (int flipped = 0; flipped < 2; ++flipped) {
        Game g;
        if (flipped) FlipSides(*g.Front);
        const char* moves[] = {"g1f3", "g8f6", "f3g1", "f6g8", "g1f3", "g8f6", "f3g1"};
        for (const char* m : moves) ASSERT_EQ(g.Play(m), GameGoesOn) << m;
        EXPECT_EQ(g.Play("f6g8"), GameRepetition);
    }
    // Set up with Black to move and no castling rights: the set-up position
    // counts as the first occurrence, so the eighth ply makes the third.
    Game b;
    ASSERT_TRUE(b.SetUp("r1bqkbnr/pppppppp/2n5/8/4P3/8/PPPP1PPP/RNBQKBNR b - - 0 2"));
    const char* moves[] = {"g8f6", "g1f3", "f6g8", "f3g1", "g8f6", "g1f3", "f6g8"};
    for (const char* m : moves) ASSERT_EQ(b.Play(m), GameGoesOn) << m;
    EXPECT_EQ(b.Play("f3g1"), GameRepetition);
}

TEST(GameMoves, InsufficientMaterialStalemateAndFiftyMoves) {
    // A capture leaves king and bishop against king.
    Game m;
    ASSERT_TRUE(m.SetUp("4k3/8/8/8/8/2n5/8/1B2K3 w - - 0 1"));
    EXPECT_EQ(m.Play("b1c2"), GameGoesOn);
    Game n;
    ASSERT_TRUE(n.SetUp("4k3/8/8/8/8/2n5/1B6/4K3 w - - 0 1"));
    EXPECT_EQ(n.Play("b2c3"), GameNoMaterial);
    Game r;
    ASSERT_TRUE(r.SetUp("4k3/8/8/8/8/2n5/8/2R1K3 w - - 0 1"));
    EXPECT_EQ(r.Play("c1c3"), GameGoesOn);

    // Stalemate, with the engine on either side.
    for (int flipped = 0; flipped < 2; ++flipped) {
        Game s;
        ASSERT_TRUE(s.SetUp("7k/8/5K2/6Q1/8/8/8/8 w - - 0 1"));
        if (flipped) FlipSides(*s.Front);
        EXPECT_EQ(s.Play("g5g6"), GameStalemate);
    }

    // The hundredth reversible ply ends the game by the fifty-move rule,
    // unless it is also stalemate.
    Game f;
    ASSERT_TRUE(f.SetUp("7k/8/5K2/8/6Q1/8/8/8 w - - 0 1"));
    f.First().HalfMoveClock[0] = 99;
    EXPECT_EQ(f.Play("g4g6"), GameStalemate);
    Game h;
    ASSERT_TRUE(h.SetUp("7k/8/5K2/8/6Q1/8/8/8 w - - 0 1"));
    h.First().HalfMoveClock[0] = 99;
    EXPECT_EQ(h.Play("g4g5"), GameFiftyMoves);
}

// Plays random legal moves far beyond any real game, ignoring the end of the
// game: the move list and the key history must never be written past their
// ends (a sanitizer build catches any stray write).
TEST(GameMoves, ListsNeverOverflowInEndlessGames) {
    std::mt19937 random(99);
    Game g;
    Engine& e = g.First();
    ASSERT_TRUE(g.SetUp("4k3/8/8/8/8/8/8/R3K3 w - - 0 1"));
    for (int ply = 0; ply < 5000; ++ply) {
        const bool black = e.GameTurn == TurnEngine;
        const Byte p = black ? 1 : 0;
        for (int x = 0; x < BoardCells; ++x) e.Board[x] = e.GameBoard[x];
        e.PlyFlags[p] = e.PlyFlags[0];
        e.InCheck[p] = black ? AttackedByWhite(e, e.Board[BlackKingCell]) : AttackedByBlack(e, e.Board[WhiteKingCell]);
        if (black) GenerateBlack(e, p);
        else GenerateWhite(e, p);
        std::vector<std::pair<Byte, Byte>> moves;
        for (int s = 0; s <= e.LastMove[p]; ++s) moves.emplace_back(e.MoveFrom[p][s], e.MoveTo[p][s]);
        std::shuffle(moves.begin(), moves.end(), random);
        Byte code = GameRefused;
        const Byte turn = e.GameTurn;
        for (auto [f, t] : moves) {
            code = black ? PlayBlackMove(e, f, t, 0) : PlayWhiteMove(e, f, t, 0);
            if (code != GameRefused) break;
        }
        if (code == GameRefused) {  // mate or stalemate: start over, keeping the list
            const Word count = e.GameMoveCount;
            ASSERT_TRUE(g.SetUp("4k3/8/8/8/8/8/8/R3K3 w - - 0 1"));
            e.GameMoveCount = count;
            continue;
        }
        // Keep playing after the end of the game.
        e.GameTurn = turn == TurnEngine ? TurnOpponent : TurnEngine;
    }
    EXPECT_EQ(e.GameMoveCount, GameMoveCapacity);
}

TEST(Ponder, PredictedReplyIsPlayedAndTakenBack) {
    Game g;
    Engine& e = g.First();
    ASSERT_EQ(g.Play("e2e4"), GameGoesOn);
    ASSERT_EQ(g.Play("e7e5"), GameGoesOn);
    // Engine (Black) has moved; White's reply g1f3 is predicted.
    e.BestScore = ScoreLevel;
    Byte before[BoardCells];
    std::memcpy(before, e.GameBoard, BoardCells);
    const Byte flags = e.PlyFlags[0];
    const std::uint32_t keyA = e.GameKeyA[0];
    ASSERT_EQ(PonderStart(e, 166, 133, 12), 1);
    EXPECT_EQ(e.GameBoard[133], WhiteKnight);
    EXPECT_EQ(e.GameKeyA[1], keyA);
    PonderEnd(e, 0);
    EXPECT_EQ(std::memcmp(before, e.GameBoard, BoardCells), 0);
    EXPECT_EQ(e.PlyFlags[0], flags);
    EXPECT_EQ(e.GameKeyA[0], keyA);
    // An illegal prediction, or a hopeless score, is refused.
    EXPECT_EQ(PonderStart(e, 166, 150, 12), 0);
    e.BestScore = 3000;
    EXPECT_EQ(PonderStart(e, 166, 133, 12), 0);
}

}  // namespace
}  // namespace corvane::test
