// Static evaluation of the position on an engine copy's Board.
#pragma once

#include "engine/engine.h"

namespace corvane {

// Fills the evaluation's constant tables (placement tables, king-zone
// weights, pawn-mask bit tables). Run once per engine copy at start-up.
void InitEvaluationTables(Engine& e);

// Scores the position on Board at CurrentPly (larger is better for Black)
// and writes BlackSignature and WhiteSignature. Never changes the board.
Word Evaluate(Engine& e);

}  // namespace corvane
