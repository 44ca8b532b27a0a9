// The evaluation's constant tables as InitTables leaves them.
#include <bit>

#include "engine/eval/eval_internal.h"
#include "test_support.h"

namespace corvane {
namespace {

TEST(EvalTables, PlacementTablesAreMirroredAndZeroOffTheSquares) {
    // Scan values by cell, which also read these tables, are checked with the scan.
    auto e = test::MakeEngine();
    EXPECT_EQ(e->KingCentreTable[52], 4);  // the two kings of the initial position
    EXPECT_EQ(e->KingCentreTable[215 - 164], 4);
    EXPECT_EQ(e->KingCentreTable[96], 8);  // files 0 and 7 of relative rank 4
    EXPECT_EQ(e->KingCentreTable[103], 8);
    EXPECT_EQ(e->PawnTable[98], 18);  // files 2 and 5 of relative rank 4
    EXPECT_EQ(e->PawnTable[101], 18);
    EXPECT_EQ(e->KnightTable[160], 0);  // relative rank 8 corners
    EXPECT_EQ(e->KnightTable[167], 0);
    for (int x = 0; x < BoardCells; ++x) {
        if (IsSquareCell(x)) continue;
        EXPECT_EQ(e->KingCentreTable[x] + e->PawnTable[x] + e->KnightTable[x], 0) << x;
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
