// Colour symmetry of the evaluation, swept over thousands of random legal
// positions: random games from several openings and endings, and random
// set-ups of every material class that the endgame stage knows.
//
// The twin of a position has every piece on the cell turned by 180 degrees
// (215 - c: ranks reversed, files too), the colours exchanged and the other
// side to move. This is the mirror under which every White term is the Black
// term with the sign reversed; reversing the ranks alone would not do, as
// bishop mobility weighs the +15 and +17 diagonals differently.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>

#include "engine/eval/eval_internal.h"
#include "engine/eval/evaluate.h"
#include "test_support.h"

namespace corvane {
namespace {

void SetPly(Engine& e, int ply, int parentBound, int currentBound) {
    e.CurrentPly = static_cast<Byte>(ply);
    e.ParentPly = static_cast<Byte>(ply - 1);
    e.PlyBound[ply - 1] = static_cast<Word>(std::clamp(parentBound, 0, 65535));
    e.PlyBound[ply] = static_cast<Word>(std::clamp(currentBound, 0, 65535));
}

Byte OtherColour(Byte v) { return v == Empty ? Empty : static_cast<Byte>(v < 8 ? v + 10 : v - 10); }

void MakeTwin(const Engine& a, Engine& b) {
    for (int c = 48; c <= 167; ++c)
        if (IsSquareCell(c)) b.Board[215 - c] = OtherColour(a.Board[c]);
    b.Board[BlackKingCell] = static_cast<Byte>(215 - a.Board[WhiteKingCell]);
    b.Board[WhiteKingCell] = static_cast<Byte>(215 - a.Board[BlackKingCell]);
    BuildPieceLists(b);
}

// Evaluate's stages without the side-to-move point, which is the one term
// that favours a colour: the score of a position and that of its twin then
// lie exactly opposite each other around level. `entry` is the score on
// reaching the endgame stage.
Word StagesWithoutTempo(Engine& e, EvalWork& w, Word& entry) {
    Word s = static_cast<Word>(ScanBoard(e, w) - (e.CurrentPly & 1));
    w.LazyScore = s;
    if (PositionalStageRuns(e, s)) {
        BlackPawnTerms(e, w, s);
        WhitePawnTerms(e, w, s);
        PawnStructureBoost(e, w, s);
        BlackRookTerms(e, w, s);
        WhiteRookTerms(e, w, s);
        BlackKingTerms(e, w, s);
        WhiteKingTerms(e, w, s);
        BlackBishopTerms(e, w, s);
        WhiteBishopTerms(e, w, s);
    }
    entry = s;
    EndgameStage(e, w, s);
    return s;
}

// The endgame rule that changes the score of a position, named by the
// material of the side whose branch runs; empty when none does.
std::string EndgameRule(const Engine& e, Word entry, Word result) {
    const SideOrders& side = entry >= ScoreLevel ? BlackOrders : WhiteOrders;
    const Word own = e.*side.Signature;
    const Word other = side.IsBlack ? e.WhiteSignature : e.BlackSignature;
    const int pawns = e.PieceCount[side.Pawn];
    const int bishops = e.PieceCount[side.Bishop];
    const bool shrank = std::abs(result - ScoreLevel) < std::abs(entry - ScoreLevel);
    auto allOn = [&](int f) { return e.MaskCount[FileRows(e.PieceSquares[side.Pawn], f)] == pawns; };
    std::string rule;
    if (own == 1025 && !pawns && other == 1024) rule = "queen and minor v queen";
    else if (own == 33 && !pawns && other == 32) rule = "rook and minor v rook";
    else if (own == 32 && other == 1 && !pawns) rule = "rook v minor";
    else if (own == 32 && other == 32) rule = "rook v rook";
    else if (own == 2 && !pawns && bishops == 1) rule = "bishop and knight";
    else if (own == 2 && !pawns && bishops == 0) rule = "two knights";
    else if (own == 2 && !pawns && other == 1) rule = "two bishops v minor";
    else if (own == 1 && !pawns) rule = "lone minor";
    else if (own == 1 && bishops == 1 && shrank) rule = allOn(0) ? "wrong bishop, file 0" : "wrong bishop, file 7";
    else if (own == 0 && pawns && shrank) rule = allOn(0) ? "pawns, file 0" : allOn(7) ? "pawns, file 7" : "single pawn";
    if (rule.empty()) return rule;
    return rule + (side.IsBlack ? ", Black" : ", White");
}

// A random legal set-up: the stronger side (Black when `strongIsBlack`)
// gets the pieces before the "/", the other side those after it. Letters
// are Q, R, B, N and P; a pawn may carry the file it must stand on ("Pa").
void RandomSetUp(Engine& e, std::mt19937& random, const std::string& material, bool strongIsBlack) {
    for (;;) {
        test::ClearBoard(e);
        auto freeCell = [&](int low, int high, int file) {
            for (;;) {
                const int c = low + static_cast<int>(random() % (high - low + 1));
                if (IsSquareCell(c) && e.Board[c] == Empty && (file < 0 || (c & 15) == file)) return c;
            }
        };
        const int kB = freeCell(48, 167, -1);
        test::Place(e, kB, BlackKing);
        int kW;
        do kW = freeCell(48, 167, -1);
        while (std::abs((kW >> 4) - (kB >> 4)) <= 1 && std::abs((kW & 15) - (kB & 15)) <= 1);
        test::Place(e, kW, WhiteKing);
        bool black = strongIsBlack;
        for (std::size_t i = 0; i < material.size(); ++i) {
            const char c = material[i];
            if (c == '/') {
                black = !strongIsBlack;
                continue;
            }
            if (c >= 'a' && c <= 'h') continue;
            const char* kinds = "KQRBNP";
            const Byte code = static_cast<Byte>(std::strchr(kinds, c) - kinds + 1);
            const int file = c == 'P' && i + 1 < material.size() && material[i + 1] >= 'a' ? material[i + 1] - 'a' : -1;
            const int cell = code == BlackPawn ? freeCell(64, 151, file) : freeCell(48, 167, -1);
            test::Place(e, cell, black ? code : static_cast<Byte>(code + 10));
        }
        e.GameTurn = random() % 2 ? TurnEngine : TurnOpponent;
        // The side that has just moved may not stand in check.
        const bool legal = e.GameTurn == TurnEngine ? AttackedByBlack(e, e.Board[WhiteKingCell]) == 0
                                                    : AttackedByWhite(e, e.Board[BlackKingCell]) == 0;
        if (legal) return;
    }
}

TEST(EvalMirror, PositionAndTwinAgreeOverRandomPositions) {
    // Separate streams (and the bounds stream started afresh for the
    // set-ups), so that the set-ups do not depend on how the games went.
    std::mt19937 random(2024), games(11), setUps(7);
    auto a = test::MakeEngine();
    auto b = test::MakeEngine();
    std::map<std::string, int> rules;
    int positions = 0, ties = 0, tipped = 0;

    auto check = [&](const Byte* board, bool blackToMove) {
        int queens[2] = {0, 0};
        for (int c = 0; c < BoardCells; ++c) {
            a->Board[c] = board[c];
            queens[0] += board[c] == BlackQueen;
            queens[1] += board[c] == WhiteQueen;
        }
        // With several queens of a colour the queen met last in scan order
        // counts, which is not the same queen in the twin.
        if (queens[0] > 1 || queens[1] > 1) return;
        BuildPieceLists(*a);
        MakeTwin(*a, *b);
        ++positions;
        const int ply = 2 * (1 + static_cast<int>(random() % 100)) - (blackToMove ? 1 : 0);
        const int plyTwin = ply + 1;
        // Bounds around the scan score, so that the lazy test goes both ways.
        EvalWork w, wt;
        SetPly(*a, ply, 0, 0);
        const int scan = ScanBoard(*a, w);
        const int u = scan + static_cast<int>(random() % 1001) - 500;
        const int v = scan + static_cast<int>(random() % 1401) - 700;

        // Without the side-to-move point the two agree exactly, except where
        // the stage is reached exactly level: there Black's branch runs for both.
        SetPly(*a, ply, u - (ply & 1), v - (ply & 1));
        SetPly(*b, plyTwin, 65536 - u + (ply & 1), 65536 - v + (ply & 1));
        Word entry, entryTwin;
        const Word s = StagesWithoutTempo(*a, w, entry);
        const Word t = StagesWithoutTempo(*b, wt, entryTwin);
        ASSERT_EQ(a->BlackSignature, b->WhiteSignature);
        ASSERT_EQ(a->WhiteSignature, b->BlackSignature);
        ASSERT_EQ(entry + entryTwin, 65536) << "positional stage, position " << positions;
        if (entry == ScoreLevel) ++ties;
        else ASSERT_EQ(s + t, 65536) << "endgame stage, position " << positions;
        const std::string rule = EndgameRule(*a, entry, s);
        if (!rule.empty()) ++rules[rule];

        // The whole evaluation, with the point: the scan scores add up to
        // 65537, and the remainders that each term drops on its own side
        // leave a spread of at most 3. Now and then the point lifts one of
        // the two across the mop-up threshold, which adds up to 24. Within a
        // point of level the point decides which branch runs; those
        // positions are left out.
        if (std::abs(entry - ScoreLevel) <= 1) return;
        SetPly(*a, ply, u, v);
        SetPly(*b, plyTwin, 65537 - u, 65537 - v);
        const int spread = std::abs(Evaluate(*a) + Evaluate(*b) - 65537);
        if (spread > 3) {
            ++tipped;
            const Word sb = a->BlackSignature, sw = a->WhiteSignature;
            const bool mopUp = entry > ScoreLevel ? sw < 64 && sb > sw : sb < 64 && sw > sb;
            EXPECT_TRUE(mopUp && spread <= 27) << "spread " << spread << ", position " << positions;
        }
    };

    // Random games from openings, middle games and endings.
    const char* starts[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "2b1k1n1/pp3ppp/8/8/8/8/PPP2PPP/2B1K1N1 w - - 0 1",
        "4k3/pppppppp/8/8/8/8/PPPPPPPP/4K3 b - - 0 1",
        "r3k3/pp4pp/8/8/8/8/PP4PP/4K2R w - - 0 1",
    };
    for (const char* fen : starts) {
        for (int game = 0; game < 8; ++game) {
            test::Game g;
            ASSERT_TRUE(g.SetUp(fen));
            Engine& e = g.First();
            for (int ply = 0; ply < 120; ++ply) {
                check(e.GameBoard, e.GameTurn == TurnEngine);
                if (HasFatalFailure()) return;
                const auto moves = test::LegalMoves(e);
                if (moves.empty()) break;
                const auto [f, t] = moves[games() % moves.size()];
                const Byte q = static_cast<Byte>(2 + games() % 4);
                const Byte code = e.GameTurn == TurnEngine ? PlayBlackMove(e, f, t, q) : PlayWhiteMove(e, f, t, q + 10);
                if (code != GameGoesOn) break;
            }
        }
    }

    // Random set-ups of the material that the endgame stage singles out,
    // with either colour the stronger.
    const char* materials[] = {
        "QN/Q",  "QB/Q", "RN/R", "RB/R",  "R/N", "R/B",   "RPP/RP", "RRBN/QP", "QRP/QP", "BN/",
        "BN/N",  "NN/",  "NN/B", "BB/N",  "N/",  "B/P",   "BPa/",   "BPaPa/",  "BPh/",   "BPhPh/",
        "Pa/",   "PaPa/", "Ph/", "PhPh/", "PP/P", "P/",   "P/",     "P/",      "P/",
    };
    auto setUp = test::MakeEngine();
    random.seed(5);
    for (const char* material : materials) {
        for (int k = 0; k < 160; ++k) {
            RandomSetUp(*setUp, setUps, material, k % 2 == 0);
            check(setUp->Board, setUp->GameTurn == TurnEngine);
            if (HasFatalFailure()) return;
        }
    }

    EXPECT_GT(positions, 8000);
    EXPECT_LT(ties, positions / 100);
    EXPECT_LT(tipped, positions / 1000);
    // Every rule of the endgame stage was met, for both colours.
    for (const char* rule : {"queen and minor v queen", "rook and minor v rook", "rook v minor", "rook v rook",
                             "bishop and knight", "two knights", "two bishops v minor", "lone minor",
                             "wrong bishop, file 0", "wrong bishop, file 7", "pawns, file 0", "pawns, file 7",
                             "single pawn"})
        for (const char* colour : {", Black", ", White"})
            EXPECT_GE(rules[std::string(rule) + colour], 15) << rule << colour;
}

}  // namespace
}  // namespace corvane
