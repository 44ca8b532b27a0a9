// The opening book: which lines continue the game, the random pick among
// them, what is announced, and files that are empty, faulty or huge; and the
// book shipped with the programs.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "test_support.h"

namespace corvane::test {
namespace {

namespace fs = std::filesystem;

// A book file with the given bytes, removed again by the destructor.
struct BookFile {
    std::string Path;
    explicit BookFile(const std::string& bytes) {
        Path = ScratchPath("corvane_book_").string() + ".txt";
        std::ofstream(Path, std::ios::binary) << bytes;
    }
    ~BookFile() { fs::remove(Path); }
};

// One lookup with the output of the front end cleared first; returns the move
// (empty when the book gave none) and leaves the announcement in `said`.
std::string Lookup(Game& g, const BookFile& book, std::string* said = nullptr) {
    g.ClearOutput();
    BookLookup(*g.Front, book.Path.c_str());
    if (said) *said = ReadAll(g.Sink);
    return g.Front->BookActive ? std::string(g.Front->WorkLine) : std::string();
}

TEST(Book, MissingOrEmptyFileAndLinesTooShort) {
    Game g;
    FlipSides(*g.Front);  // the engine has White and is to move
    std::string said;

    BookFile missing("");
    fs::remove(missing.Path);
    EXPECT_EQ(Lookup(g, missing, &said), "");
    EXPECT_EQ(said, "error opening book\n");
    EXPECT_EQ(g.Front->BookActive, 0);

    BookFile empty("");
    EXPECT_EQ(Lookup(g, empty, &said), "");
    EXPECT_EQ(said, "");

    // One line: the first move comes from it; after the reply the line is
    // too short (14 characters are needed for the third move).
    BookFile single("e2e4 e7e5\n");
    EXPECT_EQ(Lookup(g, single, &said), "e2e4");
    EXPECT_EQ(said, "from book\n");
    ASSERT_EQ(g.Play("e2e4"), GameGoesOn);
    ASSERT_EQ(g.Play("e7e5"), GameGoesOn);
    EXPECT_EQ(Lookup(g, single, &said), "");
    EXPECT_EQ(said, "");

    // Exactly 14 characters hold the third move; 13 do not.
    BookFile exact("e2e4 e7e5 g1f3\n");
    EXPECT_EQ(Lookup(g, exact), "g1f3");
    BookFile cut("e2e4 e7e5 g1f\n");
    EXPECT_EQ(Lookup(g, cut), "");
}

TEST(Book, FollowsTheGameInBothOrientationsAndAnnouncesUnderTheProtocol) {
    const BookFile book("d2d4 d7d5\ne2e4 e7e5 g1f3 b8c6 f1b5\r\n");
    // The engine plays White: the game move list is compared in real squares.
    Game white;
    FlipSides(*white.Front);
    ASSERT_EQ(white.Play("e2e4"), GameGoesOn);
    ASSERT_EQ(white.Play("e7e5"), GameGoesOn);
    EXPECT_EQ(Lookup(white, book), "g1f3");
    ASSERT_EQ(white.Play("g1f3"), GameGoesOn);
    ASSERT_EQ(white.Play("b8c6"), GameGoesOn);
    EXPECT_EQ(Lookup(white, book), "f1b5");  // the line ends with a carriage return

    // The engine plays Black; the interface sees a thinking-style line.
    Game black;
    black.Front->XboardMode = 1;
    ASSERT_EQ(black.Play("d2d4"), GameGoesOn);
    std::string said;
    EXPECT_EQ(Lookup(black, book, &said), "d7d5");
    EXPECT_EQ(said, "0 0 0 0 from book\n");
    // A reply the book does not know switches it off.
    Game off;
    ASSERT_EQ(off.Play("c2c4"), GameGoesOn);
    EXPECT_EQ(Lookup(off, book, &said), "");
    EXPECT_EQ(said, "");
}

TEST(Book, PicksUniformlyAmongTheLinesFromFirstToLastMatch) {
    Game g;
    ASSERT_EQ(g.Play("e2e4"), GameGoesOn);
    g.Front->Random.seed(12345);

    const BookFile two("e2e4 e7e5\ne2e4 c7c5\n");
    int e5 = 0;
    for (int i = 0; i < 400; ++i) {
        const std::string move = Lookup(g, two);
        ASSERT_TRUE(move == "e7e5" || move == "c7c5") << move;
        e5 += move == "e7e5";
    }
    EXPECT_GT(e5, 150);
    EXPECT_LT(e5, 250);

    // A line between two matching ones is in the range too, matching or not.
    const BookFile unsorted("e2e4 e7e5\nd2d4 d7d5\ne2e4 c7c5\n");
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) seen.insert(Lookup(g, unsorted));
    EXPECT_EQ(seen, (std::set<std::string>{"e7e5", "d7d5", "c7c5"}));
}

TEST(Book, NeverOffersAMoveThatIsNotLegalOrNotASquarePair) {
    // The pick may land on a line that does not match the game, whose move
    // at this point is illegal, garbage or missing: the book is then off and
    // nothing is announced, so the interface never sees such a move.
    Game g;
    ASSERT_EQ(g.Play("e2e4"), GameGoesOn);
    g.Front->Random.seed(7);
    const BookFile book("e2e4 e7e5\nd2d4 e7e4\nd2d4 #7a5\nd2d4 d7D5\nx\ne2e4 c7c5\n");
    std::set<std::string> seen;
    for (int i = 0; i < 300; ++i) {
        std::string said;
        const std::string move = Lookup(g, book, &said);
        seen.insert(move);
        EXPECT_EQ(said, move.empty() ? "" : "from book\n");
    }
    EXPECT_EQ(seen, (std::set<std::string>{"", "e7e5", "c7c5"}));
    // The lookups left the game as it was.
    EXPECT_EQ(g.Play("e7e5"), GameGoesOn);
}

TEST(Book, LongLinesNulBytesAndSeparators) {
    Game g;
    FlipSides(*g.Front);
    g.Front->Random.seed(99);
    // The rest of an overlong line would be the line d2d4 d7d5 if it arrived
    // as a line of its own; only the first 255 characters are seen.
    const BookFile overlong("e2e4 " + std::string(250, 'x') + "d2d4 d7d5\ng1f3 g8f6\n");
    std::set<std::string> seen;
    for (int i = 0; i < 100; ++i) seen.insert(Lookup(g, overlong));
    EXPECT_EQ(seen, (std::set<std::string>{"e2e4", "g1f3"}));

    // A NUL byte or any other character as the separator is not compared.
    ASSERT_EQ(g.Play("e2e4"), GameGoesOn);
    ASSERT_EQ(g.Play("e7e5"), GameGoesOn);
    const BookFile nul(std::string("e2e4\0e7e5\tg1f3", 14) + "\n");
    EXPECT_EQ(Lookup(g, nul), "g1f3");
    // A NUL inside a move is no square.
    const BookFile broken(std::string("e2e4 e7e5 g1\0003", 14) + "\n");
    EXPECT_EQ(Lookup(g, broken), "");
}

TEST(Book, OnlyTheFirst8192LinesCount) {
    Game g;
    FlipSides(*g.Front);
    g.Front->Random.seed(3);
    std::string text;
    for (int i = 0; i < 8191; ++i) text += "x\n";
    text += "a2a3 a7a6\n";                                           // line 8191, the last one read
    for (int i = 0; i < 200000; ++i) text += "e2e4 e7e5 g1f3\n";  // never read
    const BookFile book(text);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(Lookup(g, book), "a2a3");
}

TEST(Book, RandomBytesNeverGiveAnIllegalMove) {
    std::mt19937 random(2024);
    for (int round = 0; round < 20; ++round) {
        std::string bytes;
        const int size = 1 + static_cast<int>(random() % 20000);
        for (int i = 0; i < size; ++i) {
            // Mostly move characters, blanks and line ends, with any byte mixed in.
            static const char kPool[] = "abcdefgh12345678  \n\n";
            const unsigned r = random();
            bytes += (r % 8 == 0) ? static_cast<char>(r >> 8) : kPool[(r >> 8) % (sizeof kPool - 1)];
        }
        const BookFile book(bytes);
        Game g;
        g.Front->Random.seed(round);
        if (round % 2) FlipSides(*g.Front);
        else ASSERT_EQ(g.Play("e2e4"), GameGoesOn);
        const std::string move = Lookup(g, book);
        if (!move.empty()) {
            EXPECT_EQ(g.Play(move), GameGoesOn) << move;
        }
    }
}

// The book shipped with the programs: sorted, well formed, and every line a
// legal game from the start position.
TEST(ShippedBook, SortedWellFormedAndLegal) {
    std::ifstream in(CORVANE_BOOK_PATH, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_GE(lines.size(), 200u);
    ASSERT_LE(lines.size(), 8192u);
    EXPECT_TRUE(std::is_sorted(lines.begin(), lines.end()));
    EXPECT_EQ(std::adjacent_find(lines.begin(), lines.end()), lines.end()) << "a line stands twice";
    for (const std::string& line : lines) {
        ASSERT_GE(line.size(), 5u * 6 - 1) << line;  // at least six plies
        ASSERT_LE(line.size(), 255u) << line;
        ASSERT_EQ(line.size() % 5, 4u) << line;
        Game g;
        for (std::size_t k = 0; k < line.size(); k += 5) {
            const std::string move = line.substr(k, 4);
            if (k + 4 < line.size()) {
                ASSERT_EQ(line[k + 4], ' ') << line;
            }
            ASSERT_EQ(g.Play(move), GameGoesOn) << "move " << k / 5 + 1 << " of: " << line;
        }
    }
}

}  // namespace
}  // namespace corvane::test
