// The start-up of an engine copy and the game operations that touch the
// shared hash table.
#include "engine/copy.h"

#include "engine/board/board.h"
#include "engine/eval/evaluate.h"
#include "engine/search/hash_table.h"

namespace corvane {

void InitTables(Engine& e) {
    InitBoardTables(e);
    InitEvaluationTables(e);
}

void InitTablesAttached(Engine& e) {
    InitBoardTablesAttached(e);
    InitEvaluationTables(e);
}

void NewGame(Engine& e, bool clearTable) {
    NewGamePosition(e);
    if (e.CopyNumber == 1 && clearTable) HashClear(e);
}

Byte PlayBlackMove(Engine& e, Byte from, Byte to, Byte promotion, bool ageTable) {
    const Byte result = PlayBlackGameMove(e, from, to, promotion);
    if (result != GameRefused && e.CopyNumber == 1 && ageTable) HashAge(e);
    return result;
}

}  // namespace corvane
