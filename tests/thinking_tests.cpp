// Thinking output: the padded fields, the short algebraic rendering of
// best-line entries built by hand in the search's layout, the end of the
// line, the predicted reply, and the summary line.
#include <cstdio>
#include <string>

#include "test_support.h"

namespace corvane::test {
namespace {

// The cell of a real square ("e4") in the engine's orientation.
Byte Cell(const Game& g, const char* square) {
    const int real = 16 * (10 - (square[1] - '1')) + (square[0] - 'a');
    return static_cast<Byte>(g.Copies[0].Flipped ? 215 - real : real);
}

// A best-line entry: from, to, promotion code, moving piece code, flags.
std::uint32_t Entry(const Game& g, const char* from, const char* to, int piece, int flags, int promotion = 0) {
    return (std::uint32_t{Cell(g, from)} << 24) | (std::uint32_t{Cell(g, to)} << 16) |
           (static_cast<std::uint32_t>(promotion) << 12) | (static_cast<std::uint32_t>(piece - 1) << 8) |
           static_cast<std::uint32_t>(flags);
}

std::uint32_t Mate(int moves) {
    return (static_cast<std::uint32_t>(moves) << 16) | 255u;
}

// Sets the search results of copy 1 and shows one thinking line.
std::string Think(Game& g, std::initializer_list<std::uint32_t> line, int depth = 5, Word score = 32768,
                  std::uint32_t elapsed = 123) {
    Engine& e = g.First();
    for (std::uint32_t& entry : e.PrincipalVariation) entry = 0;
    int i = 0;
    for (std::uint32_t entry : line) e.PrincipalVariation[i++] = entry;
    e.PlyDepth[1] = static_cast<Word>((depth + 1) * 8);
    e.BestScore = score;
    g.Front->Elapsed = elapsed;
    g.ClearOutput();
    ShowThinking(*g.Front);
    return ReadAll(g.Sink);
}

// Only the variation part of a thinking line (after the four fields).
std::string Variation(const std::string& text) {
    return text.size() > 30 ? text.substr(30) : text;
}

TEST(Thinking, FieldsArePaddedAsInterfacesExpectThem) {
    Game g(2);
    FlipSides(*g.Front);  // the engine plays White and is to move
    g.Copies[0].NodeCount.store(40000);
    g.Copies[1].NodeCount.store(5678);  // the copies' counts are added up
    const std::string text = Think(g, {Entry(g, "e2", "e4", 6, 0), Entry(g, "e7", "e5", 16, 0)});
    EXPECT_EQ(text, "5   0      123     45678      e4 e5 \n");
    // Showing the line takes the news of it.
    g.First().NewVariation = 1;
    EXPECT_TRUE(TakeNewVariation(g.First()));
    EXPECT_FALSE(TakeNewVariation(g.First()));
    g.First().NewVariation = 1;
    ShowThinking(*g.Front);
    EXPECT_FALSE(TakeNewVariation(g.First()));

    // The score field is seven characters for every score the search can
    // report; the draw score shows as 0.
    g.ClearOutput();
    for (int s = ScoreMinusInfinity; s <= ScorePlusInfinity; ++s) {
        g.First().BestScore = static_cast<Word>(s);
        ShowThinking(*g.Front);
    }
    const std::string all = ReadAll(g.Sink);
    std::size_t start = 0;
    for (int s = ScoreMinusInfinity; s <= ScorePlusInfinity; ++s) {
        const std::size_t end = all.find('\n', start);
        ASSERT_NE(end, std::string::npos);
        const std::string line = all.substr(start, end - start);
        start = end + 1;
        ASSERT_NE(line[4], ' ') << line;
        ASSERT_EQ(std::stol(line.substr(4, 7)), s == ScoreDraw ? 0 : s - ScoreLevel) << line;
        ASSERT_EQ(line.substr(11, 4), "123 ") << "score " << s << ": " << line;  // the time follows
    }

    // Depth: a field of four; time and nodes: at least eight and eleven.
    struct Case {
        int Depth;
        std::uint32_t Time;
        std::uint64_t Nodes;
        const char* Expected;
    };
    const Case cases[] = {
        {9, 9999999, 999999999, "9   0      9999999 999999999  "},
        {10, 10000000, 1000000000, "10  0      10000000 1000000000 "},
        {100, 0, 10000000000ull, "100 0      0       10000000000 "},
    };
    for (const Case& c : cases) {
        g.Copies[0].NodeCount.store(c.Nodes);
        g.Copies[1].NodeCount.store(0);
        const std::string line = Think(g, {Entry(g, "e2", "e4", 6, 0)}, c.Depth, 32768, c.Time);
        EXPECT_EQ(line, std::string(c.Expected) + "e4 \n");
    }
}

TEST(Thinking, MovesInShortAlgebraicText) {
    // Engine White (held flipped): real squares and the g-file castling test
    // work through the rotation.
    Game w;
    FlipSides(*w.Front);
    EXPECT_EQ(Variation(Think(w, {Entry(w, "h5", "f7", 2, 4 | 128)})), "Qxf7+ \n");
    EXPECT_EQ(Variation(Think(w, {Entry(w, "e5", "d6", 6, 4 | 8)})), "exd6ep \n");
    EXPECT_EQ(Variation(Think(w, {Entry(w, "e7", "e8", 6, 16 | 128, 5)})), "e8=N+ \n");
    EXPECT_EQ(Variation(Think(w, {Entry(w, "d7", "c8", 6, 4 | 16, 2)})), "dxc8=Q \n");
    EXPECT_EQ(Variation(Think(w, {Entry(w, "b1", "d2", 5, 2)})), "Nb1d2 \n");
    EXPECT_EQ(Variation(Think(w, {Entry(w, "a1", "d1", 3, 2 | 4 | 128)})), "Ra1xd1+ \n");
    EXPECT_EQ(Variation(Think(w, {Entry(w, "e1", "g1", 1, 0), Entry(w, "e8", "c8", 11, 0),
                                  Entry(w, "e1", "c1", 1, 128), Entry(w, "e8", "g8", 11, 0)})),
              "O-O O-O-O O-O-O+ O-O \n");
    // Engine Black (held as it is), to move: the same text.
    Game b;
    ASSERT_EQ(b.Play("e2e4"), GameGoesOn);
    EXPECT_EQ(Variation(Think(b, {Entry(b, "e8", "g8", 1, 0), Entry(b, "e1", "c1", 11, 0),
                                  Entry(b, "e8", "c8", 1, 0), Entry(b, "e1", "g1", 11, 0)})),
              "O-O O-O-O O-O-O O-O \n");
    // The opponent's promotion codes are 12 to 15; a king step of one file is no castling.
    EXPECT_EQ(Variation(Think(b, {Entry(b, "f8", "e7", 1, 0), Entry(b, "b2", "a1", 16, 4 | 16, 13)})),
              "Ke7 bxa1=R \n");
}

TEST(Thinking, TheLineEndsAtMateEntriesMarkersAndSixtyFourMoves) {
    Game g;
    FlipSides(*g.Front);
    EXPECT_EQ(Variation(Think(g, {Entry(g, "d1", "h5", 2, 0), Entry(g, "g7", "g6", 16, 0), Mate(3)})),
              "Qh5 g6 M3#\n");
    // The markers of a root move failing high or low end the line at once.
    EXPECT_EQ(Variation(Think(g, {Entry(g, "e2", "e4", 6, 64), Entry(g, "e7", "e5", 16, 0)})), "e4 <++> \n");
    EXPECT_EQ(Variation(Think(g, {Entry(g, "e2", "e4", 6, 32 | 128), Entry(g, "e7", "e5", 16, 0)})),
              "e4+ <--> \n");
    // An empty line shows no move.
    EXPECT_EQ(Variation(Think(g, {})), "\n");

    // All 65 entries filled: 64 are shown.
    Engine& e = g.First();
    for (int i = 0; i < 65; ++i) e.PrincipalVariation[i] = Entry(g, "g1", "f3", 5, 0);
    e.PlyDepth[1] = 48;
    g.ClearOutput();
    ShowThinking(*g.Front);
    const std::string text = Variation(ReadAll(g.Sink));
    std::string expected;
    for (int i = 0; i < 64; ++i) expected += "Nf3 ";
    EXPECT_EQ(text, expected + "\n");
}

TEST(Thinking, PredictedReplyAndThePonderingPrefix) {
    Game g;
    FrontEnd& fe = *g.Front;
    // The engine's own search (engine Black to move): entry 1 is the reply.
    ASSERT_EQ(g.Play("e2e4"), GameGoesOn);
    Think(g, {Entry(g, "e7", "e5", 6, 0), Entry(g, "g1", "f3", 15, 0), Entry(g, "b8", "c6", 5, 0)});
    EXPECT_EQ(fe.PonderMove[0], Cell(g, "g1"));
    EXPECT_EQ(fe.PonderMove[1], Cell(g, "f3"));
    EXPECT_EQ(fe.PonderMove[2], 0);
    // Two moves are not enough; a marker on entry 0 counts as a full line.
    Think(g, {Entry(g, "d7", "d5", 6, 0), Entry(g, "e4", "d5", 16, 4)});
    EXPECT_EQ(fe.PonderMove[0], Cell(g, "g1"));
    Think(g, {Entry(g, "d7", "d5", 6, 64), Entry(g, "e4", "d5", 16, 4)});
    EXPECT_EQ(fe.PonderMove[1], Cell(g, "d5"));
    // With thinking hidden nothing is printed, and the reply is still taken,
    // with the promotion code of a promotion.
    fe.HideThinking = 1;
    EXPECT_EQ(Think(g, {Entry(g, "e7", "e5", 6, 0), Entry(g, "a7", "a8", 16, 16, 15)}), "");
    EXPECT_EQ(fe.PonderMove[0], Cell(g, "a7"));
    EXPECT_EQ(fe.PonderMove[2], 15);
    // A line of one move, or one whose second entry is the mate, predicts nothing.
    Think(g, {Entry(g, "e7", "e5", 6, 0)});
    EXPECT_EQ(fe.PonderMove[0], NoPonderMove);
    fe.PonderMove[0] = Cell(g, "a7");
    Think(g, {Entry(g, "d8", "h4", 2, 128), Mate(1)});
    EXPECT_EQ(fe.PonderMove[0], NoPonderMove);
    fe.HideThinking = 0;

    // While pondering (the opponent to move) the line starts with the reply
    // pondered on, and the prediction stays.
    Game p;
    FrontEnd& pf = *p.Front;
    pf.PonderMove[0] = Cell(p, "g1");
    pf.PonderMove[1] = Cell(p, "f3");
    pf.PonderMove[2] = 0;
    EXPECT_EQ(Variation(Think(p, {Entry(p, "e7", "e5", 6, 0), Entry(p, "f3", "e5", 15, 4), Entry(p, "d7", "d6", 6, 0)})),
              "<g1f3> e5 Nxe5 d6 \n");
    EXPECT_EQ(pf.PonderMove[1], Cell(p, "f3"));
    pf.PonderMove[0] = Cell(p, "b7");
    pf.PonderMove[1] = Cell(p, "b8");
    pf.PonderMove[2] = 15;
    EXPECT_EQ(Variation(Think(p, {Entry(p, "e7", "e5", 6, 0)})), "<b7b8n> e5 \n");
    pf.PonderMove[2] = 12;
    EXPECT_EQ(Variation(Think(p, {Entry(p, "e7", "e5", 6, 0)})), "<b7b8 > e5 \n");
    pf.PonderMove[0] = NoPonderMove;
    EXPECT_EQ(Variation(Think(p, {Entry(p, "e7", "e5", 6, 0)})), "e5 \n");
}

TEST(Thinking, SummaryLine) {
    Game g(2);
    FrontEnd& fe = *g.Front;
    g.Copies[0].NodeCount.store(1000000);
    g.Copies[1].NodeCount.store(480233);
    fe.Elapsed = 125;
    PrintSummaryLine(fe);
    EXPECT_EQ(ReadAll(g.Sink), "nodes:1480233 nps:1184100 time:125\n");
    // Too short to measure: no line, no division by zero.
    for (std::uint32_t elapsed : {0u, 1u}) {
        g.ClearOutput();
        fe.Elapsed = elapsed;
        PrintSummaryLine(fe);
        EXPECT_EQ(ReadAll(g.Sink), "");
    }
    // The depth reached is shown only by the one-copy program with thinking hidden.
    fe.HideThinking = 1;
    fe.Elapsed = 200;
    g.ClearOutput();
    PrintSummaryLine(fe);
    EXPECT_EQ(ReadAll(g.Sink), "nodes:1480233 nps:740100 time:200\n");

    Game one;
    one.Front->HideThinking = 1;
    one.Front->Elapsed = 200;
    one.Copies[0].NodeCount.store(5000);
    one.Copies[0].PlyDepth[1] = 48;  // iterating at depth 5
    one.Copies[0].IterationDone = 1;
    PrintSummaryLine(*one.Front);
    EXPECT_EQ(ReadAll(one.Sink), "depth:4 nodes:5000 nps:2500 time:200\n");
}

}  // namespace
}  // namespace corvane::test
