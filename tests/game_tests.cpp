// Game moves and the end of the game, in both orientations of the held
// position; the capacity limits of the game move list and key history.
#include <cctype>
#include <cstring>
#include <iterator>
#include <random>
#include <set>
#include <sstream>
#include <string>
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

// The colour-mirrored twin of a FEN: ranks in reverse order, colours
// exchanged, the other side to move, castling rights exchanged.
std::string MirrorFen(const std::string& fen) {
    std::istringstream in(fen);
    std::string placement, side, castling, rest;
    in >> placement >> side >> castling;
    std::getline(in, rest);
    std::string mirrored;
    for (std::size_t end = placement.size(); end != std::string::npos;) {
        const std::size_t slash = placement.rfind('/', end - 1);
        const std::size_t begin = slash == std::string::npos ? 0 : slash + 1;
        if (!mirrored.empty()) mirrored += '/';
        mirrored += placement.substr(begin, end - begin);
        end = slash;
    }
    for (std::string* field : {&mirrored, &castling})
        for (char& c : *field) c = std::isupper(c) ? static_cast<char>(std::tolower(c)) : static_cast<char>(std::toupper(c));
    return mirrored + (side == "w" ? " b " : " w ") + castling + rest;
}

// A move of the twin: ranks reversed, promotion letter kept.
std::string MirrorMove(std::string move) {
    move[1] = static_cast<char>('1' + '8' - move[1]);
    move[3] = static_cast<char>('1' + '8' - move[3]);
    return move;
}

// Each case is played as written and colour-mirrored, each in both
// orientations of the held position: every move but the last goes on, the
// last one returns the code (with the winner's colour exchanged in the
// mirrored game).
TEST(EndOfGame, RulesForBothColoursAndOrientations) {
    struct Case {
        const char* Name;
        const char* Fen;
        const char* Moves;
        Byte Last;
    };
    const char* start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
    const Case cases[] = {
        {"fool's mate", start, "f2f3 e7e5 g2g4 d8h4", GameBlackMates},
        {"stalemate", "7k/8/5K2/6Q1/8/8/8/8 w - - 0 1", "g5g6", GameStalemate},
        // Insufficient material, and its nearest neighbours that play on.
        {"king v king", "4k3/8/8/8/8/8/2n5/3K4 w - - 0 1", "d1c2", GameNoMaterial},
        {"bishop v king", "4k3/8/8/8/8/2n5/1B6/4K3 w - - 0 1", "b2c3", GameNoMaterial},
        {"knight v king", "4k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a7a8n", GameNoMaterial},
        {"rook v king", "4k3/8/8/8/8/2n5/8/2R1K3 w - - 0 1", "c1c3", GameGoesOn},
        {"queen v king", "4k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a7a8", GameGoesOn},
        {"pawn v king", "4k3/8/8/8/8/2n5/1P6/4K3 w - - 0 1", "b2c3", GameGoesOn},
        {"two knights v king", "4k3/8/8/8/8/2n5/8/1N2K1N1 w - - 0 1", "b1c3", GameGoesOn},
        {"bishop v knight", "4k3/8/8/8/3n4/2p5/1B6/4K3 w - - 0 1", "b2c3", GameGoesOn},
        // Threefold repetition: a four-ply cycle ends on its eighth ply; an
        // eight-ply cycle lets the second occurrence play on.
        {"four-ply cycle", start, "g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8", GameRepetition},
        {"eight-ply cycle", start,
         "b1c3 b8c6 g1f3 g8f6 c3b1 c6b8 f3g1 f6g8 b1c3 b8c6 g1f3 g8f6 c3b1 c6b8 f3g1 f6g8", GameRepetition},
        // The position right after a capture is the first occurrence.
        {"after a capture", "4k3/p7/8/3p4/8/2N5/8/4K3 w - - 0 1", "c3d5 e8d7 e1e2 d7e8 e2e1 e8d7 e1e2 d7e8 e2e1",
         GameRepetition},
        // The start placement comes back on plies 4 and 8 without the
        // rights it had; the position after the first king move is the one
        // that occurs a third time.
        {"castling rights lost", "4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1",
         "e1f1 e8f8 f1e1 f8e8 e1f1 e8f8 f1e1 f8e8 e1f1", GameRepetition},
        // A rook taken on its corner takes its castling right with it: the
        // position right after the capture is the first occurrence.
        {"rook taken on its corner", "b3k3/8/8/p7/P7/8/8/4K2R b K - 0 1",
         "a8h1 e1d1 h1g2 d1e1 g2h1 e1d1 h1g2 d1e1 g2h1", GameRepetition},
    };
    for (const Case& c : cases) {
        for (int variant = 0; variant < 4; ++variant) {
            const bool mirrored = variant & 1, flipped = variant & 2;
            Game g;
            ASSERT_TRUE(g.SetUp(mirrored ? MirrorFen(c.Fen) : c.Fen)) << c.Name;
            if (flipped) FlipSides(*g.Front);
            std::istringstream moves(c.Moves);
            std::vector<std::string> list{std::istream_iterator<std::string>(moves), {}};
            Byte last = c.Last;
            if (mirrored && (last == GameWhiteMates || last == GameBlackMates)) last ^= GameWhiteMates ^ GameBlackMates;
            for (std::size_t i = 0; i < list.size(); ++i) {
                const std::string move = mirrored ? MirrorMove(list[i]) : list[i];
                const Byte expected = i + 1 == list.size() ? last : GameGoesOn;
                ASSERT_EQ(g.Play(move), expected) << c.Name << ", ply " << i + 1 << " " << move << ", mirrored "
                                                  << mirrored << ", flipped " << flipped;
            }
            EXPECT_EQ(g.First().GameTurn == TurnGameOver, last != GameGoesOn) << c.Name;
        }
    }
}

// A walk of reversible moves that never comes back to a placement it has
// seen: the ninety-ninth ply goes on, the hundredth ends the game.
TEST(EndOfGame, FiftyMoveRuleAfterAHundredPlayedPlies) {
    const std::string fen = "4k3/8/8/1n6/8/8/6N1/4K3 w - - 0 1";
    for (int variant = 0; variant < 4; ++variant) {
        Game g;
        ASSERT_TRUE(g.SetUp(variant & 1 ? MirrorFen(fen) : fen));
        if (variant & 2) FlipSides(*g.Front);
        Engine& e = g.First();
        std::set<std::string> seen;
        for (int ply = 1; ply <= 100; ++ply) {
            std::string next;
            for (const auto& [f, t] : LegalMoves(e)) {
                if (e.GameBoard[t] != Empty) continue;
                std::string placement(e.GameBoard + 48, e.GameBoard + 168);
                std::swap(placement[f - 48], placement[t - 48]);
                if (seen.insert(placement).second) {
                    next = g.Text(f, t);
                    break;
                }
            }
            ASSERT_FALSE(next.empty()) << "ply " << ply;
            ASSERT_EQ(g.Play(next), ply < 100 ? GameGoesOn : GameFiftyMoves) << "ply " << ply << ", variant " << variant;
        }
    }
    // A stalemate on the hundredth reversible ply is a stalemate.
    Game s;
    ASSERT_TRUE(s.SetUp("7k/8/5K2/8/6Q1/8/8/8 w - - 0 1"));
    s.First().HalfMoveClock[0] = 99;
    EXPECT_EQ(s.Play("g4g6"), GameStalemate);
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
