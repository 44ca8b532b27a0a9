// The evaluation's constant tables as InitTables leaves them.
#include <bit>

#include "engine/eval/eval_internal.h"
#include "test_support.h"

namespace corvane {
namespace {

// The placement grids by relative rank 1 to 8 (rows) and file 0 to 7, from
// Black's side: relative rank R is row R + 2.
constexpr int kKingCentreGrid[8][8] = {
    {0, 0, 4, 4, 4, 4, 0, 0},       {0, 2, 3, 8, 8, 3, 2, 0},       {6, 8, 10, 12, 12, 10, 8, 6},
    {8, 10, 12, 16, 16, 12, 10, 8}, {8, 10, 12, 16, 16, 12, 10, 8}, {4, 8, 10, 12, 12, 10, 8, 4},
    {2, 2, 6, 8, 8, 6, 2, 2},       {0, 0, 2, 2, 2, 2, 0, 0},
};
constexpr int kPawnGrid[8][8] = {
    {0, 0, 0, 0, 0, 0, 0, 0},         {0, 1, 2, 3, 3, 2, 1, 0},     {0, 1, 3, 5, 5, 3, 1, 0},
    {0, 1, 18, 30, 30, 18, 1, 0},     {1, 2, 12, 24, 24, 12, 2, 1}, {1, 3, 10, 10, 10, 10, 3, 1},
    {64, 64, 64, 64, 64, 64, 64, 64}, {0, 0, 0, 0, 0, 0, 0, 0},
};
constexpr int kKnightGrid[8][8] = {
    {80, 95, 95, 95, 95, 95, 95, 80},          {100, 102, 102, 106, 106, 102, 102, 100},
    {100, 112, 125, 118, 118, 125, 112, 100},  {100, 108, 120, 150, 150, 120, 108, 100},
    {105, 115, 130, 156, 156, 130, 115, 105},  {110, 120, 130, 150, 150, 130, 120, 110},
    {106, 120, 120, 120, 120, 120, 120, 106},  {0, 110, 110, 110, 110, 110, 110, 0},
};

TEST(EvalTables, PlacementTablesCellByCell) {
    auto e = test::MakeEngine();
    const struct {
        const char* Name;
        const Byte* Table;
        const int (*Grid)[8];
    } tables[] = {{"KingCentreTable", e->KingCentreTable, kKingCentreGrid},
                  {"PawnTable", e->PawnTable, kPawnGrid},
                  {"KnightTable", e->KnightTable, kKnightGrid}};
    for (const auto& t : tables) {
        for (int x = 0; x < BoardCells; ++x) {
            const int expected = IsSquareCell(x) ? t.Grid[(x >> 4) - 3][x & 15] : 0;
            EXPECT_EQ(t.Table[x], expected) << t.Name << " cell " << x;
        }
    }
}

TEST(EvalTables, KingZoneWeightsByCellValue) {
    // Cell values 1 to 6 and 11 to 16; every other value weighs 2.
    const int black[17] = {2, 2, 1, 1, 0, 1, 0, 2, 2, 2, 2, 6, 14, 10, 10, 10, 8};
    const int white[17] = {2, 6, 14, 10, 10, 10, 8, 2, 2, 2, 2, 2, 1, 1, 0, 1, 0};
    auto e = test::MakeEngine();
    for (int v = 0; v <= 64; ++v) {
        EXPECT_EQ(e->BlackKingZoneWeight[v], v <= 16 ? black[v] : 2) << v;
        EXPECT_EQ(e->WhiteKingZoneWeight[v], v <= 16 ? white[v] : 2) << v;
    }
}

TEST(EvalTables, RookFileBonusReadsThePawnTable) {
    auto e = test::MakeEngine();
    const int bonus[8] = {0, 1, 2, 3, 3, 2, 1, 0};
    for (int f = 0; f < 8; ++f) EXPECT_EQ(RookFileBonus(*e, f), bonus[f]) << f;
}

TEST(EvalTables, BitTablesOverEveryByte) {
    auto e = test::MakeEngine();
    EXPECT_EQ(e->MaskTop[6], 3);
    EXPECT_EQ(e->MaskBottom[6], 1);
    EXPECT_EQ(e->MaskCount[6], 2);
    EXPECT_EQ(e->MaskTop[0], 0);
    EXPECT_EQ(e->MaskBottom[0], 0);
    EXPECT_EQ(e->MaskBottom[1], 0);
    EXPECT_EQ(e->MaskCount[0], 0);
    for (unsigned m = 1; m < 256; ++m) {
        EXPECT_EQ(e->MaskTop[m], std::bit_width(m)) << m;
        EXPECT_EQ(e->MaskBottom[m], std::countr_zero(m)) << m;
        EXPECT_EQ(e->MaskCount[m], std::popcount(m)) << m;
    }
}

}  // namespace
}  // namespace corvane
