// Position set-up for the developer tool.
#include "tools/tool_common.h"

#include <cstdio>
#include <cstring>

#include "engine/board/board.h"
#include "engine/copy.h"
#include "engine/search/hash_table.h"

namespace corvane {

namespace {

bool CheckPlacement(const char* fen, int end, char* error) {
    int rank = 0;
    int squares = 0;
    for (int i = 0; i < end; ++i) {
        const char c = fen[i];
        if (c == '/') {
            if (squares != 8) {
                std::snprintf(error, 256, "rank %d of the placement does not hold 8 squares", rank + 1);
                return false;
            }
            ++rank;
            squares = 0;
        } else if (c >= '1' && c <= '8') {
            squares += c - '0';
        } else if (std::strchr("kqrbnpKQRBNP", c) != nullptr && c != '\0') {
            ++squares;
        } else {
            std::snprintf(error, 256, "unexpected character '%c' in the placement", c);
            return false;
        }
        if (squares > 8) {
            std::snprintf(error, 256, "rank %d of the placement holds more than 8 squares", rank + 1);
            return false;
        }
    }
    if (rank != 7 || squares != 8) {
        std::snprintf(error, 256, "the placement does not describe 8 ranks of 8 squares");
        return false;
    }
    return true;
}

}  // namespace

void InitToolContext(ToolContext& tool) {
    InitFrontEnd(tool.Front, &tool.Copy, 1, stdout);
    HashDetach(tool.Copy);
    InitTables(tool.Copy);
    StartNewGame(tool.Front, 1);
}

bool SetUpFen(ToolContext& tool, const char* fen, char* error) {
    const int length = static_cast<int>(std::strlen(fen));
    if (length == 0 || length > 110) {
        std::snprintf(error, 256, "a FEN of 1 to 110 characters is expected");
        return false;
    }
    int end = 0;
    while (end < length && fen[end] != ' ') ++end;
    if (!CheckPlacement(fen, end, error)) return false;

    // Side to move, castling, en passant: each optional, each checked.
    const char* rest = fen + end;
    char side[8] = "w";
    char castling[8] = "-";
    char passant[8] = "-";
    char extra[64];
    const int fields = std::sscanf(rest, "%7s %7s %7s %63s", side, castling, passant, extra);
    (void)fields;
    if (std::strcmp(side, "w") != 0 && std::strcmp(side, "b") != 0) {
        std::snprintf(error, 256, "the side to move must be w or b");
        return false;
    }
    if (std::strcmp(castling, "-") != 0 && std::strspn(castling, "KQkq") != std::strlen(castling)) {
        std::snprintf(error, 256, "the castling field must be - or letters of KQkq");
        return false;
    }
    if (std::strcmp(passant, "-") != 0 &&
        !(std::strlen(passant) == 2 && passant[0] >= 'a' && passant[0] <= 'h' && (passant[1] == '3' || passant[1] == '6'))) {
        std::snprintf(error, 256, "the en passant field must be - or a square on rank 3 or 6");
        return false;
    }

    char line[LineCapacity];
    std::snprintf(line, sizeof line, "setboard %s", fen);
    if (!SetBoard(tool.Front, line)) {
        std::snprintf(error, 256, "illegal position: each side needs exactly one king, and the side not to move must not be in check");
        return false;
    }
    return true;
}

std::unique_ptr<ToolContext> LoadToolPosition(const char* fen) {
    auto tool = std::make_unique<ToolContext>();
    InitToolContext(*tool);
    char error[256];
    if (!SetUpFen(*tool, fen, error)) {
        std::printf("error: %s\n", error);
        return nullptr;
    }
    return tool;
}

void PrepareEvaluation(Engine& e, Word boundParent, Word boundCurrent) {
    for (int x = 0; x < BoardCells; ++x) e.Board[x] = e.GameBoard[x];
    e.CurrentPly = e.GameTurn == TurnEngine ? 1 : 2;
    e.ParentPly = static_cast<Byte>(e.CurrentPly - 1);
    e.PlyBound[e.ParentPly] = boundParent;
    e.PlyBound[e.CurrentPly] = boundCurrent;
}

bool ParseCount(const char* text, long long& value) {
    if (text == nullptr || *text == '\0') return false;
    long long v = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9') return false;
        v = v * 10 + (*p - '0');
        if (v > 1000000000LL) return false;
    }
    value = v;
    return true;
}

}  // namespace corvane
